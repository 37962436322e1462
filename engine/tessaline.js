/* Tessaline 1.1 slider engine: an endless vertical image slider.
 *
 * The generated configuration script calls, once `buah` exists,
 *   new BKag(divId, width, height, step, delay, gap, trailerSpace, bgColor,
 *            items, imageBorderWidth, containerBorderWidth)
 * with items [[imageFile, link, target, tooltip, imageWidth, imageHeight]...].
 *
 * How it behaves:
 * - The slider waits for its <div> (the page loads us before it) and fills it
 *   with a "slidercontainer" box of width + image borders + container borders
 *   by height; the host div is resized to that box.
 * - Images stand at their prepared sizes in item order, each followed by
 *   `gap`; `trailerSpace` is added after the last gap, then the run repeats.
 *   Copies of the run follow it so the view is always full; they are inert
 *   and hidden from assistive technology. Images start at the top.
 * - Motion is one infinite Web Animation of the track's transform with a
 *   stepped easing: the compositor runs it (no script or layout per frame),
 *   its position is a function of time (same speed at any refresh rate or
 *   main-thread load) and every step is one device pixel, so images stay
 *   crisp while the average speed is exactly step/delay px per ms.
 * - A negative step scrolls downwards; a step of 0 gives a still slider the
 *   visitor scrolls by hand, as does prefers-reduced-motion. Delays under
 *   10 ms count as 10 ms, so no value makes the motion unbounded.
 * - Motion pauses while the pointer is over the slider, while a link in it
 *   has keyboard focus (the focused image is brought into view) and while
 *   the page is hidden, and resumes from the same place.
 * - User texts are set through DOM properties only, never parsed as HTML.
 * Arguments 10 and 11 are accepted for compatibility; the borders the
 * stylesheet actually draws are measured instead, so edited CSS still fits.
 */
