// SPDX-License-Identifier: MIT
// Headless Chromium driven over the DevTools protocol on a pipe (no network
// port, no npm packages), and what the scripts and tests need from it: load a
// page, take the canvas's picture, send clicks and keys.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const flags = [
  '--headless', '--no-sandbox', '--remote-debugging-pipe',
  // WebGL without a GPU: ANGLE on SwiftShader, Chromium's software renderer.
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--no-first-run', '--no-default-browser-check', '--mute-audio', '--hide-scrollbars',
];

/// A fresh browser with one page of width x height CSS pixels at scale 1.
export async function launch({ width = 600, height = 800 } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'heap-view-chromium-'));
  const browser = spawn(process.env.CHROMIUM || 'chromium',
    [...flags, `--user-data-dir=${profile}`, 'about:blank'],
    { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  let stderr = '';
  browser.stderr.on('data', (chunk) => { stderr = (stderr + chunk).slice(-4000); });

  let nextId = 1;
  const pending = new Map();
  const listeners = [];
  let closed = false;
  const failAll = (error) => {
    for (const { reject } of pending.values()) reject(error);
    pending.clear();
  };
  browser.on('error', (error) => failAll(new Error(`cannot start chromium: ${error.message}`)));
  browser.on('exit', (code) => {
    if (!closed) failAll(new Error(`chromium exited (${code}):\n${stderr}`));
  });

  let buffered = '';
  browser.stdio[4].on('data', (chunk) => {
    buffered += chunk;
    let end;
    while ((end = buffered.indexOf('\0')) >= 0) {
      const message = JSON.parse(buffered.slice(0, end));
      buffered = buffered.slice(end + 1);
      if (message.id !== undefined && pending.has(message.id)) {
        const { resolve, reject, method } = pending.get(message.id);
        pending.delete(message.id);
        if (message.error) reject(new Error(`${method}: ${message.error.message}`));
        else resolve(message.result);
      } else if (message.method) {
        for (const listener of listeners) listener(message.method, message.params);
      }
    }
  });
  const send = (method, params = {}, sessionId = undefined) => new Promise((resolve, reject) => {
    const id = nextId++;
    pending.set(id, { resolve, reject, method });
    browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  });

  // Chromium outlives a parent that just dies, so an interrupted script
  // closes it before going.
  const signals = ['SIGINT', 'SIGTERM', 'SIGHUP'];
  const onSignal = (signal) => {
    close().finally(() => process.exit(128 + os.constants.signals[signal]));
  };
  for (const signal of signals) process.on(signal, onSignal);

  // Asked to close, Chromium ends its helper processes too; killed only if it
  // does not. Helpers may still be leaving the profile as it goes, hence the
  // retries.
  const close = async () => {
    if (closed) return;
    for (const signal of signals) process.off(signal, onSignal);
    const exited = new Promise((resolve) => {
      if (browser.exitCode !== null || browser.signalCode !== null) resolve();
      else browser.once('exit', resolve);
    });
    send('Browser.close').catch(() => {});
    closed = true;
    const timer = setTimeout(() => browser.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(timer);
    fs.rmSync(profile, { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
  };

  try {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const page = (method, params) => send(method, params, sessionId);
    await page('Page.enable');
    await page('Runtime.enable');
    await page('Emulation.setDeviceMetricsOverride',
      { width, height, deviceScaleFactor: 1, mobile: false });
    return { page, onEvent: (listener) => listeners.push(listener), close };
  } catch (error) {
    await close();
    throw error;
  }
}

/// Loads url and waits for its load event.
export async function navigate(browser, url) {
  const loaded = new Promise((resolve) => browser.onEvent((method) => {
    if (method === 'Page.loadEventFired') resolve();
  }));
  const { errorText } = await browser.page('Page.navigate', { url });
  if (errorText) throw new Error(`cannot load ${url}: ${errorText}`);
  await loaded;
}

/// Evaluates a JavaScript expression in the page and returns its value.
export async function evaluate(browser, expression) {
  const { result, exceptionDetails } = await browser.page('Runtime.evaluate',
    { expression, returnByValue: true, awaitPromise: true });
  if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.text}`);
  return result.value;
}

/// The canvas's drawing area in page coordinates (inside its border).
export function canvasBox(browser) {
  return evaluate(browser, `(() => {
    const canvas = document.getElementById('canvas');
    const box = canvas.getBoundingClientRect();
    return { x: box.left + canvas.clientLeft, y: box.top + canvas.clientTop,
             width: canvas.clientWidth, height: canvas.clientHeight };
  })()`);
}

/// The canvas as shown on the page, as a PNG.
export async function canvasPng(browser) {
  const box = await canvasBox(browser);
  const { data } = await browser.page('Page.captureScreenshot',
    { format: 'png', clip: { ...box, scale: 1 } });
  return Buffer.from(data, 'base64');
}

/// Decodes an 8-bit, non-interlaced RGB or RGBA PNG (what Chromium writes)
/// into { width, height, rgb(x, y) } with y counted from the top.
export function decodePng(png) {
  const width = png.readUInt32BE(16);
  const height = png.readUInt32BE(20);
  const [depth, colourType, , , interlace] = png.subarray(24, 29);
  if (depth !== 8 || (colourType !== 2 && colourType !== 6) || interlace !== 0) {
    throw new Error(`unexpected PNG format: depth ${depth}, colour type ${colourType}`);
  }
  const channels = colourType === 6 ? 4 : 3;
  const chunks = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at);
    if (png.toString('latin1', at + 4, at + 8) === 'IDAT') {
      chunks.push(png.subarray(at + 8, at + 8 + length));
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? pixels[y * stride + i - channels] : 0;
      const up = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const upLeft = y > 0 && i >= channels ? pixels[(y - 1) * stride + i - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = left;
      else if (filter === 2) predicted = up;
      else if (filter === 3) predicted = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - upLeft;
        const [pa, pb, pc] = [Math.abs(p - left), Math.abs(p - up), Math.abs(p - upLeft)];
        predicted = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      }
      pixels[y * stride + i] = (line[i] + predicted) & 0xff;
    }
  }
  const rgb = (x, y) => {
    const at = y * stride + x * channels;
    return [pixels[at], pixels[at + 1], pixels[at + 2]];
  };
  return { width, height, rgb };
}
