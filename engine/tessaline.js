/* Tessaline 1.3 slider engine: an endless vertical image slider moved by one
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

  function on(target, type, fn) {
    target.addEventListener(type, fn);
  }

  // Starts once the div exists. Images are found beside the configuration
  // script, which passes its address as `src`.
  function BKag(divId, width, height, step, delay, gap, trailerSpace, bgColor, items, ib, cb, src) {
    var s = doc.currentScript, id = str(divId), c = {
      width: whole(width), height: whole(height), gap: whole(gap), trailer: whole(trailerSpace),
      speed: num(step) / Math.max(num(delay), 10), // px/ms
      bg: str(bgColor), items: Array.isArray(items) ? items : [],
      name: id.replace(/_div$/, ''), base: src || (s && s.src) || doc.baseURI
    };
    var host = doc.getElementById(id), mo;
    if (host) return start(c, host);
    mo = new MutationObserver(function () {
      host = doc.getElementById(id);
      if (host) {
        mo.disconnect();
        start(c, host);
      }
    });
    mo.observe(doc.documentElement, { childList: true, subtree: true });
  }

  function start(c, host) {
    // Two projects of one name: the first keeps the div, the second keeps
    // out of it (its own div still shows its fallback pictures).
    if (host.buah) return console.warn('Tessaline: a second slider "' + c.name +
      '" on this page is not shown; give each project its own Name');
    host.buah = 1;
    // The fallback links go, also those the parser has yet to add: before
    // any layout, so their lazy pictures are never fetched.
    function clear() {
      [].slice.call(host.childNodes).forEach(function (n) {
        if (!n.t) host.removeChild(n);
      });
    }
    clear();
    new MutationObserver(clear).observe(host, { childList: true });
    // A group named by the page (aria-labelledby, aria-label, title), never by
    // the internal id.
    attr(host, 'role', 'group');
    attr(host, 'aria-roledescription', 'slider');
    if (!host.title && !host.getAttribute('aria-label') && !host.getAttribute('aria-labelledby')) {
      attr(host, 'aria-label', 'Image slider');
    }
    var box = el('div', 'position:relative;overflow:hidden;box-sizing:content-box;padding:0;margin:0', host,
      'slidercontainer');
    box.t = 1;
    box.style.backgroundColor = /^([0-9a-f]{3}){1,2}$/i.test(c.bg) ? '#' + c.bg : c.bg;
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
    var scale, period, view, spans, copies, clones = [], loops, canMove;

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
      loops = n && imgs.length && track.animate;
      canMove = loops && speed;
    }
    function fitting() {
      var room = parent.clientWidth - sum(getComputedStyle(parent), 'paddingLeft', 'paddingRight');
      return room > 0 && c.width && room < c.width + ibx + bx ?
        Math.max(1, Math.floor(room - ibx - bx)) / c.width : 1;
    }
    layout(fitting());

    var anim, steps, distance, duration, dpr, timer, btn, user;
    var hover = false, focus = false, wait = false, flying = 0, took = 500, got = [];
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
    // Paused by the visitor's button (held whatever the system's settings
    // do), else by reduced motion; also while pointed at, focused, hidden,
    // or before a picture that has not arrived.
    function sync() {
      var p = user == null ? still : user;
      if (btn) attr(btn, 'aria-pressed', p);
      if (anim) anim[!canMove || p || hover || focus || doc.hidden || wait ? 'pause' : 'play']();
    }

    function ask(i) {
      var it = list[i], file = str(it[6] && win.devicePixelRatio > 1.25 ? it[6] : it[0]), t = Date.now();
      got[i] = 1;
      if (!file) return (got[i] = 2);
      flying++;
      imgs[i].onload = imgs[i].onerror = function () {
        imgs[i].onload = imgs[i].onerror = null;
        took = Math.max(took * 0.75, Date.now() - t);
        got[i] = 2;
        flying--;
        schedule();
      };
      file = new URL(file, c.base).href;
      copies.forEach(function (r) {
        r[i].src = file;
      });
    }
    // Pictures are asked for in the order they come into view, at most 6 at
    // a time, as far ahead as the speed and the time a picture took to
    // arrive call for; the motion waits before a picture that is not here.
    // Woken by each arrival and by a timer for when the motion needs more.
    function schedule() {
      clearTimeout(timer);
      var o = here(), a = mod(o, period), v = canMove ? Math.abs(speed) : 0, far = view + v * (1500 + 4 * took);
      var want = [], first = 1e9, next = 1e9, margin = v * 150;
      spans.forEach(function (s, i) {
        var d = !anim ? Math.max(s[0] - o - view, o - s[1]) : speed < 0 ?
          a - s[1] + (s[0] >= a + view ? period : 0) : s[0] - a - view + (s[1] <= a ? period : 0);
        if (!(got[i] > 1) && d < first) first = d;
        if (!got[i]) {
          if (d <= far) want.push([d, i]);
          else if (d < next) next = d;
        }
      });
      want.sort(function (x, y) {
        return x[0] - y[0];
      });
      for (var k = 0; k < want.length && flying < 6; k++) ask(want[k][1]);
      wait = first < margin;
      sync();
      // Nothing left to ask for or wait on: no timer (a delay beyond 2^31 ms
      // would fire at once).
      next = Math.min(first - margin, next - far);
      if (v && !wait && next < 1e8) timer = setTimeout(schedule, Math.max(50, next / v));
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
    // One step per device pixel, over the period rounded to device pixels;
    // a slider with step 0 gets a paused one, for browsing by hand.
    function animate(o) {
      var r = box.getBoundingClientRect();
      if (anim) anim.cancel();
      anim = null;
      if (loops) {
        dpr = win.devicePixelRatio || 1;
        steps = Math.max(1, Math.round(period * dpr));
        distance = steps / dpr;
        duration = distance / (Math.abs(speed) || 0.025);
        track.style.willChange = 'transform';
        anim = track.animate([{ transform: at(0, r) }, { transform: at(-distance, r) }],
          { duration: duration, iterations: Infinity, easing: 'steps(' + steps + ')',
            direction: speed < 0 ? 'reverse' : 'normal' });
        setOffset(o);
      } else {
        box.style.overflowY = 'auto'; // no animation: scrolled by hand
      }
      schedule();
    }

    function fit() {
      var f = fitting(), o = here(), p = period;
      if (f === scale) return;
      layout(f);
      animate((o * period) / p || 0);
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

    // The next (d = 1) or previous (d = -1) picture at the top of the view.
    function go(d) {
      if (!anim) return; // refitted too short to loop
      var o = getOffset(), a = mod(o, period), t = d > 0 ? period : spans[spans.length - 1][0] - period;
      spans.forEach(function (s) {
        if (d > 0 ? s[0] > a + 0.5 && s[0] < t : s[0] < a - 0.5 && s[0] > t) t = s[0];
      });
      setOffset(o - a + t);
      schedule();
    }
    // Outside the clipping box: never scrolled away or cut; the first Tab stops.
    function button(cls, label, fn) {
      var b = el('button', 'position:absolute;z-index:1', 0, cls);
      b.type = 'button';
      attr(b, 'aria-label', label);
      b.onclick = fn;
      b.t = 1;
      return host.insertBefore(b, box);
    }
    if (loops) {
      if (getComputedStyle(host).position === 'static') host.style.position = 'relative';
      // The stylesheet shows the buttons while the pointer or focus is in here.
      host.classList.add('sliderhost');
      if (canMove) {
        btn = button('sliderpause', 'Pause', function () {
          user = !(user == null ? still : user); // held until the visitor plays again
          sync();
        });
      }
      button('sliderprev', 'Previous picture', function () {
        go(-1);
      });
      button('slidernext', 'Next picture', function () {
        go(1);
      });
      // Browsing by keyboard; the wheel is left to the page.
      on(host, 'keydown', function (e) {
        var d = { ArrowDown: 1, ArrowUp: -1 }[e.key];
        if (d) {
          e.preventDefault();
          go(d);
        }
      });
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
      // A link reached by keyboard, not a click and not a button.
      focus = e.target.tagName != 'BUTTON' && e.target.matches(':focus-visible');
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
      if (anim) animate(here()); // zoomed or moved: new pixel size and grid
    });
    on(doc, 'visibilitychange', sync);
    // Next frame: not resizing the parent while it is observed.
    new ResizeObserver(function () {
      requestAnimationFrame(fit);
    }).observe(parent);
    reduce.onchange = function () {
      still = reduce.matches;
      sync();
    };
    animate(0);
  }

  win.BKag = BKag;
  win.buah = { version: '1.3' };
})(window, document);
