'use strict';
// The slider on any page: beside another slider of the same name, in any
// load order, at high speed on a slow network, with the visitor's pause and
// the page's wheel, named for screen readers, without scripts and under a
// strict style policy. One row per fault; each row fails on the previous
// engine and generator (MARIVEL_BIN pointing at their program folder).
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, open, sliderState, closePages, withBrowser } = require('./support/browser');
const { divOf, makeSlider, tempDir } = require('./support/project');
const { serve } = require('./support/serve');

const items = (n, first = 1) => Array.from({ length: n }, (_, i) => ({
  size: [400, 300], seed: ((first + i) % 25) + 1, link: `http://example.com/${first + i}`, tip: `photo ${first + i}`,
}));
const read = (file) => fs.readFileSync(file, 'latin1');
const write = (file, text) => fs.writeFileSync(file, text, 'latin1');
// The page's slider div as Copy Div gives it: no style attribute.
const pasted = (html) => html.replace(/(<div id="VSlider1_div") style="[^"]*"/, '$1');

async function throttled(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions',
    { offline: false, latency: 150, downloadThroughput: 200000, uploadThroughput: 200000 });
  return cdp;
}

// Counts, for `ms` from the slider's first frame, the frames in which a
// picture that came into view by moving shows without having arrived.
function blankFrames(page, ms) {
  return page.evaluate((span) => new Promise((resolve) => {
    const box = document.querySelector('.slidercontainer');
    const imgs = [...box.querySelectorAll('img')];
    const atStart = new Set();
    let first = true;
    let frames = 0;
    const names = new Set();
    const end = performance.now() + span;
    requestAnimationFrame(function frame(now) {
      const b = box.getBoundingClientRect();
      let blank = false;
      imgs.forEach((img, i) => {
        const r = img.getBoundingClientRect();
        if (!(r.bottom > b.top && r.top < b.bottom)) return void atStart.delete(i);
        if (first) atStart.add(i); // what the page opens with is not a blank of the motion
        if (atStart.has(i) || (img.complete && img.naturalWidth)) return;
        blank = true;
        names.add(img.getAttribute('src') || `#${i}`);
      });
      first = false;
      frames += blank ? 1 : 0;
      if (now < end) requestAnimationFrame(frame);
      else resolve({ frames, names: [...names] });
    });
  }), ms);
}

// Layout shifts of the page so far.
const shifts = (page) => page.evaluate(() => new Promise((resolve) => {
  new PerformanceObserver((list) => resolve(list.getEntries().reduce((s, e) => s + e.value, 0)))
    .observe({ type: 'layout-shift', buffered: true });
  setTimeout(() => resolve(0), 500);
}));