(function (win, doc) {
  'use strict';
  if (win.BKag) return; // loaded twice on one page: keep the first engine

  var MIN_DELAY = 10;
  var MAX_COPIES = 64;

  function num(v) {
    var n = Number(v);
    return isFinite(n) ? n : 0;
  }
  function whole(v) {
    return Math.max(0, Math.round(num(v)));
  }
  function text(v) {
    return v == null ? '' : String(v);
  }
  function px(v) {
    return parseFloat(v) || 0;
  }
  function el(tag, css, cls) {
    var e = doc.createElement(tag);
    if (css) e.style.cssText = css;
    if (cls) e.className = cls;
    return e;
  }
  function on(target, type, fn) {
    target.addEventListener(type, fn);
  }
  function watch(query, fn) {
    var mq = win.matchMedia && win.matchMedia(query);
    if (mq) {
      if (mq.addEventListener) mq.addEventListener('change', fn);
      else if (mq.addListener) mq.addListener(fn);
    }
    return mq;
  }

  // Calls fn(element) as soon as the element with this id exists.
  function whenPresent(id, fn) {
    var found = doc.getElementById(id);
    if (found) return fn(found);
    var mo = new MutationObserver(function () {
      found = doc.getElementById(id);
      if (found) {
        mo.disconnect();
        fn(found);
      }
    });
    mo.observe(doc.documentElement, { childList: true, subtree: true });
  }

  function BKag(divId, width, height, step, delay, gap, trailerSpace, bgColor, items) {
    var s = this;
    s.width = whole(width);
    s.height = whole(height);
    s.speed = num(step) / Math.max(num(delay), MIN_DELAY); // px per ms
    s.gap = whole(gap);
    s.trailer = whole(trailerSpace);
    s.bg = text(bgColor);
    s.items = Array.isArray(items) ? items : [];
    s.offset = 0; // px the track is scrolled by, 0 <= offset < period
    win.buah.sliders.push(s);
    whenPresent(text(divId), function (host) {
      build(s, host);
    });
  }

  // One slider entry: an <img>, wrapped in a link when it has one.
  function makeItem(s, it, below) {
    var w = whole(it[4]) || s.width, h = whole(it[5]), file = text(it[0]);
    var tip = text(it[3]), link = text(it[1]), target = text(it[2]);
    var img = el('img', 'display:block;box-sizing:content-box;max-width:none;margin:0;' +
      'width:' + w + 'px;height:' + h + 'px', 'sliderimages');
    img.width = w; // explicit size: nothing moves while (or if never) loaded
    img.height = h;
    img.alt = tip;
    if (tip) img.title = tip;
    if (file) img.src = file;
    var node = img;
    if (link) {
      node = el('a', 'display:block');
      node.href = link;
      if (target) node.target = target;
      node.appendChild(img);
    }
    node.style.marginBottom = below + 'px';
    return { node: node, img: img, h: h };
  }

  function build(s, host) {
    var box = el('div', 'position:relative;overflow:hidden;box-sizing:content-box;padding:0;margin:0',
      'slidercontainer');
    var track = el('div', 'position:relative');
    var run = el('div', 'display:flow-root');
    var list = s.items.filter(function (it) {
      return it && whole(it[5]) > 0; // no height known: nothing to keep a place for
    });
    var made = list.map(function (it, i) {
      var m = makeItem(s, it, s.gap + (i === list.length - 1 ? s.trailer : 0));
      run.appendChild(m.node);
      return m;
    });
    if (/^([0-9a-f]{3}){1,2}$/i.test(s.bg)) box.style.backgroundColor = '#' + s.bg;
    else box.style.backgroundColor = s.bg; // ignored by the browser when invalid
    track.appendChild(run);
    box.appendChild(track);
    host.appendChild(box);

    // Fit the borders the stylesheet draws: around each image and the box.
    var bs = getComputedStyle(box);
    var ib = made.length ? getComputedStyle(made[0].img) : null;
    var ibx = ib ? px(ib.borderLeftWidth) + px(ib.borderRightWidth) : 0;
    var iby = ib ? px(ib.borderTopWidth) + px(ib.borderBottomWidth) : 0;
    var bx = px(bs.borderLeftWidth) + px(bs.borderRightWidth);
    var by = px(bs.borderTopWidth) + px(bs.borderBottomWidth);
    s.view = Math.max(0, s.height - by);
    box.style.width = s.width + ibx + 'px';
    box.style.height = s.view + 'px';
    host.style.width = s.width + ibx + bx + 'px';
    host.style.height = s.height + 'px';
    s.period = made.reduce(function (sum, m) {
      return sum + m.h + iby + s.gap;
    }, s.trailer);

    // Enough inert copies of the run that any offset below one period
    // still fills the view.
    var copies = s.period >= 1 ? 1 + Math.ceil(s.view / s.period) : 0;
    if (copies > MAX_COPIES) copies = 0; // a run this short cannot loop sensibly
    s.clones = [];
    for (var c = 1; c < copies; c++) {
      var clone = run.cloneNode(true);
      clone.inert = true;
      clone.setAttribute('aria-hidden', 'true');
      Array.prototype.forEach.call(clone.querySelectorAll('a'), function (a) {
        a.tabIndex = -1; // for browsers without inert
      });
      track.appendChild(clone);
      s.clones.push(clone);
    }
    s.box = box;
    s.track = track;
    s.canMove = copies > 0 && s.speed !== 0 && !!track.animate;

    var reduce = watch('(prefers-reduced-motion: reduce)', function () {
      setMode(s, !reduce.matches);
    });
    on(box, 'pointerenter', function () {
      s.hover = true;
      sync(s);
    });
    on(box, 'pointerleave', function () {
      s.hover = false;
      sync(s);
    });
    on(box, 'focusin', function (e) {
      unscroll(s); // the browser may have scrolled the focused link into view
      s.focus = keyboardFocus(e.target);
      sync(s); // pause first: a seek on a running animation would drift on
      if (s.focus) reveal(s, e.target);
    });
    on(box, 'focusout', function (e) {
      if (box.contains(e.relatedTarget)) return; // focusin follows
      s.focus = false;
      sync(s);
    });
    on(box, 'scroll', function () {
      unscroll(s);
    });
    on(doc, 'visibilitychange', function () {
      sync(s);
    });
    setMode(s, !(reduce && reduce.matches));
  }

  // Focus, find-in-page or anchors may scroll the clipped box; turn that into
  // animation offset so the loop stays aligned and nothing jumps.
  function unscroll(s) {
    var moved = s.box.scrollTop;
    if (s.anim && moved) {
      s.box.scrollTop = 0;
      setOffset(s, getOffset(s) + moved);
    }
  }

  function keyboardFocus(target) {
    try {
      return target.matches(':focus-visible');
    } catch (e) {
      return true;
    }
  }

  // Moving: copies shown, clipped, animated. Still: originals only, scrolled
  // by the visitor. Switching keeps the picture where it was.
  function setMode(s, moving) {
    moving = moving && s.canMove;
    if (s.anim) {
      s.offset = getOffset(s);
      s.anim.cancel();
      s.anim = null;
    } else {
      s.offset = s.box.scrollTop;
    }
    s.clones.forEach(function (c) {
      c.style.display = moving ? 'flow-root' : 'none';
    });
    s.box.style.overflowY = moving ? 'hidden' : 'auto';
    s.track.style.willChange = moving ? 'transform' : '';
    s.box.scrollTop = moving ? 0 : s.offset;
    if (moving) animate(s);
  }

  function animate(s) {
    var dpr = win.devicePixelRatio || 1;
    s.steps = Math.max(1, Math.round(s.period * dpr));
    s.duration = s.period / Math.abs(s.speed);
    s.anim = s.track.animate(
      [{ transform: 'translateY(0)' }, { transform: 'translateY(' + -s.period + 'px)' }],
      {
        duration: s.duration,
        iterations: Infinity,
        easing: 'steps(' + s.steps + ')',
        direction: s.speed < 0 ? 'reverse' : 'normal'
      });
    setOffset(s, s.offset);
    sync(s);
    // Zooming changes the device pixel size: redo the steps for the new one.
    if (s.zoom) s.zoom.onchange = null;
    s.zoom = win.matchMedia && win.matchMedia('(resolution: ' + dpr + 'dppx)');
    if (s.zoom) {
      s.zoom.onchange = function () {
        if (!s.anim) return;
        s.offset = getOffset(s);
        s.anim.cancel();
        animate(s);
      };
    }
  }

  function sync(s) {
    if (!s.anim) return;
    if (s.hover || s.focus || doc.hidden) s.anim.pause();
    else s.anim.play();
  }

  // Offset shown at the animation's current time (whole steps only).
  function getOffset(s) {
    var p = ((s.anim.currentTime || 0) % s.duration) / s.duration;
    if (s.speed < 0) p = 1 - p;
    return (Math.floor(p * s.steps) % s.steps) * s.period / s.steps;
  }

  // Seeks to the middle of the step that shows this offset.
  function setOffset(s, offset) {
    var k = Math.round(((offset % s.period) + s.period) % s.period * s.steps / s.period) % s.steps;
    var p = (k + 0.5) / s.steps;
    s.anim.currentTime = (s.speed < 0 ? 1 - p : p) * s.duration;
  }

  // Scrolls the least needed to show a focused link in full.
  function reveal(s, target) {
    if (!s.anim) return;
    var o = getOffset(s), top = target.offsetTop, bottom = top + target.offsetHeight;
    var want = o;
    if (bottom > o + s.view) want = bottom - s.view;
    if (top < want) want = top;
    if (want !== o) setOffset(s, Math.max(0, want));
  }

  win.BKag = BKag;
  win.buah = { version: '1.1', sliders: [] };
})(window, document);
