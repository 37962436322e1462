#include "preview/preview_script.h"

namespace marivel {

namespace {

// Expects qwebchannel.js before it and the channel's object "preview".
constexpr const char* kScript = R"JS(
(function () {
  'use strict';
  var doc = document, bridge = null, shown = -1;
  // Not there yet when this script runs, at the document's creation.
  function root() { return doc.documentElement; }
  function box() { return doc.querySelector('.slidercontainer'); }
  // The engine's runs: the original and the copies that fill the loop.
  function runs() {
    var b = box();
    return b && b.firstElementChild ? Array.prototype.slice.call(b.firstElementChild.children) : [];
  }
  function pictures(run) { return run.querySelectorAll('img.sliderimages'); }
  function runOf(img) { return img.parentNode.tagName === 'A' ? img.parentNode.parentNode : img.parentNode; }
  function position(img) { return Array.prototype.indexOf.call(pictures(runOf(img)), img); }
  function each(pos, fn) {
    runs().forEach(function (run) { var img = pictures(run)[pos]; if (img) fn(img); });
  }
  // Moves the slider so the picture stands at the top of its view, once;
  // it then moves on as before.
  function reveal(img) {
    var b = box(), track = b.firstElementChild, anim = track.getAnimations()[0], top = img.offsetTop;
    if (!anim) {
      b.scrollTop = top;
    } else {
      var frames = anim.effect.getKeyframes(), timing = anim.effect.getTiming();
      var last = /,\s*(-?[\d.]+)px\)/.exec(frames[frames.length - 1].transform || '');
      var first = /,\s*(-?[\d.]+)px\)/.exec(frames[0].transform || '');
      var distance = last && first ? Math.abs(parseFloat(last[1]) - parseFloat(first[1])) : 0;
      if (distance > 0) {
        var p = ((top % distance) + 0.5 / (window.devicePixelRatio || 1)) / distance;
        anim.currentTime = (timing.direction === 'reverse' ? 1 - p : p) * timing.duration;
      }
    }
    b.scrollIntoView({ block: 'nearest' });
  }
  function select(pos, show) {
    Array.prototype.forEach.call(doc.querySelectorAll('.marivel-selected'), function (e) {
      e.classList.remove('marivel-selected');
    });
    root().setAttribute('data-selected', pos);
    var first = null;
    if (pos >= 0) each(pos, function (img) { img.classList.add('marivel-selected'); first = first || img; });
    if (show && first) reveal(first);
  }
  function setPaused(paused) {
    root().setAttribute('data-paused', paused ? '1' : '0');
    var btn = doc.querySelector('.sliderpause');
    if (btn && (btn.getAttribute('aria-pressed') === 'true') !== paused) btn.click();
  }
  function setColumn(width) {
    var column = doc.getElementById('marivel-column');
    if (column) column.style.width = width;
  }
  function setPicture(pos, file, doubleFile) {
    var name = doubleFile && window.devicePixelRatio > 1.25 ? doubleFile : file;
    if (!name) return;
    var url = new URL(name, doc.baseURI).href;
    each(pos, function (img) { img.src = url; });
  }
  // A picture is chosen, never followed: Ctrl+click asks the editor to open
  // its link in the user's browser.
  function clicked(e) {
    var hit = e.target && e.target.closest ? e.target.closest('img.sliderimages, a') : null;
    if (!hit) return;
    e.preventDefault();
    e.stopPropagation();
    var img = hit.tagName === 'IMG' ? hit : hit.querySelector('img.sliderimages');
    if (!img || !bridge || e.type !== 'click') return;
    var pos = position(img);
    if (e.ctrlKey || e.metaKey) bridge.openLink(pos);
    else bridge.pictureClicked(pos);
  }
  doc.addEventListener('click', clicked, true);
  doc.addEventListener('auxclick', clicked, true);
  doc.addEventListener('dragstart', function (e) { e.preventDefault(); }, true);
  function tell() { if (bridge && shown >= 0) bridge.shown(shown); }
  // The first frame with the slider in it: the state the pane keeps is
  // put back first, so a reload does not flash.
  function watch() {
    if (!box()) { requestAnimationFrame(watch); return; }
    setPaused(root().getAttribute('data-paused') === '1');
    select(parseInt(root().getAttribute('data-selected'), 10), false);
    requestAnimationFrame(function () {
      requestAnimationFrame(function () {
        shown = parseInt(root().getAttribute('data-generation'), 10) || 0;
        tell();
      });
    });
  }
  window.marivelPreview = {
    select: select, setPaused: setPaused, setColumn: setColumn, setPicture: setPicture,
    shown: function () { return shown; }
  };
  new QWebChannel(qt.webChannelTransport, function (channel) {
    bridge = channel.objects.preview;
    tell();
  });
  if (doc.readyState === 'loading') doc.addEventListener('DOMContentLoaded', watch);
  else watch();
})();
)JS";

}  // namespace

QString PreviewPageScript() {
    return QString::fromUtf8(kScript);
}

}  // namespace marivel
