/* Tessaline 1.2 slider engine: an endless vertical image slider moved by one
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
  function el(tag, css, parent, cls) {
    var e = doc.createElement(tag);
    e.style.cssText = css;
    if (cls) e.className = cls;
    return parent ? parent.appendChild(e) : e;
  }
  function attr(e, k, v) {
    e.setAttribute(k, v);
  }
  function mod(a, b) {
    return ((a % b) + b) % b;
  }
  function px(e, k, v) {
    e.style[k] = v + 'px';
  }

  // Starts once the div exists. Images are found beside the calling script.
  function BKag(divId, width, height, step, delay, gap, trailerSpace, bgColor, items) {
    var s = doc.currentScript, id = str(divId), host = doc.getElementById(id), c = {
      width: whole(width), height: whole(height), gap: whole(gap), trailer: whole(trailerSpace),
      speed: num(step) / Math.max(num(delay), 10), // px/ms
      bg: str(bgColor), items: Array.isArray(items) ? items : [],
      name: id.replace(/_div$/, ''), base: (s && s.src) || doc.baseURI
    };
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
    var box = el('div', 'position:relative;overflow:hidden;box-sizing:content-box;padding:0;margin:0', host,
      'slidercontainer');
    box.style.backgroundColor = /^([0-9a-f]{3}){1,2}$/i.test(c.bg) ? '#' + c.bg : c.bg;
    attr(box, 'role', 'group'); // named by the page's div, else after the slider
    var named = host.getAttribute('aria-labelledby');
    if (named) attr(box, 'aria-labelledby', named);
    else attr(box, 'aria-label', host.getAttribute('aria-label') || c.name);
    var track = el('div', 'position:relative', box);
    var run = el('div', 'display:flow-root', track);
    var list = c.items.filter(function (it) {
      return it && whole(it[5]) > 0; // no height: no place to keep
    });
    var imgs = list.map(function (it) {
      var tip = str(it[3]), link = str(it[1]), a = run;
      if (link) {
        a = el('a', 'display:block', run);
        a.href = link;
        if (it[2]) a.target = str(it[2]);
        if (!tip) attr(a, 'aria-label', link);
      }
      var img = el('img', 'display:block;box-sizing:content-box;max-width:none;margin:0', a, 'sliderimages');
      img.alt = tip;
      if (tip) img.title = tip;
      return img;
    });

    // The borders as the stylesheet draws them.
    var bs = getComputedStyle(box), is = imgs.length && getComputedStyle(imgs[0]);
    var ibx = is ? sum(is, 'borderLeftWidth', 'borderRightWidth') : 0;
    var iby = is ? sum(is, 'borderTopWidth', 'borderBottomWidth') : 0;
    var bx = sum(bs, 'borderLeftWidth', 'borderRightWidth'), by = sum(bs, 'borderTopWidth', 'borderBottomWidth');
    var full = Math.max(0, c.height - by), parent = host.parentElement, speed = c.speed;
    var scale, period, view, spans, copies, clones = [], canMove;

    // Sizes the column at f (< 1 to fit a narrow parent); copies fill the view.
    function layout(f) {
      var g = Math.round(c.gap * f), t = Math.round(c.trailer * f), y = 0, n, k, cl;
      scale = f;
      spans = imgs.map(function (img, i) {
        var w = Math.round((whole(list[i][4]) || c.width) * f), h = Math.round(whole(list[i][5]) * f);
        px(img, 'width', img.width = w);
        px(img, 'height', img.height = h);
        px(img.parentNode === run ? img : img.parentNode, 'marginBottom', g + (i === imgs.length - 1 ? t : 0));
        y += h + iby + g;
        return [y - h - iby - g, y - g];
      });
      period = y + t;
      view = f < 1 ? Math.round(full * f) : full;
      px(box, 'width', Math.round(c.width * f) + ibx);
      px(box, 'height', view);
      px(host, 'width', Math.round(c.width * f) + ibx + bx);
      px(host, 'height', f < 1 ? view + by : c.height);
      clones.forEach(function (e) {
        track.removeChild(e);
      });
      clones = [];
      copies = [imgs];
      n = period >= 1 ? 1 + Math.ceil(view / period) : 0;
      if (n > 64) n = 0; // too short to loop
      for (k = 1; k < n; k++) {
        cl = track.appendChild(run.cloneNode(true));
        cl.inert = true;
        attr(cl, 'aria-hidden', 'true');
        clones.push(cl);
        copies.push(cl.getElementsByTagName('img'));
      }
      canMove = n && imgs.length && speed && track.animate;
    }
    function fitting() {
      var room = parent.clientWidth - sum(getComputedStyle(parent), 'paddingLeft', 'paddingRight');
      return room > 0 && c.width && room < c.width + ibx + bx ?
        Math.max(1, Math.floor(room - ibx - bx)) / c.width : 1;
    }
    layout(fitting());

    var anim = null, steps, distance, duration, dpr, timer, btn;
    var hover = false, focus = false, user = false, done = [];
    var reduce = win.matchMedia('(prefers-reduced-motion: reduce)'), still = reduce.matches;

    // Offset shown, in px; seeking goes to the middle of a step.
    function getOffset() {
      var p = (anim.currentTime % duration) / duration;
      return (Math.floor((speed < 0 ? 1 - p : p) * steps) % steps) / dpr;
    }
    function setOffset(o) {
      var p = ((Math.round(mod(o, distance) * dpr) % steps) + 0.5) / steps;
      anim.currentTime = (speed < 0 ? 1 - p : p) * duration;
    }
    function here() {
      return anim ? getOffset() : box.scrollTop;
    }
    function sync() {
      if (anim) anim[user || hover || focus || doc.hidden ? 'pause' : 'play']();
    }

    function load(from, to) {
      var a = mod(from, period), b = a + to - from;
      spans.forEach(function (s, i) {
        var meets = to - from >= period || (s[0] < b && s[1] > a) || (s[0] + period < b && s[1] + period > a);
        if (done[i] || !meets) return;
        done[i] = 1;
        var file = str(list[i][6] && win.devicePixelRatio > 1.25 ? list[i][6] : list[i][0]);
        if (file) {
          file = new URL(file, c.base).href;
          copies.forEach(function (r) {
            r[i].src = file;
          });
        }
      });
    }
    // Files for what is in view or comes in the next view plus 16 s,
    // checked again halfway; still, for a view around.
    function schedule() {
      clearTimeout(timer);
      var o = here(), v = Math.abs(speed), ahead = 2 * view + 16000 * v;
      if (!anim) return load(Math.max(0, o - view), o + 2 * view);
      load(speed > 0 ? o : o - ahead, o + view + (speed > 0 ? ahead : 0));
      timer = setTimeout(schedule, ahead / 2 / v);
    }

    // The browser places the moving layer at whole CSS pixels of the page:
    // shifted onto whole device pixels it is drawn without resampling.
    function phase(v) {
      v = Math.round(v) * dpr;
      return (Math.round(v) - v) / dpr;
    }
    function at(y, r) {
      return 'translate(' + phase(r.left + scrollX + box.clientLeft) + 'px,' +
        (phase(r.top + scrollY + box.clientTop) + y) + 'px)';
    }
    // One step per device pixel, over the period rounded to device pixels.
    function animate(o) {
      var r = box.getBoundingClientRect();
      dpr = win.devicePixelRatio || 1;
      steps = Math.max(1, Math.round(period * dpr));
      distance = steps / dpr;
      duration = distance / Math.abs(speed);
      anim = track.animate([{ transform: at(0, r) }, { transform: at(-distance, r) }],
        { duration: duration, iterations: Infinity, easing: 'steps(' + steps + ')',
          direction: speed < 0 ? 'reverse' : 'normal' });
      setOffset(o);
      sync();
    }

    // Moving: clipped, copies shown. Still: the run, scrolled by hand.
    function setMode(o) {
      var moving = canMove && !still;
      if (anim) anim.cancel();
      anim = null;
      clones.forEach(function (e) {
        e.style.display = moving ? 'flow-root' : 'none';
      });
      box.style.overflowY = moving ? 'hidden' : 'auto';
      track.style.willChange = moving ? 'transform' : '';
      box.scrollTop = moving ? 0 : o;
      if (moving) animate(o);
      schedule();
    }

    function fit() {
      var f = fitting(), o = here(), p = period;
      if (f === scale) return;
      layout(f);
      setMode((o * period) / p || 0);
    }

    // Focus or find-in-page scrolled the clipped box: make it offset.
    function unscroll() {
      var moved = box.scrollTop;
      if (anim && moved) {
        box.scrollTop = 0;
        setOffset(getOffset() + moved);
      }
    }

    function reveal(a) {
      var o = getOffset(), top = a.offsetTop, want = Math.max(o, top + a.offsetHeight - view);
      want = Math.max(0, Math.min(want, top));
      if (want !== o) setOffset(want);
    }

    function press(paused) {
      user = paused;
      if (btn) attr(btn, 'aria-pressed', paused);
    }
    if (canMove) {
      // Outside the clipping box: never scrolled away or cut.
      if (getComputedStyle(host).position === 'static') host.style.position = 'relative';
      // The stylesheet shows the button while the pointer or focus is in here.
      host.classList.add('sliderhost');
      btn = el('button', 'position:absolute;z-index:1', 0, 'sliderpause');
      btn.type = 'button';
      attr(btn, 'aria-label', 'Pause');
      host.insertBefore(btn, box); // first Tab stop
      btn.onclick = function () {
        press(!user); // held until the visitor plays again
        if (still && !user) {
          still = false;
          setMode(here());
        }
        sync();
      };
    }
    press(still);

    function on(target, type, fn) {
      target.addEventListener(type, fn);
    }
    on(host, 'pointerenter', function () {
      hover = true;
      sync();
    });
    on(host, 'pointerleave', function () {
      hover = false;
      sync();
    });
    on(host, 'focusin', function (e) {
      unscroll();
      // A link reached by keyboard, not a click and not the button.
      focus = e.target !== btn && e.target.matches(':focus-visible');
      sync(); // pause first: seeking a running animation drifts
      if (focus && anim) {
        reveal(e.target);
        schedule();
      }
    });
    on(host, 'focusout', function (e) {
      if (host.contains(e.relatedTarget)) return;
      focus = false;
      sync();
    });
    on(box, 'scroll', function () {
      unscroll();
      schedule();
    });
    on(win, 'resize', function () {
      if (anim) setMode(here()); // zoomed or moved: new pixel size and grid
    });
    on(doc, 'visibilitychange', sync);
    // Next frame: not resizing the parent while it is observed.
    new ResizeObserver(function () {
      requestAnimationFrame(fit);
    }).observe(parent);
    reduce.onchange = function () {
      press(still = reduce.matches);
      setMode(here());
    };
    setMode(0);
  }

  win.BKag = BKag;
  win.buah = { version: '1.2' };
})(window, document);
