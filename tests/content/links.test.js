'use strict';
// The shipped help, sample and templates, as the build lays them out in the
// program folder: the pages the program opens exist, every local link and
// picture resolves, and every shipped project publishes from where it lies.
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const c = require('./content');

const bin = c.binDir();
const read = (file) => fs.readFileSync(file, 'utf8');

test('every page the program opens is in the program folder', () => {
  const opened = [
    'help/index.html', 'samples/index.html', 'help/getting_started.htm',
    'help/customizing_js_script_script_general.htm', 'help/customizing_js_script_script_size.htm',
    'help/customizing_js_script_script_scrolling.htm', 'help/customizing_js_script_script_distance.htm',
    'help/customizing_js_script_script_slider_border.htm', 'help/customizing_js_script_script_image_border.htm',
    'help/customizing_js_script_path_path.htm', 'help/customizing_js_item_general_original_image_path.htm',
    'help/customizing_js_item_general_link.htm', 'help/customizing_js_item_general_tooltip.htm',
  ];
  const missing = opened.filter((page) => !fs.statSync(path.join(bin, page), { throwIfNoEntry: false })?.isFile());
  assert.deepEqual(missing, []);
});

test('every local link, anchor and picture of help and samples resolves', () => {
  const broken = [];
  for (const page of [...c.pagesUnder(path.join(bin, 'help')), ...c.pagesUnder(path.join(bin, 'samples'))]) {
    const html = read(page);
    for (const ref of c.localReferences(html)) {
      const target = ref.file === '' ? page : path.resolve(path.dirname(page), ref.file);
      const where = `${path.relative(bin, page)}: ${ref.attribute}="${ref.value}"`;
      if (!fs.existsSync(target)) broken.push(`${where} (no such file)`);
      else if (ref.fragment && /\.html?$/i.test(target) && !c.hasAnchor(read(target), ref.fragment))
        broken.push(`${where} (no such anchor)`);
    }
  }
  assert.deepEqual(broken, []);
});

test('every help page can be reached from the contents', () => {
  const help = path.join(bin, 'help');
  const reached = new Set([path.join(help, 'index.html')]);
  for (const queue = [...reached]; queue.length;) {
    const page = queue.shift();
    for (const ref of c.localReferences(read(page))) {
      const target = path.resolve(path.dirname(page), ref.file);
      if (/\.html?$/i.test(target) && target.startsWith(help + path.sep) && fs.existsSync(target) &&
          !reached.has(target)) {
        reached.add(target);
        queue.push(target);
      }
    }
  }
  const orphans = c.pagesUnder(help).filter((p) => !reached.has(p)).map((p) => path.relative(help, p));
  assert.deepEqual(orphans, []);
});

// The help window lays pictures out by the sizes the page gives; a picture
// replaced without its tag would be shown stretched.
test('help pictures are tagged with their real size', () => {
  const wrong = [];
  for (const page of c.pagesUnder(path.join(bin, 'help'))) {
    for (const m of read(page).matchAll(/<img\b[^>]*>/gi)) {
      const attr = (name) => (m[0].match(new RegExp(`\\s${name}="([^"]*)"`)) || [])[1];
      const where = `${path.basename(page)}: ${attr('src')}`;
      if (!attr('width') || !attr('height') || attr('alt') === undefined) {
        wrong.push(`${where} needs width, height and alt`);
        continue;
      }
      const size = c.pictureSize(path.resolve(path.dirname(page), attr('src')));
      if (size.width !== Number(attr('width')) || size.height !== Number(attr('height')))
        wrong.push(`${where} is ${size.width}x${size.height}, tagged ${attr('width')}x${attr('height')}`);
      if (size.width > 370) wrong.push(`${where} is wider than the help window (${size.width})`);
    }
  }
  assert.deepEqual(wrong, []);
});

test('the sample page shows and uses the lines Marivel wrote for the sample', () => {
  const samples = path.join(bin, 'samples');
  const written = new Set(read(path.join(samples, 'Sample.html')).split('\r\n'));
  const index = read(path.join(samples, 'index.html'));
  const unescape = (s) => s.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&amp;/g, '&');
  const shown = [...index.matchAll(/<pre class="snippet">([\s\S]*?)<\/pre>/g)]
    .flatMap((m) => unescape(m[1]).split('\n'));
  // The div holds the pictures as plain links, one line each.
  const div = [...written].filter((l) => /^<div id=|^<a href=|^<\/div>$/.test(l)).length;
  assert.equal(shown.length, 3 + div, 'three lines for the head and the div with its pictures');
  assert.ok(div > 2);
  for (const line of shown) {
    assert.ok(written.has(line), `shown but not written by Marivel: ${line}`);
    assert.ok(index.includes(line + '\n'), `shown but not used by the page itself: ${line}`);
  }
});

test('shipped projects name their pictures relative to themselves and publish them all', () => {
  const projects = [path.join(bin, 'samples', 'Sample.mvl'), ...c.templates()];
  assert.ok(projects.length >= 4, 'the sample and at least three templates');
  for (const project of projects) {
    const name = path.relative(bin, project);
    const originals = c.originalImagePaths(project);
    assert.ok(originals.length > 0, `${name} has items`);
    for (const original of originals) {
      assert.ok(original && !path.isAbsolute(original), `${name}: "${original}" is not a relative path`);
    }
    const run = c.publish(project);
    assert.equal(run.status, 0, `${name}: ${run.stderr}`);
    assert.doesNotMatch(run.stdout, /Warning/, `${name}: ${run.stdout}`);
    originals.forEach((_, k) => {
      const size = c.pictureSize(path.join(run.out, `slider${k}.jpg`));
      assert.ok(size.width > 0 && size.height > 0, `${name}: slider${k}.jpg`);
    });
  }
});
