// A static server for the site on 127.0.0.1 (never another address), with
// the firmware and tapes of the tests under /firmware/ and /tapes/, read
// where they lie. `node serve.js [port]` serves until stopped.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';
import { SITE, FIRMWARE, TAPES } from './site.js';

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.png': 'image/png' };

export function serve(port = 0, extra = new Map()) {
  const roots = [['/firmware/', FIRMWARE], ['/tapes/', TAPES], ['/', SITE]];
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    if (extra.has(path)) {
      response.writeHead(200, { 'content-type': 'application/octet-stream' });
      response.end(extra.get(path));
      return;
    }
    const [prefix, root] = roots.find(([p]) => path.startsWith(p));
    const file = normalize(join(root, path.slice(prefix.length) || 'index.html'));
    if (!file.startsWith(root)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, { 'content-type': TYPES[extname(file)] || 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end('not found');
    }
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (process.argv[1] && process.argv[1].endsWith('serve.js')) {
  const server = await serve(Number(process.argv[2] || 8085));
  console.log(`http://127.0.0.1:${server.address().port}/`);
}
