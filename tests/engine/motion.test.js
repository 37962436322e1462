'use strict';
// How the slider moves: speed from step and delay, whole device pixels, the
// seamless wrap, a busy main thread, and the settings that stop motion.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const { launch, open, sliderState, closePages, withBrowser } = require('./support/browser');
const { divOf, makeSlider } = require('./support/project');
const { seek, timing, sample, started, rowsOfColour } = require('./support/seek');

const ITEMS = [{ size: [400, 300] }, { size: [400, 300] }, { size: [400, 200] }];

// Expected offset at time t: the exact distance speed * t, brought down to
// the device pixel below it and wrapped into one period.
function check(label, offset, t, speed, period, dpr) {
  const exact = (((speed * t) % period) + period) % period;
  assert.ok(Math.abs(offset * dpr - Math.round(offset * dpr)) < 1e-6,
    `${label}: offset ${offset} lands on a device pixel`);
  const behind = ((exact - offset) % period + period) % period;
  assert.ok(behind < 1 / dpr + 1e-6 || period - behind < 1e-6,
    `${label}: offset ${offset} within one device pixel below ${exact}`);
}

for (const dpr of [1, 2]) {
  describe(`motion at device pixel ratio ${dpr}`, { timeout: 120000 }, () => {
    let browser;
    before(async () => {
      browser = await launch({ deviceScaleFactor: dpr });
    });
    after(async () => {
      await browser.close();
    });
    afterEach(closePages);

    it('moves at step/delay pixels per millisecond on whole device pixels', async () => {
      const cases = [
        { step: 1, delay: 39, speed: 1 / 39 },
        { step: 3, delay: 20, speed: 3 / 20 },
        { step: -2, delay: 30, speed: -2 / 30 }, // downwards
        { step: 2, delay: 0, speed: 2 / 10 }, // delays under 10 ms count as 10
        { step: 5, delay: -7, speed: 5 / 10 },
      ];
      for (const c of cases) {
        const s = makeSlider({ step: c.step, delay: c.delay, gap: 3, trailer: 11, items: ITEMS });
        const page = await open(browser.context, s.url);
        await page.waitForSelector('.slidercontainer');
        const st = await sliderState(page);
        const p = st.runs[0].height;
        const { duration } = await timing(page);
        assert.ok(Math.abs(duration - p / Math.abs(c.speed)) < 1e-6, `${c.step}/${c.delay}: one period`);
        for (const t of [0, 17, 39, 1000, 4321.5, duration - 1, duration + 250, 7 * duration + 3]) {
          check(`${c.step}/${c.delay} at ${t} ms`, await seek(page, t), t, c.speed, p, dpr);
        }
        assert.deepEqual(page.problems, []);
        await page.close();
      }
    });
  });
}

