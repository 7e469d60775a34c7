// SPDX-License-Identifier: MIT
// The page's static server under requests a browser would never send, and
// clients that never read or hang up early: each gets its answer or is cut
// off, no file stays open, and the server keeps serving.
//
//   node serve-test.mjs
import assert from 'node:assert/strict';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { serve } from '../serve.mjs';

/// Sends one raw request (the target exactly as given) and resolves to
/// { status, headers, body } once the server closes the connection.
function request(port, method, target) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1', () => {
      socket.write(`${method} ${target} HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n`);
    });
    const chunks = [];
    socket.on('data', (chunk) => chunks.push(chunk));
    socket.on('error', reject);
    socket.on('close', () => {
      const text = Buffer.concat(chunks).toString('latin1');
      const end = text.indexOf('\r\n\r\n');
      const [statusLine, ...fields] = text.slice(0, end).split('\r\n');
      const headers = Object.fromEntries(fields.map((field) => {
        const colon = field.indexOf(':');
        return [field.slice(0, colon).toLowerCase(), field.slice(colon + 1).trim()];
      }));
      let body = text.slice(end + 4);
      if (headers['transfer-encoding'] === 'chunked') {
        let whole = '';
        for (let size; (size = parseInt(body, 16)) > 0;) {
          const start = body.indexOf('\r\n') + 2;
          whole += body.slice(start, start + size);
          body = body.slice(start + size + 2);
        }
        body = whole;
      }
      resolve({ status: Number(statusLine.split(' ')[1]), headers, body });
    });
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const openFiles = () => fs.readdirSync('/proc/self/fd').length;
/// Polls until check() holds, for up to ms; the last answer.
async function eventually(check, ms) {
  for (const end = Date.now() + ms; !(await check()) && Date.now() < end;) await sleep(50);
  return check();
}

const root = fs.mkdtempSync(path.join(os.tmpdir(), 'serve-test.'));
const site = path.join(root, 'site');
fs.mkdirSync(site);
const page = '<!doctype html><title>t</title>\n';
fs.writeFileSync(path.join(site, 'index.html'), page);
fs.writeFileSync(path.join(site, 'app.js'), '//\n');
// Larger than what the sockets buffer, so an answer is still being sent when
// its client hangs up.
const bigSize = 8 << 20;
fs.writeFileSync(path.join(site, 'big.wasm'), Buffer.alloc(bigSize, 7));
fs.writeFileSync(path.join(root, 'secret.html'), 'outside the site\n');
fs.symlinkSync(path.join(root, 'secret.html'), path.join(site, 'secret.html'));
fs.symlinkSync('../secret.html', path.join(site, 'relative.html'));
fs.symlinkSync('/etc/passwd', path.join(site, 'passwd.js'));
fs.symlinkSync('app.js', path.join(site, 'alias.js'));
const stallMs = 1500;
const { server, url } = await serve(site, 18000, 18100, { stallMs });
const port = Number(new URL(url).port);
const connections = () => new Promise((resolve) => server.getConnections((_, n) => resolve(n)));
try {
  const expectPage = async (what) => {
    const got = await request(port, 'GET', '/');
    assert.equal(got.status, 200, what);
    assert.equal(got.body, page, what);
  };
  await expectPage('before anything');

  // Targets that do not decode, or are no path at all: 400, and still serving.
  for (const target of ['/%E0%A4%A', '/%', '/%FF', '//[', '//[::1', 'http://[/']) {
    const got = await request(port, 'GET', target);
    assert.equal(got.status, 400, target);
    await expectPage(`after ${target}`);
  }

  // HEAD: the headers GET would send, no body.
  const head = await request(port, 'HEAD', '/index.html');
  assert.equal(head.status, 200);
  assert.equal(head.headers['content-type'], 'text/html; charset=utf-8');
  assert.equal(head.headers['content-length'], String(Buffer.byteLength(page)));
  assert.equal(head.body, '');
  const missingHead = await request(port, 'HEAD', '/missing.js');
  assert.deepEqual([missingHead.status, missingHead.body], [404, '']);

  // Other methods: 405, saying which are allowed.
  for (const method of ['POST', 'PUT', 'DELETE', 'OPTIONS', 'BREW']) {
    const got = await request(port, method, '/index.html');
    assert.equal(got.status, method === 'BREW' ? 400 : 405, method); // BREW: not HTTP
    if (method !== 'BREW') assert.equal(got.headers.allow, 'GET, HEAD', method);
  }

  // Still only the site's plain files.
  for (const target of ['/missing.js', '/../../etc/passwd', '/%2e%2e/%2e%2e/etc/passwd', '/%2Fetc%2Fpasswd', '/x/app.js',
    '/.hidden.js', '/app.txt', '/%00.js']) {
    assert.equal((await request(port, 'GET', target)).status, 404, target);
  }
  assert.equal((await request(port, 'GET', '/app.js')).body, '//\n');

  // Symbolic links: followed only to a file in the site.
  for (const target of ['/secret.html', '/relative.html', '/passwd.js']) {
    assert.equal((await request(port, 'GET', target)).status, 404, target);
  }
  assert.equal((await request(port, 'GET', '/alias.js')).body, '//\n');

  // Clients hanging up mid-answer leave no file open.
  const baseline = openFiles();
  for (let round = 0; round < 10; ++round) {
    await Promise.all(Array.from({ length: 30 }, () => new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => socket.write('GET /big.wasm HTTP/1.1\r\nHost: h\r\n\r\n'));
      socket.once('data', () => socket.destroy());
      socket.on('close', resolve);
      socket.on('error', () => {});
    })));
  }
  assert.ok(await eventually(() => openFiles() <= baseline, 3000),
    `${openFiles() - baseline} descriptors left open by 300 aborted requests`);

  // A client piling up requests without reading their answers holds no more
  // than a few files, and is dropped once it has stalled.
  const hoarder = net.connect(port, '127.0.0.1', () => {
    hoarder.write('GET /big.wasm HTTP/1.1\r\nHost: h\r\n\r\n'.repeat(2000));
  });
  hoarder.pause();
  hoarder.on('error', () => {});
  await sleep(500);
  assert.ok(openFiles() <= baseline + 10, `${openFiles() - baseline} files open for one client`);
  assert.ok(await eventually(async () => (await connections()) === 0, stallMs + 3000),
    'a client that never reads is still connected');
  hoarder.destroy();
  // One that sends a single request and never reads is dropped as well.
  const sleeper = net.connect(port, '127.0.0.1', () => sleeper.write('GET /big.wasm HTTP/1.1\r\nHost: h\r\n\r\n'));
  sleeper.pause();
  sleeper.on('error', () => {});
  await sleep(300);
  assert.equal(await connections(), 1);
  assert.ok(await eventually(async () => (await connections()) === 0, stallMs + 3000),
    'a client that never reads its answer is still connected');
  sleeper.destroy();

  // Then twenty at once are all served in full, and every file is closed.
  const all = await Promise.all(Array.from({ length: 20 }, () => request(port, 'GET', '/big.wasm')));
  assert.deepEqual(all.map((got) => [got.status, got.body.length]),
    Array(20).fill([200, bigSize]));
  assert.ok(await eventually(() => openFiles() <= baseline, 3000), 'files left open');
  await expectPage('at the end');
  console.log('serve: all passed');
} finally {
  server.close();
  fs.rmSync(root, { recursive: true, force: true });
}