describe('the slider on any page', { timeout: 200000 }, () => {
  let browser;
  before(async () => { browser = await launch(); });
  after(async () => { await browser.close(); });
  afterEach(closePages);

  const ROWS = [
    ['1. two projects of one name keep to their own divs; the second warns once', async () => {
      const root = tempDir();
      const a = makeSlider({ height: 300, items: items(3, 1) });
      const b = makeSlider({ height: 300, items: items(4, 11) });
      fs.cpSync(a.out, path.join(root, 'a'), { recursive: true });
      fs.cpSync(b.out, path.join(root, 'b'), { recursive: true });
      const div = (s, f) => read(s.page).match(divOf())[0].replace(/src="/g, `src="${f}/`);
      write(path.join(root, 'both.html'), '<!DOCTYPE html><html><head>' +
        '<link href="a/tessaline.css" rel=stylesheet><script src="a/tessaline.js"></script>' +
        '<script src="a/tessalinecfg.js"></script><script src="b/tessalinecfg.js"></script></head><body>' +
        `${div(a, 'a')}<p id="p1">Text below the first</p>${div(b, 'b')}<p id="p2">Text below the second</p>` +
        '</body></html>');
      const page = await open(browser.context, null);
      const warnings = [];
      page.on('console', (m) => { if (m.type() === 'warning') warnings.push(m.text()); });
      await page.goto('file://' + path.join(root, 'both.html'));
      await page.waitForSelector('.slidercontainer');
      await page.waitForTimeout(800);
      const seen = await page.evaluate(() => {
        const divs = [...document.querySelectorAll('body > div')];
        // The div and the slider boxes in it: the boxes clip what they hold.
        const bottom = (d) => Math.max(...[d, ...d.querySelectorAll('.slidercontainer')]
          .map((e) => e.getBoundingClientRect().bottom));
        return divs.map((d) => ({
          sliders: d.querySelectorAll('.slidercontainer').length,
          below: d.nextElementSibling.getBoundingClientRect().top >= bottom(d),
          fallback: d.querySelectorAll(':scope > a > img').length,
        }));
      });
      assert.deepEqual(seen, [{ sliders: 1, below: true, fallback: 0 }, { sliders: 0, below: true, fallback: 4 }]);
      const st = await sliderState(page);
      assert.deepEqual(st.images.map((i) => i.src.replace(/.*\/(.\/)/, '$1')),
        ['a/slider0.jpg', 'a/slider1.jpg', 'a/slider2.jpg']);
      assert.equal(warnings.filter((w) => w.includes('give each project its own Name')).length, 1, warnings);
      assert.deepEqual(page.problems, []);
    }],

    ['2. pictures resolve beside the configuration script when the engine runs after it', async () => {
      const s = makeSlider({ height: 300, items: items(5) });
      const root = path.dirname(s.out);
      fs.mkdirSync(path.join(root, 'sub'));
      const div = read(s.page).match(divOf())[0].replace(/src="/g, 'src="../site/');
      write(path.join(root, 'sub', 'page.html'), '<!DOCTYPE html><html><head>' +
        '<link href="../site/tessaline.css" rel=stylesheet><script async src="../site/tessaline.js"></script>' +
        `<script src="../site/tessalinecfg.js"></script></head><body>${div}</body></html>`);
      const server = await serve(root);
      try {
        const page = await open(browser.context, null);
        // The engine arrives late, as an async script on a busy network does.
        await page.route('**/tessaline.js', async (r) => {
          await new Promise((done) => setTimeout(done, 700));
          await r.continue();
        });
        await page.goto(server.url + 'sub/page.html');
        await page.waitForFunction(() => document.querySelector('.slidercontainer img[src]'));
        await page.waitForFunction(() => [...document.querySelectorAll('.slidercontainer img[src]')]
          .every((i) => i.complete));
        const st = await sliderState(page);
        for (const img of st.images.filter((i) => i.src)) {
          assert.ok(img.src.startsWith(server.url + 'site/slider') && img.loaded, img.src);
        }
        assert.deepEqual(page.problems, []);
      } finally {
        await server.close();
      }
    }],

    ['3. no blank picture at 1,000 px/s on a slow network; at most 6 asked at once, in view order', async () => {
      const s = makeSlider({ height: 400, step: 10, delay: 10, items: items(150) });
      const server = await serve(s.out);
      try {
        const page = await open(browser.context, null);
        const cdp = await throttled(page);
        let flying = 0;
        let most = 0;
        const asked = [];
        const open_ = new Set();
        cdp.on('Network.requestWillBeSent', (e) => {
          if (!e.request.url.endsWith('.jpg')) return;
          open_.add(e.requestId);
          asked.push(Number(e.request.url.match(/slider(\d+)/)[1]));
          most = Math.max(most, ++flying);
        });
        const done = (e) => { if (open_.delete(e.requestId)) flying--; };
        cdp.on('Network.loadingFinished', done);
        cdp.on('Network.loadingFailed', done);
        await page.goto(server.url + 'Slider.html', { waitUntil: 'commit' });
        await page.waitForSelector('.slidercontainer', { state: 'attached' });
        const blank = await blankFrames(page, 6000);
        assert.deepEqual(blank, { frames: 0, names: [] });
        assert.ok(most <= 6, `${most} pictures asked at once`);
        const order = asked.slice(0, 20);
        assert.deepEqual(order, [...order].sort((x, y) => x - y), 'in view order');
        assert.ok(asked.length > 10 && asked.length < 150, `${asked.length} asked in 6 s`);
      } finally {
        await server.close();
      }
    }],

    ['4. a visitor\'s pause holds while the reduced-motion setting changes', async () => {
      const s = makeSlider({ height: 300, items: items(6) });
      const page = await open(browser.context, s.url);
      await page.waitForSelector('.sliderpause');
      await page.click('.sliderpause');
      await page.mouse.move(700, 500);
      for (const reducedMotion of ['reduce', 'no-preference', 'reduce', 'no-preference']) {
        await page.emulateMedia({ reducedMotion });
      }
      await page.waitForTimeout(300);
      assert.deepEqual(await page.evaluate(() => [document.querySelector('.sliderpause').getAttribute('aria-pressed'),
        document.querySelector('.slidercontainer').firstElementChild.getAnimations()[0]?.playState]),
      ['true', 'paused']);
    }],

    ['5. the wheel over the slider scrolls the page, also with reduced motion', async () => {
      const s = makeSlider({ height: 300, items: items(6) });
      write(s.page, read(s.page).replace('</body>', '<div style="height:3000px"></div></body>'));
      for (const reducedMotion of ['reduce', 'no-preference']) {
        const page = await open(browser.context, null);
        await page.emulateMedia({ reducedMotion });
        await page.goto(s.url);
        await page.waitForSelector('.slidercontainer');
        const st = await sliderState(page);
        await page.mouse.move(st.box.left + 30, st.box.top + 30);
        await page.mouse.wheel(0, 250);
        await page.waitForTimeout(400);
        assert.deepEqual(await page.evaluate(() => [window.scrollY > 0,
          document.querySelector('.slidercontainer').scrollTop]), [true, 0], reducedMotion);
      }
    }],

    ['6. the group is named by the div, else "Image slider", never by the internal id', async () => {
      const s = makeSlider({ height: 300, items: items(2) });
      const html = read(s.page);
      const cases = [['', 'Image slider'], [' aria-label="Holiday photos"', 'Holiday photos'],
        [' title="Our shop"', 'Our shop'], [' aria-labelledby="h"', 'Our garden']];
      for (const [attrs, name] of cases) {
        write(s.page, html.replace('<div id="VSlider1_div"', `<h2 id="h">Our garden</h2><div id="VSlider1_div"${attrs}`));
        const page = await open(browser.context, s.url);
        await page.waitForSelector('.slidercontainer');
        assert.equal(await page.getByRole('group', { name, exact: true }).count(), 1, name);
        assert.equal(await page.getByRole('group', { name: 'VSlider1' }).count(), 0);
        assert.equal(await page.locator('[aria-roledescription="slider"]').count(), 1);
      }
    }],

    ['7. without scripts every picture and link shows; with them nothing shifts', async () => {
      const s = makeSlider({ height: 300, items: items(8) });
      await withBrowser({ javaScriptEnabled: false }, async (off) => {
        const page = await open(off.context, s.url);
        const shown = await page.$$eval('#VSlider1_div a', (as) => as.map((a) => {
          const img = a.querySelector('img');
          return [a.getAttribute('href'), img.getAttribute('src'), img.alt, img.width, img.height];
        }));
        assert.deepEqual(shown, items(8).map((it, i) => [it.link, `slider${i}.jpg`, it.tip, 168, 126]));
        await page.waitForFunction(() => document.images[0].complete && document.images[0].naturalWidth);
      });
      const page = await open(browser.context, s.url);
      await page.waitForSelector('.slidercontainer');
      assert.equal(await page.locator('#VSlider1_div > a').count(), 0, 'the engine replaced the fallback');
      assert.equal(await shifts(page), 0);
    }],

    ['8. the pasted div needs no style attribute: sized by the stylesheet, no error under style-src \'self\'',
      async () => {
        const s = makeSlider({ height: 300, items: items(3) });
        const html = read(s.page);
        write(path.join(s.out, 'pasted.html'), pasted(html));
        const server = await serve(s.out, { 'Content-Security-Policy': "script-src 'self'; style-src 'self'" });
        try {
          await withBrowser({ javaScriptEnabled: false }, async (off) => {
            const page = await open(off.context, server.url + 'pasted.html');
            assert.deepEqual(await page.$eval('#VSlider1_div', (d) => [d.offsetWidth, d.offsetHeight]), [168, 308]);
          });
          const page = await open(browser.context, server.url + 'pasted.html', { allowMissing: ['favicon.ico'] });
          await page.waitForSelector('.slidercontainer img[src]');
          assert.deepEqual(page.problems, []);
          // A page with the old styled div keeps working (the browser itself
          // reports the refused attribute).
          const old = await open(browser.context, server.url + 'Slider.html');
          await old.waitForFunction(() => document.querySelector('.slidercontainer img[src]')?.naturalWidth > 0);
        } finally {
          await server.close();
        }
      }],
  ];

  for (const [name, row] of ROWS) it(name, row);
});
