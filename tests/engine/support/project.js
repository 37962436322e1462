'use strict';
// Slider projects for the browser tests: real JPEGs made with ImageMagick, a
// project file written the way the editor saves it, and the page published
// from it by the command line tool of the build.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const SEP = '#$@';
const CRLF = '\r\n';

function binDir() {
  const bin = process.env.MARIVEL_BIN;
  if (!bin) throw new Error('MARIVEL_BIN must name the build\'s bin folder (run the tests through ctest)');
  return bin;
}

// Scratch folders live until the test process ends.
const scratch = [];
process.on('exit', () => scratch.forEach((d) => fs.rmSync(d, { recursive: true, force: true })));
function tempDir(prefix = 'marivel-engine-') {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  scratch.push(dir);
  return dir;
}

// Each distinct picture is drawn once per test process, then copied.
const made = new Map();
let cache;
function convert(file, key, args) {
  if (!made.has(key)) {
    cache = cache || tempDir('marivel-jpegs-');
    const drawn = path.join(cache, `${made.size}.jpg`);
    execFileSync('convert', [...args, drawn]);
    made.set(key, drawn);
  }
  fs.copyFileSync(made.get(key), file);
}

// A photo-like JPEG of the given size; the seed keeps it reproducible and
// the colour tint tells neighbours apart in screenshots.
function makeJpeg(file, width, height, seed = 1, tint = 'none') {
  const args = ['-seed', String(seed), '-size', `${width}x${height}`, 'plasma:fractal'];
  if (tint !== 'none') args.push('-fill', tint, '-colorize', '45%');
  convert(file, args.join(' '), [...args, '-quality', '90']);
}

// A flat-coloured JPEG: exact pixel colours for the seam checks.
function makeFlatJpeg(file, width, height, colour) {
  const args = ['-size', `${width}x${height}`, `xc:${colour}`, '-quality', '95'];
  convert(file, args.join(' '), args);
}

const APPLET_DEFAULTS = {
  name: 'VSlider1', width: 168, height: 400, step: 1, delay: 39, gap: 0, trailer: 0,
  bg: 'FFFFFF', imageBorder: [4, 2, 'DBEAF5'], containerBorder: [4, 0, 'FFFF00'],
};

// The 20 slider fields in file order, as a committed editor pane leaves them.
function appletFields(o) {
  return [
    o.name, o.name + 'cfg', o.name + '_div', o.width, o.height, o.step, o.delay, o.gap,
    o.trailer, o.bg, o.name + 'cfg', ...o.imageBorder, ...o.containerBorder, '', '', '1',
  ].map(String);
}

// The 9 item fields: image file, source path, link, target, tooltip, size,
// level, reserved. Size and file name are left for the publisher to fill.
function itemFields(it) {
  return [
    it.imageFile || '', it.source || '', it.link || '', it.target ?? '_self', it.tip || '',
    it.imageWidth ?? '', it.imageHeight ?? '', '0', '',
  ].map(String);
}

function projectText(applet, items) {
  const line = (fields) => fields.map((f) => f + SEP).join('');
  return [
    '<Warning_Info>',
    'Note: This file was created and maintained by Marivel 1.1.',
    'Do not modify it or script project may not be opened again!',
    '</Warning_Info>',
    '<Product_Name>', 'Marivel', '</Product_Name>',
    '<Product_Version>', '1.1', '</Product_Version>',
    '<Applet_Parameters>', line(appletFields(applet)), '</Applet_Parameters>',
    '<Item_Parameters>', ...items.map((it) => line(itemFields(it))), '</Item_Parameters>',
  ].map((l) => l + CRLF).join('');
}

// Runs the build's marivel-publish from a private copy of the program folder,
// so parallel tests never share its preview folder or generated files.
function publish(mvl, outDir) {
  const program = tempDir('marivel-program-');
  try {
    for (const f of ['marivel-publish', 'tessaline.js']) {
      fs.copyFileSync(path.join(binDir(), f), path.join(program, f));
    }
    fs.chmodSync(path.join(program, 'marivel-publish'), 0o755);
    return execFileSync(path.join(program, 'marivel-publish'), [mvl, '--out', outDir], {
      encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], timeout: 60000,
    });
  } catch (e) {
    throw new Error(`marivel-publish failed: ${e.stderr || e.message}`);
  } finally {
    fs.rmSync(program, { recursive: true, force: true });
  }
}

// Builds a published slider: `items` are {size:[w,h], seed, tint, flat,
// link, target, tip, missing}; `encoding` is the project file's ('latin1'
// unless said). Returns its folder and page address.
function makeSlider(options = {}, dir = tempDir()) {
  const applet = { ...APPLET_DEFAULTS, ...options };
  const base = options.base || 'Slider';
  const sources = path.join(dir, 'sources');
  fs.mkdirSync(sources, { recursive: true });
  const items = (options.items || []).map((it, i) => {
    const source = path.join(sources, `photo${i}.jpg`);
    const [w, h] = it.size || [400, 300];
    if (it.flat) makeFlatJpeg(source, w, h, it.flat);
    else if (!it.missing) makeJpeg(source, w, h, it.seed ?? i + 1, it.tint);
    return { ...it, source };
  });
  const out = path.join(dir, 'site');
  fs.mkdirSync(out, { recursive: true });
  const mvl = path.join(dir, base + '.mvl');
  // Old projects hold a single-byte code page; the editor writes UTF-8.
  fs.writeFileSync(mvl, projectText(applet, items), options.encoding || 'latin1');
  const log = publish(mvl, out);
  const page = path.join(out, base + '.html');
  if (!fs.existsSync(page)) throw new Error(`no page ${page} after publishing:\n${log}`);
  return { dir, out, page, url: 'file://' + page, log, applet };
}

// The slider's <div> in a published page, with the fallback pictures inside.
function divOf(id = 'VSlider1_div') {
  return new RegExp(`<div id="${id}"[^>]*>[\\s\\S]*?</div>`);
}

module.exports = { divOf, binDir, tempDir, makeJpeg, makeFlatJpeg, projectText, publish, makeSlider };
