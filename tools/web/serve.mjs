// SPDX-License-Identifier: MIT
// A static server for the built site: the regular files directly in one
// directory (by their real path: a link leading out of it is refused), on
// 127.0.0.1, at port 8000 or the first free port above it.
//
//   node serve.mjs SITE_DIR     serves until interrupted; prints the URL first
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { pipeline } from 'node:stream';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
};

const allowed = 'GET, HEAD';

/// Requests one connection may have in flight at once. A browser sends the
/// next only after an answer; a client piling up more is cut off rather than
/// given a file open for each.
const kPipelined = 8;
/// How long a connection may go without taking any of its answer, or sending
/// anything, before it is dropped: a client that never reads would otherwise
/// hold its answers (and their files) for good.
const kStallMs = 20000;

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

/// Opens the site file of that name for reading: only a regular file whose
/// real path lies directly in the site (a symbolic link out of it is refused).
/// Returns { fd, size } or undefined.
function openInSite(site, name) {
  let fd;
  try {
    const real = fs.realpathSync(path.join(site, name));
    if (path.dirname(real) !== site) return undefined;
    // No blocking on a FIFO swapped in since, and no link followed.
    fd = fs.openSync(real, fs.constants.O_RDONLY | fs.constants.O_NOFOLLOW | fs.constants.O_NONBLOCK);
    const stat = fs.fstatSync(fd);
    if (stat.isFile()) return { fd, size: stat.size };
  } catch {
    // absent, or a name the file system refuses
  }
  if (fd !== undefined) fs.closeSync(fd);
  return undefined;
}

/// Starts serving dir; resolves to { server, url } once listening. A bad
/// request gets an answer, never ends the server. stallMs: see kStallMs.
export function serve(dir, firstPort = 8000, lastPort = firstPort + 100, { stallMs = kStallMs } = {}) {
  const site = fs.realpathSync(dir);
  const server = http.createServer((request, response) => {
    const { socket } = request;
    socket.inFlight = (socket.inFlight ?? 0) + 1;
    response.on('close', () => { socket.inFlight -= 1; });
    if (socket.inFlight > kPipelined) {
      socket.destroy();
      return;
    }
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
    const type = types[path.extname(name)];
    const file = !name.includes('/') && !name.startsWith('.') && type ? openInSite(site, name) : undefined;
    if (!file) {
      fail(404, 'not found');
      return;
    }
    response.writeHead(200, {
      'Content-Type': type, 'Content-Length': file.size, 'Cache-Control': 'no-store',
    });
    if (request.method === 'HEAD') {
      fs.closeSync(file.fd);
      response.end();
      return;
    }
    // The file is closed however the answer ends: sent, cut off by the
    // client, or the file going away while it is read.
    const stream = fs.createReadStream(null, { fd: file.fd });
    socket.streams ??= new Set();
    socket.streams.add(stream);
    stream.on('close', () => socket.streams.delete(stream));
    pipeline(stream, response, () => {});
  });
  // An answer still waiting its turn behind another is no stream's yet: the
  // connection's end closes its file.
  server.on('connection', (socket) => {
    socket.on('close', () => socket.streams?.forEach((stream) => stream.destroy()));
  });
  server.timeout = stallMs;
  server.keepAliveTimeout = Math.min(server.keepAliveTimeout, stallMs);
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
