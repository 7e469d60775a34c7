// SPDX-License-Identifier: MIT
// The page's static server under requests a browser would never send: each
// gets its answer, and the server keeps serving.
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

const site = fs.mkdtempSync(path.join(os.tmpdir(), 'serve-test.'));
const page = '<!doctype html><title>t</title>\n';
fs.writeFileSync(path.join(site, 'index.html'), page);
fs.writeFileSync(path.join(site, 'app.js'), '//\n');
const { server, url } = await serve(site, 18000);
const port = Number(new URL(url).port);
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
  await expectPage('at the end');
  console.log('serve: all passed');
} finally {
  server.close();
  fs.rmSync(site, { recursive: true, force: true });
}
