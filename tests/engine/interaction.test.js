'use strict';
// The visitor's side: pausing under the pointer, keyboard focus, hidden pages
// and the reduced-motion preference.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { launch, open, sliderState, closePages, withBrowser } = require('./support/browser');
const { makeSlider } = require('./support/project');
const { sample } = require('./support/seek');

// Six images, the third without a link, most of them below a 300 px view.
const ITEMS = [0, 1, 2, 3, 4, 5].map((i) => ({
  size: [400, 300], seed: i + 1, link: i === 2 ? '' : `http://example.com/${i}`, tip: `photo ${i}`,
}));
const SPEED = 1 / 20; // step 1 every 20 ms

describe('visitor interaction', { timeout: 120000 }, () => {
  let browser;
  let slider;
  before(async () => {
    browser = await launch();
    slider = makeSlider({ height: 300, step: 1, delay: 20, items: ITEMS });
  });
  after(async () => {
    await browser.close();
  });
  afterEach(closePages);

  // Pauses through `hold`, checks the picture stays, releases through
  // `release` and checks motion goes on from the same place.
  async function pauseAndResume(page, hold, release) {
    await page.waitForTimeout(300);
    await hold();
    await sample(page); // a pause takes hold on the next frame
    const held = await sliderState(page);
    assert.equal(held.playState, 'paused');
    await page.waitForTimeout(500);
    assert.equal((await sliderState(page)).offset, held.offset, 'still while held');
    const released = Date.now();
    await release();
    const a = await sample(page);
    const since = Date.now() - released;
    assert.equal((await sliderState(page)).playState, 'running');
    // From where it stopped: no jump back, nothing more than the time since.
    assert.ok(a.offset >= held.offset && a.offset <= held.offset + SPEED * since + 1,
      `resumed at ${a.offset} ${since} ms after release, held at ${held.offset}`);
    await page.waitForTimeout(400);
    const b = await sample(page);
    assert.ok(b.offset > a.offset, 'moving again');
  }

  it('pauses while the pointer is over the slider', async () => {
    const page = await open(browser.context, slider.url);
    await page.waitForSelector('.slidercontainer');
    await pauseAndResume(page,
      () => page.hover('.slidercontainer', { position: { x: 30, y: 30 } }),
      () => page.mouse.move(600, 500));
    assert.deepEqual(page.problems, []);
  });

  it('pauses while the page is hidden and does not jump ahead afterwards', async () => {
    const page = await open(browser.context, slider.url);
    await page.waitForSelector('.slidercontainer');
    const setHidden = (hidden) => page.evaluate((h) => {
      Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
      document.dispatchEvent(new Event('visibilitychange'));
    }, hidden);
    await pauseAndResume(page, () => setHidden(true), () => setHidden(false));
    assert.deepEqual(page.problems, []);
  });

  it('pauses on keyboard focus, shows the focused image and skips the copies', async () => {
    const page = await open(browser.context, slider.url);
    await page.waitForSelector('.slidercontainer');
    await page.waitForTimeout(500);
    // The pause, previous and next buttons come first; then the links.
    for (const button of ['sliderpause', 'sliderprev', 'slidernext']) {
      await page.keyboard.press('Tab');
      assert.equal(await page.evaluate(() => document.activeElement.className), button);
    }
    const visited = [];
    for (let i = 0; i < 10; i++) {
      await page.keyboard.press('Tab');
      const f = await page.evaluate(() => {
        const a = document.activeElement;
        const box = document.querySelector('.slidercontainer');
        if (!a || !box.contains(a)) return null;
        const r = a.getBoundingClientRect();
        const b = box.getBoundingClientRect();
        return {
          href: a.getAttribute('href'),
          inCopy: !!a.closest('[inert]'),
          visible: r.top >= b.top && r.bottom <= b.bottom,
          scrollTop: box.scrollTop,
          playState: box.firstElementChild.getAnimations()[0].playState,
        };
      });
      if (!f) break;
      visited.push(f.href);
      assert.equal(f.inCopy, false);
      assert.ok(f.visible, `${f.href} is brought into view`);
      assert.equal(f.scrollTop, 0, 'shown by the animation, not by scrolling the box');
      assert.equal(f.playState, 'paused');
    }
    assert.deepEqual(visited, ITEMS.filter((it) => it.link).map((it) => it.link));
    // Focus has left the slider: it moves again.
    await page.waitForTimeout(100);
    assert.equal((await sliderState(page)).playState, 'running');
    assert.deepEqual(page.problems, []);
  });

  it('resumes from the same place after keyboard focus', async () => {
    const page = await open(browser.context, slider.url);
    await page.waitForSelector('.slidercontainer');
    await pauseAndResume(page,
      async () => {
        // The buttons, which do not pause by focus, then the first link.
        for (let k = 0; k < 4; k++) await page.keyboard.press('Tab');
      },
      () => page.evaluate(() => document.activeElement.blur()));
    assert.deepEqual(page.problems, []);
  });

  it('with reduced motion stands still, is browsed by hand, and moves when the preference goes', async () => {
    const page = await open(browser.context, null);
    await page.emulateMedia({ reducedMotion: 'reduce' });
    await page.goto(slider.url);
    await page.waitForSelector('.slidercontainer');
    let st = await sliderState(page);
    assert.equal(st.playState, 'paused');
    assert.equal(st.overflowY, 'hidden');
    await page.waitForTimeout(300);
    assert.equal((await sliderState(page)).offset, 0);
    // Next and previous go picture by picture (134 px each), around the loop.
    const offsets = [];
    for (const key of ['ArrowDown', 'ArrowDown', 'ArrowUp', 'ArrowUp', 'ArrowUp']) {
      await page.focus('.slidernext');
      await page.keyboard.press(key);
      offsets.push((await sliderState(page)).offset);
    }
    const p = st.runs[0].height;
    assert.deepEqual(offsets, [134, 268, 134, 0, p - 134]);
    await page.click('.slidernext');
    await page.click('.slidernext');
    const scrolled = (await sliderState(page)).offset;
    assert.equal(scrolled, 134);

    await page.mouse.move(600, 500);
    await page.evaluate(() => document.activeElement.blur());
    const switched = Date.now();
    await page.emulateMedia({ reducedMotion: 'no-preference' });
    await page.waitForFunction(() => document.getAnimations()[0].playState === 'running');
    st = await sliderState(page);
    const since = Date.now() - switched;
    assert.equal(st.scrollTop, 0);
    assert.ok(st.offset >= scrolled - 1 && st.offset <= scrolled + SPEED * since + 1,
      `motion starts from where the visitor scrolled (${scrolled}), now at ${st.offset} after ${since} ms`);
    assert.deepEqual(page.problems, []);
  });
});
