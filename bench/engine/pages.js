#!/usr/bin/env node
'use strict';
// What a visitor and a screen reader get of a published slider: a
// screenshot of the page with JavaScript off, the accessibility tree of two
// sliders on one page, the engine's size gzipped, and the layout shift.
// Usage: node bench/engine/pages.js [--bin <program folder>] [--shots <folder>]
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const args = process.argv.slice(2);
const opt = (name, d) => (args.includes(name) ? args[args.indexOf(name) + 1] : d);
const root = path.join(__dirname, '..', '..');
process.env.MARIVEL_BIN = path.resolve(opt('--bin', path.join(root, 'build', 'bin')));
const shots = path.resolve(opt('--shots', '/work/shots'));
const engineTests = path.join(root, 'tests', 'engine');
const { launch, open } = require(path.join(engineTests, 'support', 'browser'));
const { divOf, makeSlider, tempDir } = require(path.join(engineTests, 'support', 'project'));

const items = (n, tint) => Array.from({ length: n }, (_, i) => ({
  size: [640, 480], seed: i + 3, tint, link: `http://example.com/${i}`, tip: `Photo ${i + 1}`,
}));

(async () => {
  const engine = fs.readFileSync(path.join(process.env.MARIVEL_BIN, 'tessaline.js'));
  console.log(`engine as shipped: ${engine.length} bytes, ${zlib.gzipSync(engine, { level: 9 }).length} gzipped (-9)`);
  fs.mkdirSync(shots, { recursive: true });
  const s = makeSlider({ height: 360, gap: 6, items: items(6, '#4060d0') });
  const browser = await launch({ viewport: { width: 420, height: 460 }, javaScriptEnabled: false });
  try {
    const page = await open(browser.context, s.url);
    await page.waitForFunction(() => [...document.images].slice(0, 2).every((i) => i.complete));
    const file = path.join(shots, 'slider-without-javascript.png');
    await page.screenshot({ path: file });
    const seen = await page.$$eval('#VSlider1_div a', (as) => as.length);
    console.log(`JavaScript off: ${seen} links with pictures in the div; screenshot ${file}`);
  } finally {
    await browser.close();
  }

  // Two sliders on one page: one named by the page, one not.
  const dir = tempDir();
  const a = makeSlider({ name: 'Cakes', base: 'Cakes', height: 300, items: items(3) }, path.join(dir, 'a'));
  const b = makeSlider({ name: 'Breads', base: 'Breads', height: 300, items: items(2) }, path.join(dir, 'b'));
  const div = (s, id, f, extra) => fs.readFileSync(s.page, 'latin1').match(divOf(id))[0]
    .replace(/src="/g, `src="${f}/`).replace(/ style="[^"]*"/, extra);
  const html = '<!DOCTYPE html><html lang="en"><head><title>Two sliders</title>' +
    '<link href="a/site/tessaline.css" rel=stylesheet><link href="b/site/tessaline.css" rel=stylesheet>' +
    '<script src="a/site/tessaline.js"></script><script src="a/site/tessalinecfg.js"></script>' +
    '<script src="b/site/tessalinecfg.js"></script></head><body><main><h1>Bakery</h1>' +
    div(a, 'Cakes_div', 'a/site', ' aria-label="Cakes of the day"') + '<p>Text between</p>' +
    div(b, 'Breads_div', 'b/site', '') + '</main></body></html>';
  fs.writeFileSync(path.join(dir, 'two.html'), html);
  const js = await launch();
  try {
    const page = await open(js.context, 'file://' + path.join(dir, 'two.html'));
    await page.waitForFunction(() => document.querySelectorAll('.slidercontainer').length === 2);
    console.log('\nAccessibility tree of two sliders on one page (Playwright aria snapshot):');
    console.log(await page.locator('main').ariaSnapshot());
    const cls = await page.evaluate(() => new Promise((resolve) => {
      new PerformanceObserver((l) => resolve(l.getEntries().reduce((t, e) => t + e.value, 0)))
        .observe({ type: 'layout-shift', buffered: true });
      setTimeout(() => resolve(0), 1000);
    }));
    console.log(`\nlayout shift of the page with both sliders: ${cls}`);
    console.log(`problems: ${JSON.stringify(page.problems)}`);
  } finally {
    await js.close();
  }
})().catch((e) => {
  console.error(e.stack || e.message);
  process.exit(1);
});
