// SPDX-License-Identifier: MIT
// Debian's Chromium, headless, through playwright-core (no browser of its
// own is ever downloaded), and what the scripts and tests need beside it:
// the canvas's pixels and the accessibility checker's script.
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { chromium } from 'playwright-core';
import pngjs from 'pngjs';

const require = createRequire(import.meta.url);

/// The page's viewport: room for the canvas beside its controls.
export const viewport = { width: 900, height: 1000 };

/// A fresh headless Chromium (playwright gives each launch a new profile).
export function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    chromiumSandbox: false,
    args: [
      // WebGL without a GPU: ANGLE on SwiftShader, Chromium's software renderer.
      '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--disable-quic', '--mute-audio', '--hide-scrollbars',
    ],
  });
}

/// A new page of the browser at scale 1, so a canvas pixel is a screen pixel.
export function newPage(browser) {
  return browser.newPage({ viewport, deviceScaleFactor: 1 });
}

/// Where the canvas's picture is on the page, inside any border, in CSS
/// pixels: { x, y, width, height }.
export function canvasBox(page) {
  return page.locator('canvas').evaluate((canvas) => {
    const box = canvas.getBoundingClientRect();
    return { x: box.x + canvas.clientLeft + window.scrollX,
      y: box.y + canvas.clientTop + window.scrollY,
      width: canvas.clientWidth, height: canvas.clientHeight };
  });
}

/// The canvas as it is on the screen: rgb(x, y) from its top-left corner.
export async function canvasFrame(page) {
  const clip = await canvasBox(page);
  const png = pngjs.PNG.sync.read(await page.screenshot({ clip, fullPage: true }));
  return {
    width: png.width,
    height: png.height,
    data: png.data,
    rgb(x, y) {
      const at = (y * png.width + x) * 4;
      return [png.data[at], png.data[at + 1], png.data[at + 2]];
    },
  };
}

/// axe-core's script, to run inside a page.
export function axeSource() {
  return fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
}
