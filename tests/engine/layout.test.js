'use strict';
// What a published page shows: the contract with the generated files, the
// layout of container, images, borders and loop, and late or several sliders.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, open, sliderState, closePages, withBrowser } = require('./support/browser');
const { divOf, makeSlider } = require('./support/project');

const TRICKY_TIP = `Tom's "best" </script><img src=x onerror="window.pwned=1">`;

// Vertical room one image takes in the run: image, its two borders, the gap.
function period(state, gap, trailer) {
  return state.images.reduce((sum, img) => sum + img.outerHeight + gap, trailer);
}

describe('published slider layout', { timeout: 120000 }, () => {
  let browser;
  before(async () => {
    browser = await launch();
  });
  after(async () => {
    await browser.close();
  });
  afterEach(closePages);

  it('shows every item with its image, link, target and texts, from its own folder', async () => {
    const s = makeSlider({
      height: 300,
      items: [
        { size: [400, 300], link: 'http://example.com/one', target: '_blank', tip: TRICKY_TIP },
        { size: [800, 533], link: '', tip: 'no link here' },
        { size: [1000, 750], link: 'page2.html?a=1&b=2', target: '_top', tip: '' },
        { size: [168, 200], link: 'mailto:someone@example.com', target: '_self', tip: 'last' },
      ],
    });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    await page.waitForFunction(() => [...document.images].every((i) => i.complete));
    const st = await sliderState(page);
    assert.equal(await page.locator('.slidercontainer').count(), 1);
    assert.equal(st.hostId, 'VSlider1_div');
    const expected = [
      ['slider0.jpg', 168, 126, 'http://example.com/one', '_blank', TRICKY_TIP],
      ['slider1.jpg', 168, 112, null, null, 'no link here'],
      ['slider2.jpg', 168, 126, 'page2.html?a=1&b=2', '_top', ''],
      ['slider3.jpg', 168, 200, 'mailto:someone@example.com', '_self', 'last'],
    ];
    // Images are resolved beside the configuration script, here the page's folder.
    const folder = new URL('.', s.url).href;
    assert.deepEqual(st.images.map((i) => [i.src.replace(folder, ''), i.width, i.height, i.href, i.target, i.alt]),
      expected);
    for (const img of st.images) {
      assert.equal(img.className, 'sliderimages');
      assert.equal(img.title, img.alt);
      assert.equal(img.hasTitle, img.alt !== '', 'no empty title attribute');
      assert.ok(img.loaded, `${img.src} loads from the page's folder`);
    }
    // Texts arrive as text: nothing in the tooltip ran or became an element.
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.equal(await page.locator('img:not(.sliderimages)').count(), 0);
    // The clones carry the same images; every one of them has the class too.
    assert.equal(await page.locator('.slidercontainer img').count(),
      await page.locator('.slidercontainer img.sliderimages').count());
    assert.deepEqual(page.problems, []);
  });

  it('shows texts beyond ASCII intact, from a UTF-8 project and from an old single-byte one', async () => {
    // The page declares no encoding: only what the script escapes arrives
    // whatever the browser guesses.
    const cases = [
      { encoding: 'utf8', tip: 'Caf\u00e9 \u65e5\u672c \u{1F4F7}', link: 'http://example.com/caf\u00e9/\u65e5' },
      { encoding: 'latin1', tip: 'Caf\u00e9 \u00bd', link: 'http://example.com/caf\u00e9' },
    ];
    for (const c of cases) {
      const s = makeSlider({ encoding: c.encoding, items: [{ size: [336, 200], tip: c.tip, link: c.link }] });
      const script = fs.readFileSync(path.join(s.out, 'tessalinecfg.js'));
      assert.ok(script.every((b) => b < 0x80), 'the script is pure ASCII');
      const page = await open(browser.context, s.url);
      await page.waitForSelector('.slidercontainer img');
      const st = await sliderState(page);
      assert.equal(st.images[0].title, c.tip, c.encoding);
      assert.equal(st.images[0].alt, c.tip, c.encoding);
      assert.equal(st.images[0].href, c.link, c.encoding);
      // The address the browser follows carries the path's characters as
      // UTF-8. (A query would take the page's guessed encoding: that is the
      // browser's, not the script's doing.)
      const followed = await page.evaluate(() => document.querySelector('.slidercontainer a').href);
      assert.equal(followed, new URL(c.link).href, c.encoding);
      assert.ok(followed.includes('caf%C3%A9'), followed);
      assert.deepEqual(page.problems, []);
    }
  });

  it('fits the stylesheet borders and clips everything else', async () => {
    const cases = [
      { imageBorder: [4, 2, 'DBEAF5'], containerBorder: [3, 3, '0000FF'], bg: '12AB34' },
      { imageBorder: [5, 0, 'DBEAF5'], containerBorder: [0, 3, '0000FF'], bg: 'FFFFFF' },
      { imageBorder: [2, 3, '000000'], containerBorder: [6, 4, 'FF0000'], bg: 'ABC' },
    ];
    for (const c of cases) {
      const s = makeSlider({ ...c, width: 160, height: 250,
        items: [{ size: [320, 240] }, { size: [320, 400] }] });
      const page = await open(browser.context, s.url);
      await page.waitForSelector('.slidercontainer');
      const st = await sliderState(page);
      const ib = c.imageBorder[1] === 0 ? 0 : c.imageBorder[0];
      const cb = c.containerBorder[1] === 0 ? 0 : c.containerBorder[0];
      const label = JSON.stringify(c);
      assert.equal(st.box.height, 250 + 2 * ib + 2 * cb, `outer height, ${label}`);
      assert.equal(st.box.width, 160 + 2 * ib + 2 * cb, `outer width, ${label}`);
      assert.deepEqual(st.host, st.box, `the page's div holds exactly the slider, ${label}`);
      assert.equal(st.client.width, 160 + 2 * ib, `content width, ${label}`);
      for (const img of st.images) {
        assert.equal(img.rect.width, 160 + 2 * ib, `image border box, ${label}`);
        assert.ok(img.rect.left >= st.box.left + cb && img.rect.right <= st.box.right - cb, label);
      }
      assert.equal(st.overflowY, 'hidden');
      const rgb = c.bg.length === 3 ? c.bg.replace(/./g, '$&$&') : c.bg;
      const [r, g, b] = [0, 2, 4].map((i) => parseInt(rgb.slice(i, i + 2), 16));
      assert.equal(st.background, `rgb(${r}, ${g}, ${b})`, label);
      assert.deepEqual(page.problems, []);
      await page.close();
    }
  });

  it('stacks the images with gap and trailer space and repeats the run to fill the view', async () => {
    const cases = [
      { name: 'no spacing', gap: 0, trailer: 0, items: [[400, 300], [400, 200], [400, 500]] },
      { name: 'gap and trailer', gap: 6, trailer: 30, items: [[400, 300], [400, 200], [400, 500]] },
      { name: 'one small image', gap: 3, trailer: 5, height: 600, items: [[400, 100]] },
      { name: 'many images', gap: 2, trailer: 0, items: Array(24).fill([400, 300]) },
    ];
    for (const c of cases) {
      const s = makeSlider({ gap: c.gap, trailer: c.trailer, height: c.height || 400,
        items: c.items.map((size, i) => ({ size, seed: i + 1, link: 'http://example.com/' + i })) });
      const page = await open(browser.context, s.url);
      await page.waitForSelector('.slidercontainer');
      const st = await sliderState(page);
      const p = period(st, c.gap, c.trailer);
      const view = st.client.height;
      assert.equal(st.images.length, c.items.length, c.name);
      let y = 0;
      st.images.forEach((img, i) => {
        assert.equal(img.top, y, `${c.name}: image ${i} top`);
        y += img.outerHeight + c.gap;
      });
      assert.equal(st.runs[0].height, p, `${c.name}: the run ends with the trailer space`);
      assert.ok(st.runs.length >= 1 + Math.ceil(view / p), `${c.name}: enough copies`);
      st.runs.forEach((r, k) => {
        assert.equal(r.top, k * p, `${c.name}: copy ${k} follows without a blank`);
        assert.equal(r.inert, k > 0, `${c.name}: copy ${k} inert`);
        assert.equal(r.ariaHidden, k > 0 ? 'true' : null, `${c.name}: copy ${k} hidden from readers`);
      });
      // Every offset within one period still has content down to the bottom.
      assert.ok(st.runs.length * p >= p + view, c.name);
      assert.deepEqual(page.problems, []);
      await page.close();
    }
  });

  it('keeps the place of an image file that is missing', async () => {
    // The fourth item's source never existed, so it has no file and no size:
    // it has no place to keep and is left out.
    const s = makeSlider({ items: [{ size: [400, 300] }, { size: [400, 300] }, { size: [400, 200] },
      { missing: true }] });
    assert.match(fs.readFileSync(path.join(s.out, 'tessalinecfg.js'), 'latin1'), /\['',.*,,\]\);/);
    const complete = await open(browser.context, s.url);
    await complete.waitForSelector('.slidercontainer');
    const before = await sliderState(complete);
    await complete.close();
    fs.rmSync(path.join(s.out, 'slider1.jpg'));
    const page = await open(browser.context, s.url, { allowMissing: ['slider1.jpg'] });
    await page.waitForSelector('.slidercontainer');
    await page.waitForFunction(() => [...document.images].every((i) => i.complete));
    const st = await sliderState(page);
    assert.equal(st.images.length, 3);
    assert.equal(st.images[1].loaded, false);
    assert.deepEqual(st.images.map((i) => [i.top, i.outerHeight]),
      before.images.map((i) => [i.top, i.outerHeight]));
    assert.deepEqual(page.problems, []);
  });

  it('starts when its container appears after the scripts, and never errs without one', async () => {
    const s = makeSlider({ items: [{ size: [400, 300], link: 'http://example.com/' }] });
    const html = fs.readFileSync(s.page, 'latin1');
    assert.ok(html.indexOf('tessalinecfg.js') < html.indexOf('<div id='), 'the page fills the div late');

    // The div is added by the page's own script a moment after loading.
    const late = html.replace(divOf(),
      '<script>setTimeout(function(){var d=document.createElement("div");d.id="VSlider1_div";' +
      'document.body.appendChild(d);},300);</script>');
    const latePage = path.join(s.out, 'late.html');
    fs.writeFileSync(latePage, late, 'latin1');
    const page = await open(browser.context, 'file://' + latePage);
    await page.waitForSelector('.slidercontainer img.sliderimages');
    assert.equal((await sliderState(page)).playState, 'running');
    assert.deepEqual(page.problems, []);

    // The engine arrives after the configuration (say, loaded async): the
    // configuration retries every 350 ms until `buah` exists.
    const engineLast = html.replace('<script language="javascript" src="./tessaline.js"></script>\r\n', '')
      .replace('</body>', '<script>setTimeout(function(){var s=document.createElement("script");' +
        's.src="./tessaline.js";document.body.appendChild(s);},1000);</script>\r\n</body>');
    const enginePage = path.join(s.out, 'engine-last.html');
    fs.writeFileSync(enginePage, engineLast, 'latin1');
    const waiting = await open(browser.context, null);
    await waiting.clock.install({ time: new Date('2026-01-01T00:00:00Z') });
    await waiting.clock.pauseAt(new Date('2026-01-01T00:00:01Z')); // time moves only when told
    await waiting.goto('file://' + enginePage);
    await waiting.clock.runFor(900);
    assert.equal(await waiting.locator('.slidercontainer').count(), 0);
    await waiting.clock.runFor(200); // the engine loads
    await waiting.waitForFunction(() => window.buah);
    await waiting.clock.runFor(350); // the next retry builds the slider
    await waiting.waitForSelector('.slidercontainer img.sliderimages');
    assert.deepEqual(waiting.problems, []);

    const none = html.replace(divOf(), '');
    const nonePage = path.join(s.out, 'none.html');
    fs.writeFileSync(nonePage, none, 'latin1');
    const empty = await open(browser.context, 'file://' + nonePage);
    await empty.waitForTimeout(400);
    assert.equal(await empty.locator('.slidercontainer').count(), 0);
    assert.deepEqual(empty.problems, []);
  });

  it('runs two sliders on one page independently', async () => {
    const a = makeSlider({ name: 'Left', base: 'Left', step: 1, delay: 20, height: 300,
      items: [{ size: [400, 300] }, { size: [400, 200] }] });
    const b = makeSlider({ name: 'Right', base: 'Right', width: 120, step: 2, delay: 25, height: 200,
      items: [{ size: [300, 300], link: 'http://example.com/b' }] });
    // A designer's page: the second slider's files beside the first, its
    // images renamed so both sets fit in one folder.
    const cfg = fs.readFileSync(path.join(b.out, 'tessalinecfg.js'), 'latin1')
      .replace(/'slider(\d+)\.jpg'/g, "'right$1.jpg'");
    fs.writeFileSync(path.join(a.out, 'rightcfg.js'), cfg, 'latin1');
    fs.copyFileSync(path.join(b.out, 'slider0.jpg'), path.join(a.out, 'right0.jpg'));
    const bDiv = fs.readFileSync(b.page, 'latin1').match(divOf('Right_div'))[0].replace(/slider(\d)/g, 'right$1');
    const html = fs.readFileSync(a.page, 'latin1')
      .replace('<!-- END -->', '<script language="javascript" src="./rightcfg.js"></script>\r\n<!-- END -->')
      .replace(divOf('Left_div'), (d) => `${d}\r\n${bDiv}`);
    const pagePath = path.join(a.out, 'both.html');
    fs.writeFileSync(pagePath, html, 'latin1');

    const page = await open(browser.context, 'file://' + pagePath);
    await page.waitForFunction(() => document.querySelectorAll('.slidercontainer').length === 2);
    const [left, right] = [await sliderState(page, 0), await sliderState(page, 1)];
    assert.equal(left.hostId, 'Left_div');
    assert.equal(right.hostId, 'Right_div');
    const folder = new URL('.', a.url).href;
    assert.deepEqual(left.images.map((i) => i.src), [folder + 'slider0.jpg', folder + 'slider1.jpg']);
    assert.deepEqual(right.images.map((i) => [i.src, i.width, i.href]),
      [[folder + 'right0.jpg', 120, 'http://example.com/b']]);
    // Each runs at its own speed: 1/20 and 2/25 px per ms.
    const durations = await page.evaluate(() => [...document.querySelectorAll('.slidercontainer')]
      .map((b) => b.firstElementChild.getAnimations()[0].effect.getTiming().duration));
    assert.ok(Math.abs(durations[0] - period(left, 0, 0) * 20) < 1e-6);
    assert.ok(Math.abs(durations[1] - period(right, 0, 0) / (2 / 25)) < 1e-6);
    // Hovering one pauses only that one.
    await page.hover('#Right_div');
    const states = await page.evaluate(() => [...document.querySelectorAll('.slidercontainer')]
      .map((b) => b.firstElementChild.getAnimations()[0].playState));
    assert.deepEqual(states, ['running', 'paused']);
    assert.deepEqual(page.problems, []);
  });
});
