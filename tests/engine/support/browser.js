'use strict';
// Headless Debian Chromium for the engine tests: never a downloaded browser,
// a fresh profile per launch, and every page error collected for the checks.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

let chromium;
try {
  ({ chromium } = require('playwright-core'));
} catch (e) {
  throw new Error('playwright-core is missing: run scripts/install-deps.sh (npm ci in tests/engine)');
}

const CHROMIUM = process.env.MARIVEL_CHROMIUM || '/usr/bin/chromium';
const ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

// Launches Chromium with a throw-away profile. Options go to the context
// (deviceScaleFactor, reducedMotion, viewport ...).
//
// The start has no clock of its own: the first start after a build reads
// the browser and its libraries from a disk cache the compiler has just
// emptied, on cores the other tests keep busy, and a fixed 30 s made
// whichever browser test came first fail at random. The waits get a minute.
// Each test's own time limit still ends a browser that never comes.
async function launch(contextOptions = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'marivel-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ARGS,
    viewport: { width: 800, height: 600 },
    timeout: 0,
    ...contextOptions,
  });
  context.setDefaultTimeout(60000);
  return {
    context,
    async close() {
      await context.close().catch(() => {});
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Every page opened, for closePages(): a suite's afterEach closes them
// whether its test passed or failed, so a failed assertion never leaves a
// page running until the process times out.
const opened = new Set();
async function closePages() {
  const pages = [...opened];
  opened.clear();
  await Promise.all(pages.map((p) => p.close().catch(() => {})));
}

// Launches a browser for fn(browser) and closes it whatever fn does.
async function withBrowser(contextOptions, fn) {
  const browser = await launch(contextOptions);
  try {
    return await fn(browser);
  } finally {
    await browser.close();
  }
}

// Opens url in a new page that records uncaught errors, console errors and
// failed requests other than the ones a test expects (`allowMissing`).
async function open(context, url, { allowMissing = [] } = {}) {
  const page = await context.newPage();
  opened.add(page);
  page.on('close', () => opened.delete(page));
  page.problems = [];
  page.on('pageerror', (e) => page.problems.push('page error: ' + e.message));
  page.on('console', (m) => {
    if (m.type() !== 'error') return;
    const source = m.location().url || '';
    if (!allowMissing.some((name) => source.endsWith('/' + name))) {
      page.problems.push('console error: ' + m.text());
    }
  });
  page.on('requestfailed', (r) => {
    if (!allowMissing.some((name) => r.url().endsWith('/' + name))) {
      page.problems.push('failed request: ' + r.url());
    }
  });
  if (url) await page.goto(url);
  return page;
}

// What a slider looks like from the outside: its container, the images of
// the original run, the motion and the offset the visitor sees.
async function sliderState(page, index = 0) {
  return page.evaluate((i) => {
    const box = document.querySelectorAll('.slidercontainer')[i];
    if (!box) return null;
    const track = box.firstElementChild;
    const runs = [...track.children];
    const anim = track.getAnimations()[0] || null;
    const m = new DOMMatrixReadOnly(getComputedStyle(track).transform);
    const rect = (e) => {
      const r = e.getBoundingClientRect();
      return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height };
    };
    return {
      hostId: box.parentElement.id,
      box: rect(box),
      host: rect(box.parentElement),
      client: { width: box.clientWidth, height: box.clientHeight },
      scrollHeight: box.scrollHeight,
      scrollTop: box.scrollTop,
      overflowY: getComputedStyle(box).overflowY,
      background: getComputedStyle(box).backgroundColor,
      runs: runs.map((r) => ({
        top: r.offsetTop,
        height: r.offsetHeight,
        inert: r.inert,
        ariaHidden: r.getAttribute('aria-hidden'),
        shown: getComputedStyle(r).display !== 'none',
      })),
      images: [...runs[0].querySelectorAll('img')].map((img) => {
        const a = img.parentElement.tagName === 'A' ? img.parentElement : null;
        return {
          className: img.className,
          src: img.getAttribute('src'),
          title: img.title,
          alt: img.alt,
          hasTitle: img.hasAttribute('title'),
          width: img.width,
          height: img.height,
          top: (a || img).offsetTop,
          outerHeight: img.offsetHeight,
          rect: rect(img),
          loaded: img.complete && img.naturalWidth > 0,
          href: a ? a.getAttribute('href') : null,
          target: a ? a.getAttribute('target') : null,
        };
      }),
      playState: anim ? anim.playState : null,
      offset: -m.m42 || 0,
    };
  }, index);
}

module.exports = { launch, open, sliderState, closePages, withBrowser };
