'use strict';
// A picture of a running slider for a person to look at, written to the
// build folder (MARIVEL_ENGINE_OUT), and proof that the screen itself moves.
const { it } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { launch, open, sliderState } = require('./support/browser');
const { makeSlider } = require('./support/project');

it('shows a running slider on screen', { timeout: 120000 }, async () => {
  const tints = ['#d04040', '#40a060', '#4060d0', '#d0a020', '#a040c0'];
  const s = makeSlider({
    step: 1, delay: 15, gap: 6, trailer: 24, height: 360, bg: 'F4F1E8',
    imageBorder: [3, 3, '33475B'], containerBorder: [4, 4, '9AA7B4'],
    items: tints.map((tint, i) => ({ size: [640, 400 + 40 * i], seed: i + 3, tint,
      link: `http://example.com/${i}`, tip: `Photo ${i + 1}` })),
  });
  const browser = await launch({ viewport: { width: 400, height: 420 } });
  try {
    const page = await open(browser.context, s.url);
    await page.waitForFunction(() => document.querySelector('.slidercontainer')
      && [...document.images].every((i) => i.complete && i.naturalWidth));
    const st = await sliderState(page);
    const clip = { x: 0, y: 0, width: st.host.right + 8, height: st.host.bottom + 8 };
    await page.waitForTimeout(600);
    const first = await page.screenshot({ clip });
    await page.waitForTimeout(700);
    const second = await page.screenshot({ clip });
    assert.ok(!first.equals(second), 'the pictures on screen differ as the slider moves');
    const out = process.env.MARIVEL_ENGINE_OUT || os.tmpdir();
    const file = path.join(out, 'running-slider.png');
    fs.writeFileSync(file, second);
    console.log('screenshot: ' + file);
    assert.deepEqual(page.problems, []);
  } finally {
    await browser.close();
  }
});
