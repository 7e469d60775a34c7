// SPDX-License-Identifier: MIT
// A static server for the built site: the files directly in one directory, on
// 127.0.0.1, at port 8000 or the first free port above it.
//
//   node serve.mjs SITE_DIR     serves until interrupted; prints the URL first
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
};

/// Starts serving dir; resolves to { server, url } once listening.
export function serve(dir, firstPort = 8000, lastPort = firstPort + 100) {
  const server = http.createServer((request, response) => {
    // Only plain file names: nothing below or above the site's directory.
    const name = decodeURIComponent(new URL(request.url, 'http://host').pathname).slice(1) ||
      'index.html';
    const file = path.join(dir, name);
    const type = types[path.extname(name)];
    if (request.method !== 'GET' || name.includes('/') || name.startsWith('.') || !type ||
        !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
      return;
    }
    response.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    let port = firstPort;
    server.on('error', (error) => {
      if (error.code === 'EADDRINUSE' && port < lastPort) {
        server.listen(++port, '127.0.0.1');
      } else {
        reject(new Error(`cannot listen on 127.0.0.1:${firstPort}-${lastPort}: ${error.message}`));
      }
    });
    server.on('listening', () => resolve({ server, url: `http://127.0.0.1:${port}/` }));
    server.listen(port, '127.0.0.1');
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const dir = process.argv[2];
  if (process.argv.length !== 3 || !fs.existsSync(path.join(dir, 'index.html'))) {
    console.error('usage: node serve.mjs SITE_DIR   (a directory holding index.html)');
    process.exit(2);
  }
  serve(dir).then(({ url }) => console.log(url), (error) => {
    console.error(`serve: ${error.message}`);
    process.exit(1);
  });
}
