'use strict';
// Page-side helpers that stop a slider's animation at a chosen time or offset
// and read back what the compositor would show.

// Pauses slider `index` at animation time `ms`; returns the offset shown.
async function seek(page, ms, index = 0) {
  return page.evaluate(([t, i]) => {
    const track = document.querySelectorAll('.slidercontainer')[i].firstElementChild;
    const anim = track.getAnimations()[0];
    anim.pause();
    anim.currentTime = t;
    return -new DOMMatrixReadOnly(getComputedStyle(track).transform).m42;
  }, [ms, index]);
}

// The animation's duration (one period of motion) and its play state.
async function timing(page, index = 0) {
  return page.evaluate((i) => {
    const anim = document.querySelectorAll('.slidercontainer')[i].firstElementChild.getAnimations()[0];
    return anim ? { duration: anim.effect.getTiming().duration, playState: anim.playState } : null;
  }, index);
}

// Offset now, and the wall-clock time it belongs to, read on a fresh frame.
async function sample(page, index = 0) {
  return page.evaluate((i) => new Promise((resolve) => requestAnimationFrame(() => {
    const track = document.querySelectorAll('.slidercontainer')[i].firstElementChild;
    resolve({
      time: document.timeline.currentTime,
      offset: -new DOMMatrixReadOnly(getComputedStyle(track).transform).m42,
    });
  })), index);
}

// Waits until every animation has really started: until then a new or
// resumed animation holds its picture while time goes on.
async function started(page) {
  await page.evaluate(() => Promise.all(document.getAnimations().map((a) => a.ready)));
}

// Decodes a PNG screenshot in the browser and tells, for every row, whether
// its middle pixel has the colour [r, g, b] (within a small tolerance).
async function rowsOfColour(page, png, [r, g, b]) {
  return page.evaluate(async ([data, rgb]) => {
    const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const ctx = canvas.getContext('2d');
    ctx.drawImage(bitmap, 0, 0);
    const x = bitmap.width >> 1;
    const rows = [];
    for (let y = 0; y < bitmap.height; y++) {
      const p = ctx.getImageData(x, y, 1, 1).data;
      rows.push(Math.abs(p[0] - rgb[0]) + Math.abs(p[1] - rgb[1]) + Math.abs(p[2] - rgb[2]) < 24);
    }
    return rows;
  }, [png.toString('base64'), [r, g, b]]);
}

module.exports = { seek, timing, sample, started, rowsOfColour };
