'use strict';
// Screenshots of published samples at device pixel ratio 2 in headless
// Chromium, one per folder, for a person to compare (exact and smooth).
// Usage: node screenshot_dpr2.js OUT_FOLDER PUBLISHED_FOLDER...
// (each folder holds Sample.html as marivel-publish writes it).
const path = require('node:path');
const { launch } = require(path.join(__dirname, '../../tests/engine/support/browser'));

(async () => {
  const [out, ...folders] = process.argv.slice(2);
  // Reduced motion holds the slider still, so both pictures show the same part.
  const browser = await launch({ viewport: { width: 220, height: 460 }, deviceScaleFactor: 2,
    reducedMotion: 'reduce' });
  try {
    for (const folder of folders) {
      const page = await browser.context.newPage();
      await page.goto('file://' + path.resolve(folder, 'Sample.html'));
      await page.waitForFunction(() => document.querySelector('.slidercontainer')
        && [...document.images].length > 0 && [...document.images].every((i) => i.complete && i.naturalWidth));
      await page.waitForTimeout(500);
      const box = await page.locator('.slidercontainer').boundingBox();
      const file = path.join(out, `sample-dpr2-${path.basename(folder)}.png`);
      await page.screenshot({ path: file, clip: box });
      const shown = await page.evaluate(() => [...document.images].map((i) => i.currentSrc.split('/').pop()));
      console.log(file, shown.join(' '));
      await page.close();
    }
  } finally {
    await browser.close();
  }
})().catch((e) => { console.error(e); process.exit(1); });
