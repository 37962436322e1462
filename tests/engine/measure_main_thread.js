#!/usr/bin/env node
'use strict';
// Main-thread cost of the slider engine against a plain setInterval mover
// that sets style.top, on the same published images in one Chromium run.
// Usage: [MARIVEL_BIN=<build>/bin] node measure_main_thread.js [seconds] [step] [delay]
// (the bin folder defaults to build/bin of this checkout)
const fs = require('node:fs');
const path = require('node:path');
process.env.MARIVEL_BIN = process.env.MARIVEL_BIN || path.join(__dirname, '..', '..', 'build', 'bin');
const { launch, open, sliderState } = require('./support/browser');
const { makeSlider } = require('./support/project');

const seconds = Number(process.argv[2] || 5);
const step = Number(process.argv[3] || 1);
const delay = Number(process.argv[4] || 20);
const METRICS = ['TaskDuration', 'ScriptDuration', 'RecalcStyleCount', 'LayoutCount'];

// The mover a page author would write by hand: the same images stacked in a
// clipped box, moved by `step` every `delay` ms through style.top.
function moverPage(cfgText, width, height) {
  const items = [...cfgText.matchAll(/\(\['([^']*)',.*,(\d+),(\d+)\]\);/g)]
    .map(([, file, w, h]) => `<img src="${file}" width="${w}" height="${h}" style="display:block">`).join('');
  return `<!DOCTYPE html><html><body>
<div id="box" style="position:relative;overflow:hidden;width:${width}px;height:${height}px">
<div id="strip" style="position:absolute;left:0;top:0">${items}${items}</div></div>
<script>
var strip = document.getElementById('strip'), y = 0, run = 0;
setInterval(function () {
  run = run || strip.offsetHeight / 2;
  y -= ${step};
  if (-y >= run) y += run;
  strip.style.top = y + 'px';
}, ${delay});
</script></body></html>`;
}

async function measure(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable', { timeDomain: 'timeTicks' });
  const read = async () => Object.fromEntries(
    (await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));
  await page.waitForTimeout(1000); // settle after load
  const a = await read();
  await page.waitForTimeout(seconds * 1000);
  const b = await read();
  const span = b.Timestamp - a.Timestamp;
  return Object.fromEntries(METRICS.map((k) => [k, (b[k] - a[k]) / span]));
}

(async () => {
  const s = makeSlider({
    step, delay, height: 400,
    items: [0, 1, 2, 3, 4, 5].map((i) => ({
      size: [640, 480], seed: i + 1, link: `http://example.com/${i}`,
    })),
  });
  const cfg = fs.readFileSync(path.join(s.out, 'tessalinecfg.js'), 'latin1');
  fs.writeFileSync(path.join(s.out, 'mover.html'), moverPage(cfg, 168, 400));
  const browser = await launch();
  try {
    const engine = await open(browser.context, s.url);
    await engine.waitForSelector('.slidercontainer');
    const before = (await sliderState(engine)).offset;
    const e = await measure(engine);
    const moved = (await sliderState(engine)).offset !== before;
    await engine.close();
    const mover = await open(browser.context, 'file://' + path.join(s.out, 'mover.html'));
    const m = await measure(mover);
    await mover.close();
    // The same page standing still (reduced motion): what the page costs
    // without any motion at all.
    const still = await open(browser.context, null);
    await still.emulateMedia({ reducedMotion: 'reduce' });
    await still.goto(s.url);
    const z = await measure(still);
    await still.close();

    console.log(`Main thread per second of motion, step ${step} every ${delay} ms, ${seconds} s each` +
      ` (engine moving: ${moved})`);
    console.log('metric'.padEnd(18) + 'engine'.padStart(12) + 'mover'.padStart(12) + 'ratio'.padStart(10) +
      'still page'.padStart(12));
    for (const k of METRICS) {
      const unit = k.endsWith('Duration') ? 1000 : 1; // durations in ms per s
      const ratio = m[k] ? (e[k] / m[k]).toFixed(3) : '-';
      console.log(k.padEnd(18) + (e[k] * unit).toFixed(3).padStart(12) +
        (m[k] * unit).toFixed(3).padStart(12) +
        String(ratio).padStart(10) + (z[k] * unit).toFixed(3).padStart(12));
    }
    console.log('(durations in ms of main-thread time per second; counts per second)');
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e.message);
  process.exit(1);
});