describe('motion in real time', { timeout: 120000 }, () => {
  let browser;
  before(async () => {
    browser = await launch();
  });
  after(async () => {
    await browser.close();
  });
  afterEach(closePages);

  it('advances at the configured speed, also while the page is busy', async () => {
    const s = makeSlider({ step: 2, delay: 25, items: ITEMS });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    const speed = 2 / 25;
    const period = (await sliderState(page)).runs[0].height;
    const moved = (a, b) => (((b.offset - a.offset) % period) + period) % period;

    await started(page);
    const a = await sample(page);
    await page.waitForTimeout(1200);
    const b = await sample(page);
    assert.ok(Math.abs(moved(a, b) - speed * (b.time - a.time)) <= 2,
      `moved ${moved(a, b)} px in ${b.time - a.time} ms`);

    // A long task does not slow the slider down: its position depends on
    // time alone, so the next frame shows where it should be.
    await page.evaluate(() => {
      const end = performance.now() + 800;
      while (performance.now() < end);
    });
    const c = await sample(page);
    assert.ok(c.time - b.time >= 800);
    assert.ok(Math.abs(moved(b, c) - speed * (c.time - b.time)) <= 2,
      `moved ${moved(b, c)} px in ${c.time - b.time} ms around a busy task`);
    assert.deepEqual(page.problems, []);
  });

  it('follows a zoom to the new device pixel size without a jump', async () => {
    const s = makeSlider({ step: 1, delay: 20, items: ITEMS });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    const period = (await sliderState(page)).runs[0].height;
    const easing = () => page.evaluate(() => document.getAnimations()[0].effect.getTiming().easing);
    assert.equal(await easing(), `steps(${period})`);
    await started(page);
    await page.waitForTimeout(300);
    const before = await sample(page);
    // Zooming to 200 % halves the CSS viewport and doubles the pixel ratio.
    const cdp = await browser.context.newCDPSession(page);
    await cdp.send('Emulation.setDeviceMetricsOverride',
      { width: 400, height: 300, deviceScaleFactor: 2, mobile: false });
    await page.waitForFunction((p) => document.getAnimations()[0].effect.getTiming().easing === `steps(${p})`,
      2 * period);
    const after = await sample(page);
    // Neither back nor ahead of where time alone would have taken it (the
    // new animation may hold its picture for a frame or two as it starts).
    // The first sample shows its whole pixel, up to 1 px behind where the
    // slider really was, and the new animation starts in the middle of a
    // half-pixel step, 0.25 px ahead: a jump is far more than that.
    const expected = before.offset + (after.time - before.time) / 20;
    assert.ok(after.offset >= before.offset && after.offset <= expected + 1.25,
      `at ${after.offset}, from ${before.offset}, at most ${expected}`);
    assert.ok(Number.isInteger(after.offset * 2), 'on half pixels');
    assert.deepEqual(page.problems, []);
  });

  it('wraps seamlessly: the last step before the loop continues into the first', async () => {
    const cases = [
      { name: 'three images', height: 300, gap: 5, trailer: 17,
        items: [{ size: [168, 60], flat: 'rgb(220,30,30)' }, { size: [168, 140], flat: 'rgb(30,160,60)' },
          { size: [168, 80], flat: 'rgb(40,60,220)' }] },
      { name: 'one image shorter than the view', height: 300, gap: 0, trailer: 40,
        items: [{ size: [168, 50], flat: 'rgb(220,30,30)' }] },
      // Scaled down to fit its column, the loop is measured anew.
      { name: '240 px in a 180 px column', width: 240, column: 180, height: 300, gap: 5, trailer: 17,
        items: [{ size: [240, 60], flat: 'rgb(220,30,30)' }, { size: [240, 140], flat: 'rgb(30,160,60)' },
          { size: [240, 80], flat: 'rgb(40,60,220)' }] },
    ];
    for (const c of cases) {
      const s = makeSlider({ width: c.width || 168, height: c.height, gap: c.gap, trailer: c.trailer, bg: 'FFFFFF',
        imageBorder: [0, 0, '000000'], containerBorder: [0, 0, '000000'], items: c.items });
      if (c.column) {
        fs.writeFileSync(s.page, fs.readFileSync(s.page, 'latin1')
          .replace(divOf(), `<div style="width:${c.column}px">$&</div>`), 'latin1');
      }
      const page = await open(browser.context, s.url);
      await page.waitForFunction(() => [...document.images].every((i) => i.complete && i.naturalWidth));
      const st = await sliderState(page);
      assert.equal(st.host.width, c.column || c.width || 168, `${c.name}: width`);
      const { duration } = await timing(page);
      const period = st.runs[0].height;
      const perPx = duration / period;
      const box = { x: st.box.left, y: st.box.top, width: st.box.width, height: st.box.height };
      const shot = async (offsetPx, from, rows) => {
        await seek(page, (offsetPx + 0.5) * perPx);
        return page.screenshot({ clip: { ...box, y: box.y + from, height: rows } });
      };
      // Across the wrap, and somewhere in the middle for comparison.
      for (const before of [period - 1, Math.floor(period / 2)]) {
        const a = await shot(before, 1, box.height - 1);
        const b = await shot((before + 1) % period, 0, box.height - 1);
        assert.ok(a.equals(b), `${c.name}: one pixel on from ${before} shows the same picture one row up`);
      }
      // No blank longer than the gap or the trailer space, at any offset.
      const longest = Math.max(c.gap, c.gap + c.trailer);
      for (let o = 0; o < period; o += Math.max(1, Math.floor(period / 7))) {
        const rows = await rowsOfColour(page, await shot(o, 0, box.height), [255, 255, 255]);
        let run = 0;
        let worst = 0;
        for (const white of rows) {
          run = white ? run + 1 : 0;
          worst = Math.max(worst, run);
        }
        assert.ok(worst <= longest, `${c.name}: blank of ${worst} rows at offset ${o}`);
      }
      assert.deepEqual(page.problems, []);
      await page.close();
    }
  });

  it('stands still with a step of 0 and is browsed by hand, without a pause button', async () => {
    const s = makeSlider({ step: 0, delay: 39, items: ITEMS.concat(ITEMS) });
    const page = await open(browser.context, s.url);
    await page.waitForSelector('.slidercontainer');
    await page.waitForTimeout(300);
    const st = await sliderState(page);
    assert.deepEqual([st.playState, st.offset, st.overflowY], ['paused', 0, 'hidden']);
    assert.equal(await page.locator('.sliderpause').count(), 0);
    await page.click('.slidernext');
    assert.equal((await sliderState(page)).offset, 134);
    assert.deepEqual(page.problems, []);
  });
});
