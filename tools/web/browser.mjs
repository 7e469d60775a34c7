// SPDX-License-Identifier: MIT
// Debian's Chromium, headless, through playwright-core, and Debian's Firefox
// ESR through puppeteer-core over WebDriver BiDi (no browser of their own is
// ever downloaded), and what the scripts and tests need beside them: the
// canvas's pixels and the accessibility checker's script.
import dns from 'node:dns';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { chromium } from 'playwright-core';
import pngjs from 'pngjs';
import puppeteer from 'puppeteer-core';

const require = createRequire(import.meta.url);

// Firefox's remote agent listens on 127.0.0.1 and puppeteer reaches it as
// "localhost", which a system whose /etc/hosts also gives ::1 for it (a fresh
// Debian does) would resolve to the refused ::1 first.
dns.setDefaultResultOrder('ipv4first');

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

/// Firefox ESR, headless, on a fresh profile of its own, removed when it
/// closes. Its WebGL draws through the X server on $DISPLAY; with webgl
/// false it has none (no display, and WebGL turned off). Beside
/// puppeteer's own settings, which turn off updates, telemetry and the like,
/// anything not on this machine goes to a port where nothing listens, so the
/// browser reaches no network whatever it tries.
export function launchFirefox({ webgl = true } = {}) {
  const nowhere = { host: '127.0.0.1', port: 9 };
  const nowhereUrl = `http://${nowhere.host}:${nowhere.port}/`;
  // Firefox takes another server for its remote settings only when told so.
  const env = { ...process.env, MOZ_REMOTE_SETTINGS_DEVTOOLS: '1' };
  if (!webgl) delete env.DISPLAY;
  return puppeteer.launch({
    browser: 'firefox',
    protocol: 'webDriverBiDi',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    env,
    defaultViewport: viewport,
    extraPrefsFirefox: {
      'network.proxy.type': 1,
      'network.proxy.http': nowhere.host, 'network.proxy.http_port': nowhere.port,
      'network.proxy.ssl': nowhere.host, 'network.proxy.ssl_port': nowhere.port,
      'network.proxy.socks': nowhere.host, 'network.proxy.socks_port': nowhere.port,
      'network.proxy.allow_hijacking_localhost': false,
      'network.dns.disablePrefetch': true, 'network.prefetch-next': false,
      'network.captive-portal-service.enabled': false, 'network.connectivity-service.enabled': false,
      'toolkit.telemetry.enabled': false, 'toolkit.telemetry.server': '',
      'app.update.auto': false, 'extensions.systemAddon.update.enabled': false,
      'browser.region.network.url': '', 'browser.ping-centre.telemetry': false,
      // Where puppeteer names a host that does not exist, which would still
      // be looked up.
      'services.settings.server': nowhereUrl, 'network.sntp.pools': nowhere.host,
      'datareporting.healthreport.documentServerURI': nowhereUrl,
      'extensions.webservice.discoverURL': nowhereUrl,
      'webgl.disabled': !webgl,
    },
  });
}

/// A new page of the browser at scale 1, so a canvas pixel is a screen pixel.
export function newPage(browser) {
  return browser.newPage({ viewport, deviceScaleFactor: 1 });
}

/// Where the canvas's picture is on the page, inside any border, in CSS
/// pixels: { x, y, width, height }.
/// page is playwright's or puppeteer's.
export function canvasBox(page) {
  return page.evaluate(() => {
    const canvas = document.querySelector('canvas');
    const box = canvas.getBoundingClientRect();
    return { x: box.x + canvas.clientLeft + window.scrollX,
      y: box.y + canvas.clientTop + window.scrollY,
      width: canvas.clientWidth, height: canvas.clientHeight };
  });
}

/// The canvas as it is on the screen: rgb(x, y) from its top-left corner.
export async function canvasFrame(page) {
  const clip = await canvasBox(page);
  // Both take the clip in the page's coordinates; playwright only when told
  // the shot is of the full page, puppeteer never with that said.
  const puppeteerPage = typeof page.browserContext === 'function';
  const png = pngjs.PNG.sync.read(Buffer.from(
    await page.screenshot(puppeteerPage ? { clip } : { clip, fullPage: true })));
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
