// A small static web server for the browser tests: serves one folder on
// 127.0.0.1, files streamed in pieces. A `throttle=BYTES` query sends
// BYTES a second, in pieces of a tenth of that, so that a document can be
// seen arriving. Run alone: `node static-server.mjs FOLDER [PORT]` prints
// the port it listens on (PORT 0, the default, takes a free one).
import { createReadStream } from 'node:fs';
import { stat } from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
};
const PIECE_BYTES = 64 * 1024;
const THROTTLE_PIECES_PER_SECOND = 10;

// The file a request path names inside `root`, or null when it leads out.
function fileFor(root, requestPath) {
  let decoded;
  try {
    decoded = decodeURIComponent(requestPath);
  } catch {
    return null;
  }
  if (decoded.includes('\0')) return null;
  const file = path.resolve(root, `.${path.posix.normalize(`/${decoded}`)}`);
  return file === root || file.startsWith(root + path.sep) ? file : null;
}

function refuse(response, status, text) {
  response.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8' });
  response.end(`${text}\n`);
}

// Sends the file at `bytesPerSecond`, a piece every tenth of a second.
function sendThrottled(file, response, bytesPerSecond) {
  const pieceBytes = Math.max(1, Math.floor(bytesPerSecond / THROTTLE_PIECES_PER_SECOND));
  const stream = createReadStream(file, { highWaterMark: pieceBytes });
  stream.on('data', (piece) => {
    stream.pause();
    response.write(piece);
    setTimeout(() => stream.resume(), 1000 / THROTTLE_PIECES_PER_SECOND);
  });
  stream.on('end', () => response.end());
  stream.on('error', () => response.destroy());
  response.on('close', () => stream.destroy());
}

async function serve(root, request, response) {
  if (request.method !== 'GET' && request.method !== 'HEAD') return refuse(response, 405, 'Method not allowed');
  const url = new URL(request.url, 'http://localhost');
  const file = fileFor(root, url.pathname);
  if (!file) return refuse(response, 403, 'Forbidden');
  let facts;
  try {
    facts = await stat(file);
  } catch {
    return refuse(response, 404, 'Not found');
  }
  if (!facts.isFile()) return refuse(response, 404, 'Not found');
  response.writeHead(200, {
    'Content-Type': TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream',
    'Content-Length': facts.size,
    'Cache-Control': 'no-store',
  });
  if (request.method === 'HEAD') return response.end();
  const throttle = Number(url.searchParams.get('throttle'));
  if (throttle > 0) return sendThrottled(file, response, throttle);
  const stream = createReadStream(file, { highWaterMark: PIECE_BYTES });
  stream.on('error', () => response.destroy());
  return stream.pipe(response);
}

// Serves `folder` on 127.0.0.1; resolves to {port, close()}.
export function startServer(folder, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    serve(root, request, response).catch(() => response.destroy());
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve({
      port: server.address().port,
      close: () => new Promise((done) => {
        server.closeAllConnections();
        server.close(done);
      }),
    }));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1] ?? '').href) {
  const [folder, port = '0'] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node static-server.mjs FOLDER [PORT]');
    process.exit(2);
  }
  const { port: listening } = await startServer(folder, Number(port));
  console.log(listening);
}
