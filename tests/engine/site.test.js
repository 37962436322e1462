'use strict';
// The slider on real sites: the visitor's pause, names for assistive
// technology, images loaded as the motion needs them and found beside the
// configuration script, double-density pictures, narrow columns, empty
// projects and the engine's size.
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const { launch, open, sliderState } = require('./support/browser');
const { binDir, makeSlider } = require('./support/project');

const ITEMS = [0, 1, 2, 3, 4, 5].map((i) => ({
  size: [400, 300], seed: i + 1, link: `http://example.com/${i}`, tip: i === 2 ? '' : `photo ${i}`,
}));

// Wraps the page's div in a column of the given width.
function inColumn(s, width) {
  const html = fs.readFileSync(s.page, 'latin1');
  fs.writeFileSync(s.page, html.replace(/<div id="VSlider1_div"[^>]*><\/div>/,
    `<div id="column" style="width:${width}px">$&</div>`), 'latin1');
}

describe('the slider on a site', { timeout: 180000 }, () => {
  let browser;
  before(async () => {
    browser = await launch();
  });
  after(async () => {
    await browser.close();
  });

  it('pauses on the button until the visitor plays again, and starts paused for reduced motion', async () => {
    const s = makeSlider({ height: 300, step: 1, delay: 20, items: ITEMS });
    for (const reducedMotion of ['no-preference', 'reduce']) {
      const page = await open(browser.context, null);
      await page.emulateMedia({ reducedMotion });
      await page.goto(s.url);
      const button = page.getByRole('button', { name: 'Pause' });
      const state = () => page.evaluate(() => [document.querySelector('.sliderpause').getAttribute('aria-pressed'),
        document.getAnimations()[0]?.playState ?? 'still']);
      assert.deepEqual(await state(), reducedMotion === 'reduce' ? ['true', 'still'] : ['false', 'running']);
      await page.keyboard.press('Tab'); // the first Tab stop
      assert.equal(await button.evaluate((b) => b === document.activeElement), true);
      await page.keyboard.press('Enter');
      if (reducedMotion === 'reduce') {
        assert.deepEqual(await state(), ['false', 'running'], 'plays when asked to');
        continue;
      }
      // Focus, hover and a hidden page come and go: the pause holds.
      await page.keyboard.press('Tab');
      await page.evaluate(() => document.activeElement.blur());
      await page.hover('.slidercontainer');
      await page.mouse.move(700, 500);
      await page.evaluate(() => document.dispatchEvent(new Event('visibilitychange')));
      const held = (await sliderState(page)).offset;
      await page.waitForTimeout(400);
      assert.deepEqual(await state(), ['true', 'paused']);
      assert.equal((await sliderState(page)).offset, held);
      await button.click();
      await page.mouse.move(700, 500);
      assert.deepEqual(await state(), ['false', 'running']);
      assert.deepEqual(page.problems, []);
    }
  });

  it('is a group named after the slider or the page, and every link has a name', async () => {
    const s = makeSlider({ height: 300, items: ITEMS });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    assert.equal(await page.getByRole('group', { name: 'VSlider1' }).count(), 1);
    // Every link has a name; the one whose picture has no tooltip, its address.
    const group = page.getByRole('group', { name: 'VSlider1' });
    assert.equal(await group.getByRole('link', { name: /\S/ }).count(), ITEMS.length);
    assert.equal(await group.getByRole('link', { name: 'http://example.com/2', exact: true }).count(), 1);
    const labelled = fs.readFileSync(s.page, 'latin1').replace('<div id="VSlider1_div"',
      '<div id="VSlider1_div" aria-label="Our holidays"');
    fs.writeFileSync(path.join(s.out, 'labelled.html'), labelled, 'latin1');
    await page.goto('file://' + path.join(s.out, 'labelled.html'));
    assert.equal(await page.getByRole('group', { name: 'Our holidays' }).count(), 1);
  });

  it('loads what is in view or comes within a view and 8 s, then more as it moves', async () => {
    // Fastest motion the editor allows (1 px every 10 ms), 40 pictures of 126 px.
    const items = Array.from({ length: 40 }, (_, i) => ({ size: [400, 300], seed: (i % 6) + 1 }));
    const s = makeSlider({ height: 300, step: 1, delay: 10, items });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    const files = () => page.evaluate(() => [...document.querySelectorAll('.slidercontainer img')]
      .filter((i) => i.getAttribute('src')).length);
    const first = await files();
    const ahead = 300 + 300 + 8000 * 0.1; // the view, and a view and 8 s ahead of it
    assert.ok(first >= Math.ceil(ahead / 126) && first < items.length, `${first} pictures at the start`);
    // A picture seen in view has its file and has loaded; later ones follow.
    const blank = await page.evaluate(() => new Promise((resolve) => {
      const box = document.querySelector('.slidercontainer');
      const missing = new Set();
      const end = performance.now() + 2500;
      (function frame(now) {
        const b = box.getBoundingClientRect();
        for (const img of box.querySelectorAll('img')) {
          const r = img.getBoundingClientRect();
          if (r.bottom > b.top && r.top < b.bottom && !(img.complete && img.naturalWidth)) missing.add(img.src);
        }
        if (now < end) requestAnimationFrame(frame);
        else resolve([...missing]);
      })(end - 2500);
    }));
    assert.deepEqual(blank, []);
    // Reduced motion: what the visitor scrolls to.
    await page.emulateMedia({ reducedMotion: 'reduce' });
    await page.evaluate(() => { document.querySelector('.slidercontainer').scrollTop = 20 * 126; });
    await page.waitForFunction(() => document.querySelectorAll('.slidercontainer img')[22].complete &&
      document.querySelectorAll('.slidercontainer img')[22].naturalWidth > 0);
    assert.deepEqual(page.problems, []);
  });

  it('finds its pictures beside its configuration script, double density on dense screens', async () => {
    // A page one folder up includes gallery/tessalinecfg.js; the 2x name is
    // an optional seventh element of an item.
    const s = makeSlider({ height: 300, items: ITEMS.slice(0, 2) });
    const gallery = path.join(s.out, 'gallery');
    fs.mkdirSync(gallery);
    for (const f of ['slider0.jpg', 'slider1.jpg', 'tessaline.css']) fs.renameSync(path.join(s.out, f), path.join(gallery, f));
    fs.copyFileSync(path.join(gallery, 'slider1.jpg'), path.join(gallery, 'slider1@2x.jpg'));
    const cfg = fs.readFileSync(path.join(s.out, 'tessalinecfg.js'), 'latin1')
      .replace(/(slider1\.jpg'.*,168,126)\]/, "$1,'slider1@2x.jpg']");
    fs.writeFileSync(path.join(gallery, 'tessalinecfg.js'), cfg, 'latin1');
    fs.writeFileSync(s.page, fs.readFileSync(s.page, 'latin1').replace(/\.\/tessaline(cfg\.js|\.css)/g,
      './gallery/tessaline$1'), 'latin1');
    for (const dpr of [1, 2]) {
      const dense = await launch({ deviceScaleFactor: dpr });
      const page = await open(dense.context, s.url);
      await page.waitForFunction(() => [...document.images].every((i) => i.complete && i.naturalWidth));
      const st = await sliderState(page);
      assert.deepEqual(st.images.map((i) => [i.src.slice(i.src.indexOf('/gallery/')), i.rect.height, i.href]),
        [['/gallery/slider0.jpg', 134, 'http://example.com/0'],
          [dpr > 1.25 ? '/gallery/slider1@2x.jpg' : '/gallery/slider1.jpg', 134, 'http://example.com/1']]);
      assert.deepEqual(page.problems, []);
      await dense.close();
    }
  });

  it('shrinks to a narrower column, follows it, and is unchanged where it fits', async () => {
    const s = makeSlider({ width: 240, height: 300, gap: 6, items: ITEMS });
    const free = await open(browser.context, s.url);
    const wide = await sliderState(free);
    inColumn(s, 180);
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    const narrow = await sliderState(page);
    assert.equal(narrow.host.width, 180);
    assert.equal(narrow.images[0].width, 180 - 8); // image borders stay as drawn
    assert.equal(narrow.client.height, Math.round(308 * (172 / 240))); // the view scales too
    await page.evaluate(() => { document.getElementById('column').style.width = '300px'; });
    await page.waitForFunction(() => document.querySelector('.slidercontainer').offsetWidth === 248);
    const back = await sliderState(page);
    const layout = (st) => [st.host, st.client, st.runs, st.images.map((i) => [i.top, i.rect.width, i.rect.height])];
    assert.deepEqual(layout(back), layout(wide));
    assert.deepEqual(page.problems, []);
  });

  it('runs an empty project without error, and the engine is small and evaluates no strings', async () => {
    const s = makeSlider({ items: [] });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    await page.waitForTimeout(400);
    assert.deepEqual(page.problems, []);
    const engine = fs.readFileSync(path.join(binDir(), 'tessaline.js'));
    assert.ok(zlib.gzipSync(engine, { level: 9 }).length < 4096);
    for (const text of [engine.toString(), fs.readFileSync(path.join(s.out, 'tessalinecfg.js'), 'latin1')]) {
      assert.doesNotMatch(text, /\beval\(|new Function|setTimeout\('/);
    }
  });
});
