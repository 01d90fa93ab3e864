// The page's figures in headless chromium (bench/README.md): the first
// frame after opening, the processor time of real-time running at the
// monitor's prompt, the speed of "as fast as it goes" on a program that
// only computes, and the module's size gzipped.
//   node web/test/measure.js
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { Library, MODELS } from '../page/library.js';
import { serve } from './serve.js';
import { launch, open, screenShows } from './browser.js';
import { SITE } from './site.js';

const SECONDS = 5;

// A snapshot of a V2 whose program counts in HL for ever, interrupts off:
// LXI SP,7000h; loop: INX H; MOV A,H; ORA L; JMP loop.
async function busySnapshot() {
  const createQuillet = createRequire(import.meta.url)(join(SITE, 'quillet.js'));
  const lib = new Library(await createQuillet({ wasmBinary: readFileSync(join(SITE, 'quillet.wasm')) }));
  const snapshot = lib.emptySnapshot(MODELS.indexOf('V2'));
  const program = [0x31, 0x00, 0x70, 0x23, 0x7C, 0xB5, 0xC3, 0x03, 0x60];
  lib.check(lib.withBytes(program, (at, length) => lib.call('load_bytes', snapshot.handle, 0x6000, at, length)));
  lib.check(lib.call('set_register', snapshot.handle, 4, 0x6000));
  return snapshot.bytes(true);
}

// The processor time of the browser and all its processes (renderer, GPU,
// utilities), from /proc: the time they ran, not the time they waited on
// a loaded machine. Clock ticks are 1/100 s.
function browserTicks(rootPid) {
  const children = (pid) => {
    try {
      return readFileSync(`/proc/${pid}/task/${pid}/children`, 'utf8').split(' ').filter(Boolean).map(Number);
    } catch {
      return [];
    }
  };
  let total = 0;
  const pending = [rootPid];
  while (pending.length) {
    const pid = pending.pop();
    try {
      const fields = readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
      total += Number(fields[11]) + Number(fields[12]);
    } catch {
      continue;
    }
    pending.push(...children(pid));
  }
  return total;
}

let rootPid;
async function busyTime() {
  const before = browserTicks(rootPid);
  await new Promise((done) => setTimeout(done, SECONDS * 1000));
  return (browserTicks(rootPid) - before) / 100 / SECONDS;
}

const server = await serve(0, new Map([['/fixtures/busy.zvk', await busySnapshot()]]));
const base = `http://127.0.0.1:${server.address().port}/`;
const browser = await launch();
rootPid = browser.process().pid;
try {
  // The browser with a blank page, for comparison.
  const blank = await browser.newPage();
  await new Promise((done) => setTimeout(done, 2000));
  console.log(`the browser idle with a blank page: ${(await busyTime() * 100).toFixed(1)} % of one core`);
  await blank.close();
  const firsts = [];
  for (let i = 0; i < 5; ++i) {
    const page = await open(browser, base, '?model=V2&monitor=firmware/monit2.rom');
    firsts.push(await page.evaluate(() => ['quillet-module-ready', 'quillet-first-frame']
      .map((name) => performance.getEntriesByName(name)[0].startTime.toFixed(0)).join('/')));
    await page.close();
  }
  console.log(`module ready / first frame after opening: ${firsts.join(', ')} ms (5 openings)`);

  const prompt = await open(browser, base, '?model=V2&monitor=firmware/monit2.rom');
  await screenShows(prompt, '++ Os ready ++');
  // The prompt as it stays: past the boot's drawing and the first
  // compilations of the page's code.
  await new Promise((done) => setTimeout(done, 3000));
  const start = await prompt.evaluate(() => window.quilletPage.state.machine.frames);
  const share = await busyTime();
  const frames = await prompt.evaluate(() => window.quilletPage.state.machine.frames) - start;
  console.log(`real time at the prompt: ${(frames / SECONDS).toFixed(1)} frames/s, ${(share * 100).toFixed(1)} % of one core`);
  await prompt.close();

  const busy = await open(browser, base, '?model=V2&snapshot=fixtures/busy.zvk&speed=max');
  const counts = () => busy.evaluate(() => [window.quilletPage.state.machine.frames,
    Number(window.quilletPage.state.machine.instructions)]);
  const [from, fromInstructions] = await counts();
  const busyShare = await busyTime();
  const [to, toInstructions] = await counts();
  const ran = to - from;
  console.log(`  ${((toInstructions - fromInstructions) / SECONDS / 1e6).toFixed(1)} million instructions a second`);
  console.log(`as fast as it goes, a program that only computes: ${(ran / SECONDS).toFixed(0)} frames/s = `
    + `${(ran / SECONDS / 50).toFixed(0)} times real time, ${(busyShare * 100).toFixed(0)} % of one core`);
  const where = await busy.evaluate(() => [window.quilletPage.state.machine.registers().PC,
    document.getElementById('run-state').textContent, document.getElementById('message').textContent]);
  if (where[0] < 0x6003 || where[0] > 0x6008 || where[1] || where[2]) throw new Error(`the program did not run: ${where}`);
  await busy.close();
} finally {
  await browser.close();
  server.close();
}
const wasm = readFileSync(join(SITE, 'quillet.wasm'));
const js = readFileSync(join(SITE, 'quillet.js'));
console.log(`quillet.wasm ${wasm.length} bytes, ${gzipSync(wasm, { level: 9 }).length} gzipped; `
  + `quillet.js ${js.length} bytes, ${gzipSync(js, { level: 9 }).length} gzipped`);
