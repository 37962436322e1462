'use strict';
// The shipped sample page and every shipped template, opened in headless
// Chromium: the slider is built, its pictures load and its links lead to
// files that exist.
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { fileURLToPath, pathToFileURL } = require('node:url');
const { launch, open, sliderState } = require('../engine/support/browser');
const { serve } = require('../engine/support/serve');
const c = require('./content');

async function builtSlider(context, file) {
  const page = await open(context, pathToFileURL(file).href);
  await page.waitForFunction(() => document.querySelector('.slidercontainer') &&
    [...document.images].every((i) => i.complete));
  const state = await sliderState(page);
  const links = await page.evaluate(() => [...document.querySelectorAll('.slidercontainer a')].map((a) => a.href));
  await page.close();
  return { state, links, problems: page.problems };
}

// The sample page, the sample's own published page and every template
// published afresh.
function shippedPages() {
  const samples = path.join(c.binDir(), 'samples');
  const pages = [{ name: 'samples/index.html', file: path.join(samples, 'index.html'), items: 4 },
    { name: 'samples/Sample.html', file: path.join(samples, 'Sample.html'), items: 4 }];
  for (const project of c.templates()) {
    const run = c.publish(project);
    assert.equal(run.status, 0, run.stderr);
    const base = path.basename(project, '.mvl');
    pages.push({ name: `templates/${base}`, file: path.join(run.out, `${base}.html`),
      items: c.originalImagePaths(project).length });
  }
  return pages;
}

test('the sample page and every template run in the browser', { timeout: 180000 }, async () => {
  const pages = shippedPages();
  const browser = await launch();
  try {
    for (const p of pages) {
      const { state, links, problems } = await builtSlider(browser.context, p.file);
      assert.deepEqual(problems, [], p.name);
      assert.equal(state.images.length, p.items, `${p.name}: one picture per item`);
      const unloaded = state.images.filter((img) => !img.loaded).map((img) => img.src);
      assert.deepEqual(unloaded, [], `${p.name}: pictures that did not load`);
      const deadFiles = links.filter((href) => href.startsWith('file:') && !fs.existsSync(fileURLToPath(href)));
      assert.deepEqual(deadFiles, [], `${p.name}: links to missing files`);
      assert.ok(state.box.width > 0 && state.box.height > 0, `${p.name}: the slider takes room`);
    }
  } finally {
    await browser.close();
  }
});

test('the sample and every template run under a strict script policy', { timeout: 180000 }, async () => {
  const policy = { 'Content-Security-Policy': "script-src 'self'; style-src 'self' 'unsafe-inline'" };
  const browser = await launch();
  try {
    for (const p of shippedPages()) {
      const server = await serve(path.dirname(p.file), policy);
      const page = await open(browser.context, server.url + path.basename(p.file), { allowMissing: ['favicon.ico'] });
      await page.waitForFunction((n) => document.querySelectorAll('.slidercontainer .sliderimages').length >= n, p.items);
      await page.waitForTimeout(500); // a refused retry timer would have reported by now
      assert.deepEqual(page.problems, [], p.name);
      await page.close();
      await server.close();
    }
  } finally {
    await browser.close();
  }
});
