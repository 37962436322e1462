#!/usr/bin/env node
'use strict';
// The slider on a slow network: blank frames at three speeds, and requests
// and kilobytes in the first seconds, for 500 pictures served over HTTP to
// headless Chromium throttled through CDP (1.6 Mbit/s, 150 ms latency).
// Usage: node bench/engine/network.js [--bin <program folder>] [--runs N]
//   --bin  the folder holding marivel-publish and tessaline.js (default
//          build/bin of this checkout); pass another build's to compare.
//   env:   COUNT (500), WATCH seconds per blank-frame run (20), SECONDS (10)
const fs = require('node:fs');
const path = require('node:path');
const args = process.argv.slice(2);
const opt = (name, d) => (args.includes(name) ? args[args.indexOf(name) + 1] : d);
const root = path.join(__dirname, '..', '..');
process.env.MARIVEL_BIN = path.resolve(opt('--bin', path.join(root, 'build', 'bin')));
const engineTests = path.join(root, 'tests', 'engine');
const { launch, open } = require(path.join(engineTests, 'support', 'browser'));
const { makeSlider, tempDir } = require(path.join(engineTests, 'support', 'project'));
const { serve } = require(path.join(engineTests, 'support', 'serve'));

const COUNT = Number(process.env.COUNT || 500);
const WATCH = Number(process.env.WATCH || 20);
const SECONDS = Number(process.env.SECONDS || 10);
const RUNS = Number(opt('--runs', 1));
const SPEEDS = [['25 px/s', 1, 39], ['150 px/s', 3, 20], ['1000 px/s', 10, 10]];

async function throttle(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions',
    { offline: false, latency: 150, downloadThroughput: 200000, uploadThroughput: 200000 });
  return cdp;
}

// Requests, pictures and KB finished in the first SECONDS; the most
// picture requests open at once.
async function traffic(context, url) {
  const page = await open(context, null);
  const cdp = await throttle(page);
  const t0 = Date.now();
  const jpg = new Set();
  let requests = 0; let pictures = 0; let bytes = 0; let flying = 0; let most = 0;
  cdp.on('Network.requestWillBeSent', (e) => {
    if (/\.jpg$/.test(e.request.url)) { jpg.add(e.requestId); most = Math.max(most, ++flying); }
  });
  const end = (e) => { if (jpg.delete(e.requestId)) flying--; };
  cdp.on('Network.loadingFailed', end);
  cdp.on('Network.loadingFinished', (e) => {
    const isJpg = jpg.has(e.requestId);
    end(e);
    if (Date.now() - t0 > SECONDS * 1000) return;
    requests++;
    bytes += e.encodedDataLength;
    if (isJpg) pictures++;
  });
  await page.goto(url, { waitUntil: 'commit' });
  await page.waitForTimeout(SECONDS * 1000 + 300);
  await page.close();
  return { requests, pictures, kb: bytes / 1024, most };
}

// Frames, from the slider's first, in which a picture that came into view
// by moving shows without having arrived; and the first such picture.
async function blanks(context, url) {
  const page = await open(context, null);
  await throttle(page);
  await page.goto(url, { waitUntil: 'commit' });
  await page.waitForSelector('.slidercontainer', { state: 'attached', timeout: 60000 });
  const r = await page.evaluate((ms) => new Promise((resolve) => {
    const box = document.querySelector('.slidercontainer');
    const imgs = [...box.querySelectorAll('img')];
    const start = performance.now();
    const shown = new Set();
    let first = true; let frames = 0; let entered = 0; let firstBlank = null;
    requestAnimationFrame(function frame(now) {
      const b = box.getBoundingClientRect();
      let blank = false;
      imgs.forEach((img, i) => {
        const q = img.getBoundingClientRect();
        if (!(q.bottom > b.top && q.top < b.bottom)) return void shown.delete(i);
        const here = img.complete && img.naturalWidth > 0;
        if (!shown.has(i)) { shown.add(i); if (!first) entered++; }
        if (first || here || img.dataset.atStart) { if (first) img.dataset.atStart = 1; return; }
        blank = true;
        if (!firstBlank) firstBlank = `${img.getAttribute('src') || '#' + i} at ${((now - start) / 1000).toFixed(1)} s`;
      });
      first = false;
      frames += blank ? 1 : 0;
      if (now - start < ms) requestAnimationFrame(frame);
      else resolve({ frames, entered, firstBlank });
    });
  }), WATCH * 1000);
  await page.close();
  return r;
}

(async () => {
  const dir = tempDir('marivel-bench-network-');
  const items = Array.from({ length: COUNT }, (_, i) => ({
    size: [1000, 750], seed: (i % 25) + 1, link: `http://example.com/${i}`, tip: `photo ${i}`,
  }));
  for (const [label, step, delay] of SPEEDS) {
    makeSlider({ step, delay, height: 400, items }, path.join(dir, label.replace(/\W/g, '')));
  }
  const server = await serve(dir);
  const browser = await launch();
  const url = (label) => `${server.url}${label.replace(/\W/g, '')}/site/Slider.html`;
  try {
    console.log(`engine ${process.env.MARIVEL_BIN}/tessaline.js: ${COUNT} pictures, 1.6 Mbit/s, 150 ms latency`);
    console.log(`\n| speed | run | blank frames in ${WATCH} s | pictures that came into view | first blank |`);
    console.log('|---|---|---|---|---|');
    for (const [label] of SPEEDS) {
      for (let run = 1; run <= RUNS; run++) {
        const b = await blanks(browser.context, url(label));
        console.log(`| ${label} | ${run} | ${b.frames} | ${b.entered} | ${b.firstBlank || '-'} |`);
      }
    }
    console.log(`\n| speed | run | requests in ${SECONDS} s | pictures | KB | most pictures asked at once |`);
    console.log('|---|---|---|---|---|---|');
    for (const label of ['25 px/s', '1000 px/s']) {
      for (let run = 1; run <= RUNS; run++) {
        const t = await traffic(browser.context, url(label));
        console.log(`| ${label} | ${run} | ${t.requests} | ${t.pictures} | ${t.kb.toFixed(0)} | ${t.most} |`);
      }
    }
  } finally {
    await browser.close();
    await server.close();
  }
})().catch((e) => {
  console.error(e.stack || e.message);
  process.exit(1);
});
