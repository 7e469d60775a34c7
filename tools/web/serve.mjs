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

const allowed = 'GET, HEAD';

/// The site file a request names: only plain file names, nothing below or
/// above the site's directory. Undefined for a request target that is no URL
/// path or does not decode.
function fileName(target) {
  try {
    return decodeURIComponent(new URL(target, 'http://host').pathname).slice(1) || 'index.html';
  } catch {
    return undefined;
  }
}

/// Starts serving dir; resolves to { server, url } once listening. A bad
/// request gets an answer, never ends the server.
export function serve(dir, firstPort = 8000, lastPort = firstPort + 100) {
  const server = http.createServer((request, response) => {
    const fail = (status, text, headers = {}) => {
      response.writeHead(status, { 'Content-Type': 'text/plain', ...headers });
      response.end(request.method === 'HEAD' ? undefined : `${text}\n`);
    };
    const name = fileName(request.url);
    if (name === undefined) {
      fail(400, 'bad request');
      return;
    }
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      fail(405, 'method not allowed', { Allow: allowed });
      return;
    }
    const file = path.join(dir, name);
    const type = types[path.extname(name)];
    let stat;
    try {
      stat = !name.includes('/') && !name.startsWith('.') && type ? fs.statSync(file) : undefined;
    } catch {
      stat = undefined; // absent, or a name the file system refuses
    }
    if (!stat?.isFile()) {
      fail(404, 'not found');
      return;
    }
    response.writeHead(200, {
      'Content-Type': type, 'Content-Length': stat.size, 'Cache-Control': 'no-store',
    });
    if (request.method === 'HEAD') {
      response.end();
      return;
    }
    // A file that goes away while it is read cuts the answer short.
    fs.createReadStream(file).on('error', () => response.destroy()).pipe(response);
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
