/* Tessaline 1.1 slider engine: an endless vertical image slider moved by one
 * compositor animation. Contract and design notes: engine/README.md. */
(function (win, doc) {
  'use strict';
  if (win.BKag) return; // loaded twice: keep the first

  function num(v) {
    v = Number(v);
    return isFinite(v) ? v : 0;
  }
  function whole(v) {
    return Math.max(0, Math.round(num(v)));
  }
  function str(v) {
    return v == null ? '' : String(v);
  }
  function sum(style, a, b) {
    return (parseFloat(style[a]) || 0) + (parseFloat(style[b]) || 0);
  }
  function el(tag, css, parent) {
    var e = doc.createElement(tag);
    e.style.cssText = css;
    return parent.appendChild(e);
  }

  // The page loads us before the div we fill: start as soon as it exists.
  function BKag(divId, width, height, step, delay, gap, trailerSpace, bgColor, items) {
    var c = {
      width: whole(width), height: whole(height), gap: whole(gap), trailer: whole(trailerSpace),
      speed: num(step) / Math.max(num(delay), 10), // px/ms; delay >= 10 ms
      bg: str(bgColor), items: Array.isArray(items) ? items : []
    };
    var id = str(divId), host = doc.getElementById(id);
    if (host) return start(c, host);
    var mo = new MutationObserver(function () {
      host = doc.getElementById(id);
      if (host) {
        mo.disconnect();
        start(c, host);
      }
    });
    mo.observe(doc.documentElement, { childList: true, subtree: true });
  }

  function start(c, host) {
    var box = el('div', 'position:relative;overflow:hidden;box-sizing:content-box;padding:0;margin:0', host);
    box.className = 'slidercontainer';
    box.style.backgroundColor = /^([0-9a-f]{3}){1,2}$/i.test(c.bg) ? '#' + c.bg : c.bg;
    var track = el('div', 'position:relative', box);
    var run = el('div', 'display:flow-root', track);
    var list = c.items.filter(function (it) {
      return it && whole(it[5]) > 0; // no known height: no place to keep
    });
    var period = c.trailer; // one run: images, their borders, gaps, trailer
    var imgs = list.map(function (it, i) {
      var w = whole(it[4]) || c.width, h = whole(it[5]), tip = str(it[3]), link = str(it[1]);
      var parent = run;
      if (link) {
        parent = el('a', 'display:block', run);
        parent.href = link;
        if (it[2]) parent.target = str(it[2]);
      }
      // Inline sizes keep the place of a missing or loading file, whatever
      // the page's own img rules.
      var img = el('img', 'display:block;box-sizing:content-box;max-width:none;margin:0;width:' +
        w + 'px;height:' + h + 'px', parent);
      img.className = 'sliderimages';
      img.width = w;
      img.height = h;
      img.alt = tip;
      if (tip) img.title = tip;
      if (it[0]) img.src = str(it[0]);
      (link ? parent : img).style.marginBottom = c.gap + (i === list.length - 1 ? c.trailer : 0) + 'px';
      period += h + c.gap;
      return img;
    });

    // Room for the borders the stylesheet draws.
    var bs = getComputedStyle(box), is = imgs.length && getComputedStyle(imgs[0]);
    var inner = c.width + (is ? sum(is, 'borderLeftWidth', 'borderRightWidth') : 0);
    var view = Math.max(0, c.height - sum(bs, 'borderTopWidth', 'borderBottomWidth'));
    period += is ? imgs.length * sum(is, 'borderTopWidth', 'borderBottomWidth') : 0;
    box.style.width = inner + 'px';
    box.style.height = view + 'px';
    host.style.width = inner + sum(bs, 'borderLeftWidth', 'borderRightWidth') + 'px';
    host.style.height = c.height + 'px';

    // Inert copies of the run: the view is full at any offset.
    var copies = period >= 1 ? 1 + Math.ceil(view / period) : 0, clones = [];
    if (copies > 64) copies = 0; // a run this short cannot loop sensibly
    for (var k = 1; k < copies; k++) {
      var clone = track.appendChild(run.cloneNode(true));
      clone.inert = true;
      clone.setAttribute('aria-hidden', 'true');
      clones.push(clone);
    }

    var speed = c.speed, canMove = copies && imgs.length && speed && track.animate;
    var anim = null, steps, duration, dpr, offset = 0, hover = false, focus = false;

    // Offset shown now, in px (0 <= offset < period).
    function getOffset() {
      var p = (anim.currentTime % duration) / duration;
      return (Math.floor((speed < 0 ? 1 - p : p) * steps) % steps) * period / steps;
    }
    // Seeks to the middle of the step that shows offset o.
    function setOffset(o) {
      var p = ((Math.round((((o % period) + period) % period) * steps / period) % steps) + 0.5) / steps;
      anim.currentTime = (speed < 0 ? 1 - p : p) * duration;
    }
    function sync() {
      if (!anim) return;
      if (hover || focus || doc.hidden) anim.pause();
      else anim.play();
    }

    // One step per device pixel: crisp images, exact average speed.
    function animate() {
      dpr = win.devicePixelRatio || 1;
      steps = Math.max(1, Math.round(period * dpr));
      duration = period / Math.abs(speed);
      anim = track.animate(
        [{ transform: 'translateY(0)' }, { transform: 'translateY(' + -period + 'px)' }],
        { duration: duration, iterations: Infinity, easing: 'steps(' + steps + ')',
          direction: speed < 0 ? 'reverse' : 'normal' });
      setOffset(offset);
      sync();
    }

    // Moving: clipped, copies shown. Still: the run alone, scrolled by hand.
    // Switching keeps the picture in place.
    function setMode(moving) {
      moving = moving && canMove;
      offset = anim ? getOffset() : box.scrollTop;
      if (anim) anim.cancel();
      anim = null;
      clones.forEach(function (cl) {
        cl.style.display = moving ? 'flow-root' : 'none';
      });
      box.style.overflowY = moving ? 'hidden' : 'auto';
      track.style.willChange = moving ? 'transform' : '';
      box.scrollTop = moving ? 0 : offset;
      if (moving) animate();
    }

    // Focus or find-in-page may scroll the clipped box: make it offset.
    function unscroll() {
      var moved = box.scrollTop;
      if (anim && moved) {
        box.scrollTop = 0;
        setOffset(getOffset() + moved);
      }
    }

    // Moves the least needed to show a focused link in full.
    function reveal(a) {
      var o = getOffset(), top = a.offsetTop, want = Math.max(o, top + a.offsetHeight - view);
      want = Math.max(0, Math.min(want, top));
      if (want !== o) setOffset(want);
    }

    box.addEventListener('pointerenter', function () {
      hover = true;
      sync();
    });
    box.addEventListener('pointerleave', function () {
      hover = false;
      sync();
    });
    box.addEventListener('focusin', function (e) {
      unscroll();
      focus = e.target.matches(':focus-visible'); // keyboard, not a click
      sync(); // pause first: seeking a running animation drifts
      if (focus && anim) reveal(e.target);
    });
    box.addEventListener('focusout', function (e) {
      if (box.contains(e.relatedTarget)) return; // focusin follows
      focus = false;
      sync();
    });
    box.addEventListener('scroll', unscroll);
    win.addEventListener('resize', function () {
      if (anim && (win.devicePixelRatio || 1) !== dpr) setMode(true); // zoomed: new pixel size
    });
    doc.addEventListener('visibilitychange', sync);
    var reduce = win.matchMedia && win.matchMedia('(prefers-reduced-motion: reduce)');
    if (reduce) {
      reduce.onchange = function () {
        setMode(!reduce.matches); // followed live
      };
    }
    setMode(!(reduce && reduce.matches));
  }

  win.BKag = BKag;
  win.buah = { version: '1.1' };
})(window, document);
