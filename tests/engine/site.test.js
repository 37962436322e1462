'use strict';
// The slider on real sites: the visitor's pause, scheduled loading,
// the configuration script's folder, double density, narrow columns, size.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const { launch, open, sliderState, closePages, withBrowser } = require('./support/browser');
const { binDir, divOf, makeSlider } = require('./support/project');

const ITEMS = [0, 1, 2, 3, 4, 5].map((i) => ({
  seed: i + 1, link: `http://example.com/${i}`, tip: i === 2 ? '' : `p${i}`,
}));
const edit = (file, from, to) => fs.writeFileSync(file, fs.readFileSync(file, 'latin1').replace(from, to), 'latin1');
const state = (page) => page.evaluate(() => [document.querySelector('.sliderpause').getAttribute('aria-pressed'),
  document.getAnimations()[0].playState]);

describe('the slider on a site', { timeout: 180000 }, () => {
  let browser;
  before(async () => { browser = await launch(); });
  after(async () => { await browser.close(); });
  afterEach(closePages);

  it('pauses on its button until the visitor plays again; reduced motion starts paused', async () => {
    const s = makeSlider({ height: 300, items: ITEMS });
    for (const [reducedMotion, start] of [['no-preference', ['false', 'running']], ['reduce', ['true', 'paused']]]) {
      const page = await open(browser.context, null);
      await page.emulateMedia({ reducedMotion });
      await page.goto(s.url);
      assert.deepEqual(await state(page), start);
      const shown = () => page.$eval('.sliderpause', (b) => getComputedStyle(b).opacity === '1');
      assert.equal(await shown(), start[0] === 'true', 'hidden until wanted, shown while paused');
      await page.hover('.slidercontainer');
      assert.ok(await shown(), 'shown while the pointer is in the slider');
      await page.mouse.move(700, 500);
      await page.keyboard.press('Tab'); // the first Tab stop
      assert.ok(await shown(), 'shown while it has the focus');
      await page.keyboard.press('Enter');
      const pressed = start[0] === 'false';
      assert.deepEqual(await state(page), [String(pressed), pressed ? 'paused' : 'running']);
      if (!pressed) continue;
      // Focus, hover and the page's visibility come and go: the pause holds.
      await page.keyboard.press('Tab');
      await page.evaluate(() => document.activeElement.blur());
      await page.hover('.slidercontainer');
      await page.mouse.move(700, 500);
      await page.evaluate(() => document.dispatchEvent(new Event('visibilitychange')));
      assert.deepEqual(await state(page), ['true', 'paused']);
      await page.getByRole('button', { name: 'Pause', pressed: true }).click();
      await page.mouse.move(700, 500);
      assert.deepEqual(await state(page), ['false', 'running']);
      assert.deepEqual(page.problems, []);
    }
  });

  it('loads in view order, ahead of the motion, and what is browsed to', async () => {
    // The fastest step the editor's defaults suggest: 1 px every 10 ms.
    const s = makeSlider({ height: 300, step: 1, delay: 10, items: Array(40).fill({ seed: 1 }) });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    const files = () => page.$$eval('.slidercontainer > div > div:first-child img',
      (imgs) => imgs.map((i) => (i.hasAttribute('src') ? 1 : 0)).join(''));
    // From the top, the view first (the limit of 6 at a time is checked on
    // a slow network with the other faults); ahead of the view, never all.
    await page.waitForFunction(() => document.querySelectorAll('.slidercontainer img[src]').length > 6);
    assert.match(await files(), /^1{7,}0{10,}$/);
    // Browsing by hand far down loads what is shown there.
    await page.emulateMedia({ reducedMotion: 'reduce' });
    await page.focus('.slidernext');
    for (let k = 0; k < 30; k++) await page.keyboard.press('ArrowDown');
    await page.waitForFunction(() => document.querySelectorAll('.slidercontainer img')[31].naturalWidth > 0);
    assert.deepEqual(page.problems, []);
  });

  it('finds its pictures beside its configuration script, double density on dense screens', async () => {
    const s = makeSlider({ height: 300, items: ITEMS.slice(0, 2) });
    const gallery = path.join(s.out, 'gallery');
    fs.mkdirSync(gallery);
    for (const f of ['slider0.jpg', 'slider1.jpg', 'tessaline.css', 'tessalinecfg.js']) {
      fs.renameSync(path.join(s.out, f), path.join(gallery, f));
    }
    fs.copyFileSync(path.join(gallery, 'slider1.jpg'), path.join(gallery, 'slider1@2x.jpg'));
    edit(path.join(gallery, 'tessalinecfg.js'), /(slider1\.jpg'.*,168,126)\]/, "$1,'slider1@2x.jpg']");
    edit(s.page, /\.\/tessaline(cfg\.js|\.css)/g, './gallery/tessaline$1');
    edit(s.page, /src="slider/g, 'src="gallery/slider'); // the fallback pictures
    for (const dpr of [1, 2]) {
      await withBrowser({ deviceScaleFactor: dpr }, async (dense) => {
        const page = await open(dense.context, s.url);
        await page.waitForFunction(() => [...document.images].every((i) => i.complete && i.naturalWidth));
        const st = await sliderState(page);
        assert.deepEqual(st.images.map((i) => [i.src.replace(/.*\/gallery\//, ''), i.rect.height, i.href]),
          [['slider0.jpg', 134, ITEMS[0].link], [dpr > 1.25 ? 'slider1@2x.jpg' : 'slider1.jpg', 134, ITEMS[1].link]]);
        assert.deepEqual(page.problems, []);
      });
    }
  });

  it('shrinks to a narrower column, follows it, and is unchanged where it fits', async () => {
    const s = makeSlider({ width: 240, height: 300, gap: 6, items: ITEMS });
    const layout = (st) => [st.host, st.client, st.runs, st.images.map((i) => [i.top, i.rect.width, i.rect.height])];
    const wide = layout(await sliderState(await open(browser.context, s.url)));
    edit(s.page, divOf(), '<div id="column" style="width:180px">$&</div>');
    const page = await open(browser.context, s.url);
    const narrow = await sliderState(page);
    // 172 px of picture inside the 4 px image borders; the view scales too.
    assert.deepEqual([narrow.host.width, narrow.images[0].width, narrow.client.height],
      [180, 172, Math.round((308 * 172) / 240)]);
    await page.evaluate(() => { document.getElementById('column').style.width = '300px'; });
    await page.waitForFunction(() => document.querySelector('.slidercontainer').offsetWidth === 248);
    assert.deepEqual(layout(await sliderState(page)), wide);
    assert.deepEqual(page.problems, []);
  });

  it('runs an empty project without error; the engine is small and evaluates no strings', async () => {
    const s = makeSlider({ items: [] });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    await page.waitForTimeout(400);
    assert.deepEqual(page.problems, []);
    const engine = fs.readFileSync(path.join(binDir(), 'tessaline.js'));
    assert.ok(zlib.gzipSync(engine, { level: 9 }).length <= 4608); // 4.5 KB
    for (const text of [engine.toString(), fs.readFileSync(path.join(s.out, 'tessalinecfg.js'), 'latin1')]) {
      assert.doesNotMatch(text, /\beval\(|new Function|setTimeout\('/);
    }
  });
});
