'use strict';
// Preview from the editor, then the page the browser was handed, in Chromium:
// the slider must be built from the project's photos and move.
const { it } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { execFileSync } = require('node:child_process');
const { launch, open, sliderState } = require('../engine/support/browser');
const { started } = require('../engine/support/seek');

function previewInEditor(handoff) {
  const bin = process.env.MARIVEL_BIN;
  if (!bin) throw new Error('MARIVEL_BIN must name the build\'s bin folder (run the tests through ctest)');
  try {
    execFileSync(path.join(bin, 'preview_handoff'), [], {
      env: { ...process.env, MARIVEL_PREVIEW_HANDOFF: handoff, QT_QPA_PLATFORM: 'offscreen' },
      encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], timeout: 120000,
    });
  } catch (e) {
    throw new Error(`the preview in the editor failed:\n${e.stdout || ''}${e.stderr || e.message}`);
  }
  const [count, page] = fs.readFileSync(path.join(handoff, 'launched.txt'), 'utf8').split('\n');
  assert.equal(count, '1', 'the browser gets exactly one argument');
  return page;
}

it('shows the previewed slider built and moving', { timeout: 180000 }, async () => {
  const handoff = fs.mkdtempSync(path.join(os.tmpdir(), 'marivel-preview-'));
  const browser = await launch();
  try {
    const page = previewInEditor(handoff);
    assert.ok(page.endsWith(`${path.sep}preview${path.sep}~preview.html`), page);
    assert.ok(page.includes(' '), 'the preview folder path holds a blank');

    const tab = await open(browser.context, pathToFileURL(page).href);
    await tab.waitForFunction(() => document.querySelector('.slidercontainer')
      && [...document.images].every((i) => i.complete && i.naturalWidth));
    const st = await sliderState(tab);
    assert.equal(st.images.length, 3);
    // The engine names each picture beside the configuration script.
    assert.deepEqual(st.images.map((i) => i.src),
      ['slider0.jpg', 'slider1.jpg', 'slider2.jpg'].map((n) => new URL(n, pathToFileURL(page)).href));
    assert.ok(st.images.every((i) => i.loaded && i.width === 168), 'every photo is shown at the slider width');
    assert.deepEqual(st.images.map((i) => i.title), ['Photo 1', 'Photo 2', 'Photo 3']);
    assert.equal(st.playState, 'running');

    await started(tab);
    const before = (await sliderState(tab)).offset;
    await tab.waitForTimeout(800);
    const after = (await sliderState(tab)).offset;
    assert.notEqual(after, before, 'the slider moves');
    assert.deepEqual(tab.problems, []);
  } finally {
    await browser.close();
    fs.rmSync(handoff, { recursive: true, force: true });
  }
});
