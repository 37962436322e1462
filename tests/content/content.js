'use strict';
// What the checks of the shipped content share: the program folder of the
// build, the local links of a page, picture sizes, and publishing a project
// with the build's marivel-publish.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');

function binDir() {
  const bin = process.env.MARIVEL_BIN;
  if (!bin) throw new Error('MARIVEL_BIN must name the build\'s bin folder (run the tests through ctest)');
  return bin;
}

function pagesUnder(folder) {
  return fs.readdirSync(folder, { recursive: true })
    .filter((name) => /\.html?$/i.test(name))
    .map((name) => path.join(folder, name));
}

// Every href and src of a page that names a file of ours (no scheme, no
// network path), with the fragment split off.
const ATTRIBUTE = /<[a-z]+\b[^>]*?\s(href|src)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+))/gi;
function localReferences(html) {
  const refs = [];
  for (const m of html.matchAll(ATTRIBUTE)) {
    const value = m[2] ?? m[3] ?? m[4];
    if (/^[a-z][a-z0-9+.-]*:/i.test(value) || value.startsWith('//')) continue;
    const [file, fragment] = value.split('#');
    refs.push({ attribute: m[1].toLowerCase(), value, file: decodeURI(file.split('?')[0]), fragment });
  }
  return refs;
}

function hasAnchor(html, name) {
  const quoted = name.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  return new RegExp(`\\s(id|name)\\s*=\\s*["']?${quoted}["'\\s>]`).test(html);
}

// Width and height of a PNG or JPEG file, from its header.
function pictureSize(file) {
  const b = fs.readFileSync(file);
  if (b.readUInt32BE(0) === 0x89504e47) return { width: b.readUInt32BE(16), height: b.readUInt32BE(20) };
  if (b[0] === 0xff && b[1] === 0xd8) {
    for (let i = 2; i + 9 < b.length;) {
      if (b[i] !== 0xff) throw new Error(`${file}: damaged JPEG marker at ${i}`);
      const marker = b[i + 1];
      const isFrame = marker >= 0xc0 && marker <= 0xcf && ![0xc4, 0xc8, 0xcc].includes(marker);
      if (isFrame) return { width: b.readUInt16BE(i + 7), height: b.readUInt16BE(i + 5) };
      i += 2 + b.readUInt16BE(i + 2);
    }
  }
  throw new Error(`${file}: not a PNG or JPEG picture`);
}

// The picture paths a project file names, in item order.
function originalImagePaths(projectFile) {
  const lines = fs.readFileSync(projectFile, 'latin1').split('\r\n');
  const start = lines.indexOf('<Item_Parameters>');
  const end = lines.indexOf('</Item_Parameters>');
  return lines.slice(start + 1, end).map((line) => line.split('#$@')[1]);
}

const scratch = [];
process.on('exit', () => scratch.forEach((d) => fs.rmSync(d, { recursive: true, force: true })));

// Publishes a project into a fresh folder. It runs from an unrelated folder:
// pictures are found from the project's own folder, wherever it lies.
function publish(projectFile) {
  const out = fs.mkdtempSync(path.join(os.tmpdir(), 'marivel-content-'));
  scratch.push(out);
  const run = spawnSync(path.join(binDir(), 'marivel-publish'), [projectFile, '--out', out],
    { cwd: os.tmpdir(), encoding: 'utf8' });
  return { out, status: run.status, stdout: run.stdout, stderr: run.stderr };
}

function templates() {
  const folder = path.join(binDir(), 'templates');
  return fs.readdirSync(folder).filter((n) => n.endsWith('.mvl')).map((n) => path.join(folder, n));
}

module.exports = {
  binDir, pagesUnder, localReferences, hasAnchor, pictureSize, originalImagePaths, publish, templates,
};
