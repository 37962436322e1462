#!/usr/bin/env node
'use strict';
// What a long slider costs the network, and whether any picture scrolls into
// view before it has loaded: a 500-image slider served over HTTP to headless
// Chromium throttled through CDP, for this engine and, when given, another
// (for instance the previous release) on the same published files.
// Usage: [MARIVEL_BIN=<build>/bin] node measure_network.js [other-tessaline.js]
//        env: MBIT (1.6), LATENCY ms (150), SECONDS (10), WATCH seconds (20),
//        FAST_STEP px every 10 ms for the fast run (1)
const fs = require('node:fs');
const path = require('node:path');
process.env.MARIVEL_BIN = process.env.MARIVEL_BIN || path.join(__dirname, '..', '..', 'build', 'bin');
const { launch, open } = require('./support/browser');
const { makeSlider, tempDir } = require('./support/project');
const { serve } = require('./support/serve');

const MBIT = Number(process.env.MBIT || 1.6);
const LATENCY = Number(process.env.LATENCY || 150);
const SECONDS = Number(process.env.SECONDS || 10);
const WATCH = Number(process.env.WATCH || 20);
const COUNT = 500;
const FAST_STEP = Number(process.env.FAST_STEP || 1);

async function throttle(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false, latency: LATENCY, downloadThroughput: (MBIT * 1e6) / 8, uploadThroughput: (MBIT * 1e6) / 8,
  });
  return cdp;
}

// Requests and bytes (as sent on the wire) finished in the first SECONDS.
async function traffic(context, url) {
  const page = await open(context, null);
  const cdp = await throttle(page);
  let requests = 0;
  let bytes = 0;
  let images = 0;
  const started = Date.now();
  const inTime = () => Date.now() - started <= SECONDS * 1000;
  const types = new Map();
  cdp.on('Network.responseReceived', (e) => types.set(e.requestId, e.type));
  cdp.on('Network.loadingFinished', (e) => {
    if (!inTime()) return;
    requests++;
    bytes += e.encodedDataLength;
    if (types.get(e.requestId) === 'Image') images++;
  });
  await page.goto(url, { waitUntil: 'commit' });
  await page.waitForTimeout(SECONDS * 1000 + 200);
  await page.close();
  return { requests, images, kb: bytes / 1024 };
}

// Watches every frame for a picture that comes into the box's view without
// having loaded (pictures in view at the start do not count).
async function blanks(context, url) {
  const page = await open(context, null);
  await throttle(page);
  await page.goto(url);
  await page.waitForSelector('.slidercontainer');
  await page.waitForFunction(() => [...document.querySelectorAll('.slidercontainer img')]
    .every((i) => i.getBoundingClientRect().bottom <= 0 || i.getBoundingClientRect().top >=
      document.querySelector('.slidercontainer').getBoundingClientRect().bottom || (i.complete && i.naturalWidth)),
  null, { timeout: 30000 });
  return page.evaluate((ms) => new Promise((resolve) => {
    const box = document.querySelector('.slidercontainer');
    const imgs = [...box.querySelectorAll('img')];
    const seen = new Set();
    let first = true;
    let entered = 0;
    const blank = [];
    const end = performance.now() + ms;
    function frame(now) {
      const b = box.getBoundingClientRect();
      imgs.forEach((img, i) => {
        const r = img.getBoundingClientRect();
        const visible = r.bottom > b.top && r.top < b.bottom;
        if (!visible) {
          seen.delete(i);
          return;
        }
        if (seen.has(i)) return;
        seen.add(i);
        if (first) return;
        entered++;
        if (!(img.complete && img.naturalWidth > 0)) blank.push(img.getAttribute('src') || `(no file) #${i}`);
      });
      first = false;
      if (now < end) requestAnimationFrame(frame);
      else resolve({ entered, blank });
    }
    requestAnimationFrame(frame);
  }), WATCH * 1000);
}

(async () => {
  const other = process.argv[2];
  const dir = tempDir('marivel-network-');
  const items = Array.from({ length: COUNT }, (_, i) => ({
    size: [1000, 750], seed: (i % 25) + 1, link: `http://example.com/${i}`, tip: `photo ${i}`,
  }));
  const made = {};
  for (const [name, step, delay] of [['default', 1, 39], ['fastest', FAST_STEP, 10]]) {
    made[name] = makeSlider({ step, delay, height: 400, items }, path.join(dir, name));
  }
  if (other) {
    for (const name of Object.keys(made)) {
      const copy = path.join(dir, name, 'other');
      fs.cpSync(made[name].out, copy, { recursive: true });
      fs.copyFileSync(other, path.join(copy, 'tessaline.js'));
    }
  }
  const server = await serve(dir);
  const base = server.url.slice(0, -1);
  const browser = await launch();
  try {
    const engines = other ? [['this engine', 'site'], ['other engine', 'other']] : [['this engine', 'site']];
    console.log(`${COUNT} pictures, ${MBIT} Mbit/s, ${LATENCY} ms latency`);
    for (const [label, folder] of engines) {
      const t = await traffic(browser.context, `${base}/default/${folder}/Slider.html`);
      console.log(`${label}: first ${SECONDS} s: ${t.requests} requests (${t.images} pictures), ` +
        `${t.kb.toFixed(1)} KB`);
      // The other engine asks for every picture at once: no blank to watch.
      for (const name of folder === 'site' ? ['default', 'fastest'] : []) {
        const b = await blanks(browser.context, `${base}/${name}/${folder}/Slider.html`);
        console.log(`${label}: ${name} speed, ${WATCH} s: ${b.entered} pictures came into view, ` +
          `${b.blank.length} of them blank ${b.blank.slice(0, 5).join(' ')}`);
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
