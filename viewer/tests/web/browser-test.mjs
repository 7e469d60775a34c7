// SPDX-License-Identifier: MIT
// The browser build in headless Chromium, as a visitor sees it: the canvas's
// pixels against the desktop geometry, every label read back exactly in GLUT's
// glyphs, the growth rate, and what clicks and keys write.
//
//   node browser-test.mjs SITE_DIR GLYPHS_INC
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { canvasBox, canvasPng, decodePng, evaluate, launch, navigate } from
  '../../web/chromium.mjs';
import { serve } from '../../web/serve.mjs';

const [site, glyphFile] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const side = 400;

/// { kHelvetica10: Map(character -> glyph), kHelvetica18: ... } from the table.
function readGlyphs(text) {
  const fonts = {};
  for (const [, name, body] of text.matchAll(/const Glyph (\w+)\[\] = \{([\s\S]*?)\n\};/g)) {
    fonts[name] = new Map();
    for (const [, c, advance, left, bottom, rows] of
      body.matchAll(/\{'(.)', (-?\d+), (-?\d+), (-?\d+),\s*((?:"[^"]*"\s*)+)\}/g)) {
      const bitmap = [...rows.matchAll(/"([^"]*)"/g)].map((m) => m[1]).join('').split('\\n');
      fonts[name].set(c, { c, advance: +advance, left: +left, bottom: +bottom, bitmap });
    }
  }
  return fonts;
}

// Drawing units to pixels: the viewport is one pixel short of the canvas.
const pixel = (unit) => Math.floor((unit * (side - 1)) / side);
const colourAt = (frame, x, windowY) => {
  const [r, g, b] = frame.rgb(x, side - 1 - windowY);
  if (r === 255 && g === 0 && b === 0) return 'red';
  if (r === 0 && g === 0 && b === 0) return 'black';
  if (r === 255 && g === 255 && b === 255) return 'white';
  return 'other';
};

/// The boxes of the first 63 heap positions (depths 0 to 5), in level order.
function boxes() {
  const all = [{ width: 400, height: 200, x: 200, y: 300 }];
  for (let i = 0; all.length < 63; ++i) {
    const { width, height, x, y } = all[i];
    const w2 = Math.trunc(width / 2);
    const h2 = Math.trunc(height / 2);
    const cy = y - h2 - Math.trunc(h2 / 2);
    all.push({ width: w2, height: h2, x: x - Math.trunc(w2 / 2), y: cy },
      { width: w2, height: h2, x: x + Math.trunc(w2 / 2), y: cy });
  }
  return all;
}

/// How many heap positions are drawn: a drawn box is red just right of its
/// left edge (clear of any label), an empty position white.
function drawnCount(frame) {
  const drawn = boxes().map((box) =>
    colourAt(frame, pixel(box.x - Math.trunc(box.width / 2) + 2), pixel(box.y)) === 'red');
  const count = drawn.indexOf(false) < 0 ? drawn.length : drawn.indexOf(false);
  assert.ok(drawn.slice(count).every((d) => !d), `boxes drawn out of level order: ${drawn}`);
  return count;
}

/// Reads the label of box back from the pixels: the text whose glyphs, drawn
/// from the label's raster position, match the ink around it exactly.
function readLabel(frame, box, fonts) {
  const large = box.height >= 18;
  const font = large ? fonts.kHelvetica18 : fonts.kHelvetica10;
  for (let length = 1; length <= 4; ++length) {
    const startUnits = large ? box.x - length * 4.5 : box.x - 3 * length;
    let penX = Math.floor((startUnits * (side - 1)) / side + 0.0001);
    const penY = Math.floor(((box.y - (large ? 9 : 5)) * (side - 1)) / side + 0.0001);
    const ink = new Set();
    let text = '';
    for (let i = 0; i < length; ++i) {
      const glyph = [...font.values()].find((g) => matches(frame, g, penX, penY));
      if (!glyph) break;
      glyph.bitmap.forEach((row, r) => [...row].forEach((cell, c) => {
        if (cell === '#') {
          ink.add(`${penX + glyph.left + c},${penY + glyph.bottom + glyph.bitmap.length - 1 - r}`);
        }
      }));
      text += glyph.c;
      penX += glyph.advance;
    }
    if (text.length !== length) continue;
    // No stray ink anywhere inside the box, away from its outline.
    const [left, right] = [pixel(box.x - box.width / 2) + 2, pixel(box.x + box.width / 2) - 2];
    const [bottom, top] = [pixel(box.y - box.height / 2) + 2, pixel(box.y + box.height / 2) - 2];
    let stray = false;
    for (let y = bottom; y <= top && !stray; ++y) {
      for (let x = left; x <= right && !stray; ++x) {
        stray = (colourAt(frame, x, y) === 'black') !== ink.has(`${x},${y}`);
      }
    }
    if (!stray) return text;
  }
  return null;
}

/// Whether glyph, drawn with its origin at window pixel (x, y), is exactly
/// what the frame holds over the glyph's extent.
function matches(frame, glyph, x, y) {
  return glyph.bitmap.every((row, r) => [...row].every((cell, c) => {
    const colour = colourAt(frame, x + glyph.left + c, y + glyph.bottom + glyph.bitmap.length - 1 - r);
    return (cell === '#') === (colour === 'black');
  }));
}

const fonts = readGlyphs(fs.readFileSync(glyphFile, 'utf8'));
const { server, url } = await serve(site);
const browser = await launch();
try {
  const lines = [];
  const problems = [];
  browser.onEvent((method, params) => {
    if (method === 'Runtime.consoleAPICalled') {
      const text = params.args.map((a) => a.value).join(' ');
      if (params.type === 'log') lines.push(text);
      if (params.type === 'error') problems.push(text);
    } else if (method === 'Runtime.exceptionThrown') {
      problems.push(params.exceptionDetails.exception?.description ??
        params.exceptionDetails.text);
    }
  });
  const frame = async () => decodePng(await canvasPng(browser));

  const start = Date.now();
  await navigate(browser, url);
  assert.equal(await evaluate(browser, 'document.title'), 'Heap View');
  const box = await canvasBox(browser);
  assert.deepEqual([box.width, box.height], [side, side]);
  while (colourAt(await frame(), 10, 390) !== 'red') {
    assert.ok(Date.now() - start < 30000, 'no frame drawn within 30 s of loading');
    await sleep(50);
  }
  console.log(`first frame ${Date.now() - start} ms after loading began`);

  // Growth: about four new boxes a second. The bounds are loose for a busy
  // machine; a frame per display refresh or a stalled timer is far outside.
  const early = await frame();
  const earlyAt = Date.now();
  await sleep(6000);
  const later = await frame();
  const rate = ((drawnCount(later) - drawnCount(early)) * 1000) / (Date.now() - earlyAt);
  console.log(`growth: ${drawnCount(early)} then ${drawnCount(later)} boxes, ${rate.toFixed(2)}/s`);
  assert.ok(rate >= 2 && rate <= 4.4, `growth rate ${rate.toFixed(2)} boxes/s, not about 4`);

  // The desktop geometry: the root box spans the top half in red, outlined in
  // black where it meets the depth-1 boxes, which meet at x = 200.
  let red = 0;
  for (let y = 205; y < 395; ++y) {
    for (let x = 5; x < 395; ++x) red += colourAt(later, x, y) === 'red' ? 1 : 0;
  }
  assert.ok(red > 0.9 * 190 * 390, `root box only ${red} red pixels`);
  const blackNear = (cells) => cells.some(([x, y]) => colourAt(later, x, y) === 'black');
  assert.ok(blackNear([198, 199, 200, 201].map((y) => [50, y])), 'no outline at y = 200');
  assert.ok(blackNear([198, 199, 200, 201].map((x) => [x, 150])), 'no outline at x = 200');
  assert.equal(colourAt(later, 200, 2), 'white', 'the bottom rows are not empty yet');

  // Every label up to depth 4, read back exactly, and the values they show
  // form a min-heap.
  const all = boxes();
  const values = [];
  for (let i = 0; i < Math.min(drawnCount(later), 31); ++i) {
    const label = readLabel(later, all[i], fonts);
    assert.ok(label !== null, `label of box ${i} is not GLUT's glyphs at their places`);
    values.push(Number(label));
  }
  values.forEach((v, i) => assert.ok(i === 0 || values[(i - 1) >> 1] <= v,
    `labels ${values} are not in heap order`));

  // Input: a left and a right click report on press and release each, p once,
  // P (shift) nothing, a click off the canvas nothing. The same lines go to the console and the page's log.
  const mouse = (type, button, y = box.y + 100) => browser.page('Input.dispatchMouseEvent',
    { type, button, x: box.x + 100, y, clickCount: 1 });
  const key = (text, modifiers = 0) => browser.page('Input.dispatchKeyEvent', {
    type: 'keyDown', key: text, code: `Key${text.toUpperCase()}`, text, modifiers,
    windowsVirtualKeyCode: text.toUpperCase().charCodeAt(0),
  });
  const before = lines.length;
  await mouse('mousePressed', 'left');
  await mouse('mouseReleased', 'left');
  await mouse('mousePressed', 'right');
  await mouse('mouseReleased', 'right');
  await key('p');
  await key('P', 8);
  // A click beside the picture (on the log) is not the program's.
  await mouse('mousePressed', 'left', box.y + side + 20);
  await mouse('mouseReleased', 'left', box.y + side + 20);
  await sleep(300);
  const expected = [
    'user clicked the left mouse button', 'user clicked the left mouse button',
    'user clicked the right mouse button', 'user clicked the right mouse button',
    'user pressed the p key',
  ];
  assert.deepEqual(lines.slice(before), expected);
  const log = await evaluate(browser, "document.getElementById('log').textContent");
  assert.equal(log, expected.map((line) => line + '\n').join(''));

  // q stops the animation, says so, and nothing answers input afterwards.
  await key('q');
  await sleep(300);
  const stopped = await frame();
  await sleep(1000);
  await mouse('mousePressed', 'left');
  assert.equal(drawnCount(await frame()), drawnCount(stopped), 'boxes still being added');
  assert.match(await evaluate(browser, "document.getElementById('log').textContent"),
    /has quit \(status 0\)/);
  assert.equal(lines.length, before + expected.length, 'input answered after quitting');
  assert.deepEqual(problems, [], 'errors on the page');
  console.log('browser test passed');
} finally {
  await browser.close();
  server.close();
}
