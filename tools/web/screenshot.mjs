// SPDX-License-Identifier: MIT
// Loads the built page in headless Chromium, lets the heap grow to its 200
// items and saves a picture of the whole page as a PNG. Given a QUERY (a
// lesson link's, "?mode=try&..."), it saves the picture and its controls as
// that link opens them instead, at once.
//
//   node screenshot.mjs SITE_DIR FILE.png [QUERY]
import { launch, newPage } from './browser.mjs';
import { serve } from './serve.mjs';

const [site, file] = process.argv.slice(2);
const query = process.argv[4];
if (process.argv.length !== 4 && !(process.argv.length === 5 && query.startsWith('?'))) {
  console.error('usage: node screenshot.mjs SITE_DIR FILE.png [?QUERY]');
  process.exit(2);
}
const growthMs = 200 * 250 + 1500; // 200 steps at one per 250 ms, and a little to spare

const { server, url } = await serve(site);
let browser;
try {
  browser = await launch();
  const page = await newPage(browser);
  await page.goto(url + (query ?? ''));
  await page.waitForFunction(() => Module.heapViewPage.firstFrameAt !== null,
    undefined, { timeout: 30000 });
  if (query) {
    // The picture and its controls, and the linked structure under them.
    const top = await page.locator('.stage').boundingBox();
    const bottom = await page.locator('#structure-view').boundingBox();
    await page.screenshot({ path: file, fullPage: true, clip: { x: top.x, y: top.y,
      width: top.width, height: bottom.y + bottom.height - top.y } });
    console.log(`Saved the page as ${query} opens it`);
  } else {
    const firstFrame = await page.evaluate(() => Module.heapViewPage.firstFrameAt);
    console.log(`First frame ${Math.round(firstFrame)} ms after navigation began; ` +
      `letting the heap grow for ${growthMs / 1000} s...`);
    await page.waitForTimeout(growthMs);
    await page.screenshot({ path: file, fullPage: true });
  }
} catch (error) {
  console.error(`screenshot: ${error.message}`);
  process.exitCode = 1;
} finally {
  await browser?.close();
  server.close();
}
