// SPDX-License-Identifier: MIT
// Loads the built page in headless Chromium, lets the heap grow to its 200
// items and saves the canvas as a PNG.
//
//   node screenshot.mjs SITE_DIR FILE.png
import fs from 'node:fs';
import { canvasPng, decodePng, launch, navigate } from './chromium.mjs';
import { serve } from './serve.mjs';

const [site, file] = process.argv.slice(2);
if (process.argv.length !== 4) {
  console.error('usage: node screenshot.mjs SITE_DIR FILE.png');
  process.exit(2);
}
const growthMs = 200 * 250 + 1500; // 200 steps at one per 250 ms, and a little to spare
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const { server, url } = await serve(site);
let browser;
try {
  browser = await launch();
  const start = Date.now();
  await navigate(browser, url);
  // The first frame fills the root box, the top half of the canvas, with red.
  for (;;) {
    const [r, g, b] = decodePng(await canvasPng(browser)).rgb(10, 10);
    if (r === 255 && g === 0 && b === 0) break;
    if (Date.now() - start > 30000) throw new Error('the page drew no frame within 30 s');
    await sleep(50);
  }
  console.log(`First frame ${Date.now() - start} ms after loading began; ` +
    `letting the heap grow for ${growthMs / 1000} s...`);
  await sleep(growthMs);
  fs.writeFileSync(file, await canvasPng(browser));
} catch (error) {
  console.error(`screenshot: ${error.message}`);
  process.exitCode = 1;
} finally {
  await browser?.close();
  server.close();
}
