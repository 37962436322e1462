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

test('the sample page and every template run in the browser', { timeout: 180000 }, async () => {
  const pages = [{ name: 'samples/index.html', file: path.join(c.binDir(), 'samples', 'index.html'), items: 4 }];
  for (const project of c.templates()) {
    const run = c.publish(project);
    assert.equal(run.status, 0, run.stderr);
    const base = path.basename(project, '.mvl');
    pages.push({ name: `templates/${base}`, file: path.join(run.out, `${base}.html`),
      items: c.originalImagePaths(project).length });
  }
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
