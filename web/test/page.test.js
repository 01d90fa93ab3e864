// The page in chromium, served on 127.0.0.1: booting, typing with real key
// events, BASIC from a module, a tape through the MGLD button, a
// breakpoint by label, bad input, sound, the frame-exact address and a
// downloaded snapshot. The firmware tests skip in one line without it.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { spawnSync } from 'node:child_process';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { serve } from './serve.js';
import { launch, open, screenShows } from './browser.js';
import { FIRMWARE, NO_FIRMWARE, haveFirmware } from './site.js';

const firmwareTest = (name, body) => test(name, { skip: !haveFirmware && NO_FIRMWARE }, body);
// quillet-run of a native build (QUILLET_RUN, default build/quillet-run).
const QUILLET_RUN = resolve(process.env.QUILLET_RUN || new URL('../../build/quillet-run', import.meta.url).pathname);

// A listing's symbol table as asm80 writes it: monitor 2's keyboard routine.
const LISTING = 'KEYWAIT:            89C0 DEFINED AT LINE 3\n                    > USED AT LINE 9\n';
let server;
let browser;
let base;

before(async () => {
  server = await serve(0, new Map([['/fixtures/monitor.lst', LISTING]]));
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await launch();
});

after(async () => {
  await browser.close();
  server.close();
});

async function pageOf(query) {
  const page = await open(browser, base, query);
  return page;
}

// Presses and releases each key as a person does, holding it a few frames.
async function typeSlowly(page, text) {
  const pause = () => new Promise((done) => setTimeout(done, 90));
  await page.focus('#screen');
  for (const character of text) {
    const key = character === '\n' ? 'Enter' : character;
    await page.keyboard.down(key);
    await pause();
    await page.keyboard.up(key);
    await pause();
  }
}

async function typeKeys(page, text) {
  await page.focus('#screen');
  for (const key of text) {
    if (key === '\n') await page.keyboard.press('Enter');
    else await page.keyboard.type(key);
  }
}

firmwareTest('monitor 2 boots to its ready text', async () => {
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom');
  await screenShows(page, '++ Os ready ++');
  assert.deepEqual(page.errors, []);
  await page.close();
});

// The page passes each key event on as it comes; a press and its release
// within one frame still reach the program, which the library holds for
// its read.
firmwareTest('key events type commands that the monitor and BASIC answer', async () => {
  const sessions = [
    ['?model=V2&monitor=firmware/monit2.rom', '++ Os ready ++', 'MEM 8000\n', 'SUB 8000 31 00 80'],
    ['?model=V2A&monitor=firmware/monit2A.rom&module=firmware/basic2A.rmm', 'OK', 'PRINT 6*7\n', ' 42'],
  ];
  for (const [query, ready, typed, answer] of sessions) {
    const page = await pageOf(query);
    await screenShows(page, ready);
    await typeKeys(page, typed);
    await screenShows(page, answer);
    await page.close();
  }
});

firmwareTest('keys held as a person holds them type a command the monitor answers', async () => {
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom');
  await screenShows(page, '++ Os ready ++');
  await typeSlowly(page, 'MEM 8000\n');
  await screenShows(page, 'SUB 8000 31 00 80');
  assert.deepEqual(page.errors, []);
  await page.close();
});

// The on-screen keyboard: one button per key name the library lists for the
// model; a click presses and releases it.
firmwareTest('the on-screen keyboard types a command the monitor answers', async () => {
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom');
  await screenShows(page, '++ Os ready ++');
  const names = await page.$$eval('#keyboard button', (buttons) => buttons.map((b) => b.textContent));
  for (const name of ['M', 'E', '8', '0', 'SPACE', 'EOL', 'K0', 'STOP']) assert.ok(names.includes(name), name);
  for (const name of ['M', 'E', 'M', 'SPACE', '8', '0', '0', '0', 'EOL']) {
    const buttons = await page.$$('#keyboard button');
    await buttons[names.indexOf(name)].click({ delay: 60 });
    await new Promise((done) => setTimeout(done, 60));
  }
  await screenShows(page, 'SUB 8000 31 00 80');
  assert.deepEqual(page.errors, []);
  await page.close();
});

// The monitor reads the tape interface as it starts, and the tape rolls from
// then on: a user who clicks the button long after has it wound back first.
firmwareTest('a shared tape loads through its MGLD button, however late it is clicked', async () => {
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom&tape=tapes/BLUDISTE.pmd&speed=max');
  await screenShows(page, '++ Os ready ++');
  assert.match(await page.$eval('#tape-list', (e) => e.textContent), /BLUDISTE/);
  await page.waitForFunction(() => Number(document.getElementById('frame-count').textContent) > 5000,
    { timeout: 30000 });
  // The loader the monitor loads starts by itself, reads the game's block
  // after it and runs the game, below the monitor's 8000h.
  await page.click('button.mgld');
  await page.click('#tape-fast');
  await page.waitForFunction(() => /^(\d+) of \1 blocks/.test(document.getElementById('tape-position').textContent),
    { timeout: 30000 });
  await new Promise((done) => setTimeout(done, 1000));
  await page.click('#pause');
  const pc = /PC ([0-9A-F]{4})/.exec(await page.$eval('#registers', (e) => e.textContent))[1];
  assert.ok(parseInt(pc, 16) < 0x8000,
    `PC ${pc}: the game runs, not the monitor: ${await page.$eval('#screen-text', (e) => e.textContent)}`);
  assert.deepEqual(page.errors, []);
  await page.close();
});

firmwareTest('a breakpoint by label stops the run and the registers show it', async () => {
  // Paused after the first frame, before the monitor first waits for a key.
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom&labels=fixtures/monitor.lst&frames=1');
  await page.waitForFunction(() => document.body.dataset.running === 'no', { timeout: 5000 });
  await page.type('#breakpoint', 'keywait');
  await page.click('#add-breakpoint');
  await page.click('#run');
  await page.waitForFunction(() => document.getElementById('run-state').textContent.includes('Breakpoint'),
    { timeout: 5000 });
  const registers = await page.$eval('#registers', (e) => e.textContent);
  assert.match(registers, /PC 89C0/);
  assert.match(registers, /at KEYWAIT/);
  assert.match(await page.$eval('#run-state', (e) => e.textContent), /Breakpoint at KEYWAIT \(89C0\)/);
  assert.match(await page.$eval('#disassembly', (e) => e.textContent), /^KEYWAIT:\n>\*89C0/);
  // A step runs the one instruction there; registers and disassembly follow.
  await page.click('#step');
  const pc = /PC ([0-9A-F]{4})/.exec(await page.$eval('#registers', (e) => e.textContent))[1];
  assert.notEqual(pc, '89C0');
  assert.match(await page.$eval('#disassembly', (e) => e.textContent), new RegExp(`^> ${pc} `, 'm'));
  // Bytes and registers changed from the page reach the machine.
  for (const change of ['7000 12 AB 3', 'HL=BEEF', 'de = keywait+1']) {
    await page.$eval('#poke', (input, text) => { input.value = text; }, change);
    await page.click('#apply-poke');
  }
  await page.$eval('#memory-address', (input) => { input.value = '7000'; input.dispatchEvent(new Event('change')); });
  assert.match(await page.$eval('#memory', (e) => e.textContent), /^7000  12 AB 03 /);
  // 7000h is offset 3000h of page 1 on the PMD 85-2.
  await page.select('#memory-page', '1');
  await page.$eval('#memory-address', (input) => { input.value = '3000'; input.dispatchEvent(new Event('change')); });
  assert.match(await page.$eval('#memory', (e) => e.textContent), /^3000  12 AB 03 /);
  assert.match(await page.$eval('#registers', (e) => e.textContent), /DE 89C1  HL BEEF/);
  assert.equal(await page.$eval('#message', (e) => e.textContent), '');
  await page.close();
});

test('files that are no tape or snapshot show the library\'s message with their name', async () => {
  const page = await pageOf('');
  const cases = [
    ['#tape-file', 'notes.txt', "No tape blocks in 'notes.txt'!"],
    ['#snapshot-file', 'notes.zvk', "Bad or no ZVK header in file: 'notes.zvk'!"],
    ['#monitor-file', 'notes.rom', 'notes.rom: 26 bytes is no monitor image of the V2A'],
  ];
  for (const [input, name, expected] of cases) {
    const handle = await page.$(input);
    const dir = mkdtempSync(join(tmpdir(), 'quillet-page-'));
    const path = join(dir, name);
    (await import('node:fs')).writeFileSync(path, 'Not a PMD 85 file at all.\n');
    await handle.uploadFile(path);
    await page.waitForFunction((n) => document.getElementById('message').textContent.includes(n), { timeout: 5000 }, name);
    const message = await page.$eval('#message', (e) => e.textContent);
    assert.equal(message, expected);
    rmSync(dir, { recursive: true });
  }
  assert.deepEqual(page.errors, []);
  await page.close();
});

firmwareTest('the snapshot downloaded from the page loads in quillet-run', async (t) => {
  if (!existsSync(QUILLET_RUN)) {
    t.skip(`no ${QUILLET_RUN}: the download is not checked`);
    return;
  }
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom&frames=60');
  await page.waitForFunction(() => document.body.dataset.running === 'no', { timeout: 10000 });
  const dir = mkdtempSync(join(tmpdir(), 'quillet-download-'));
  const session = await page.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir });
  await page.click('#save-snapshot');
  for (let i = 0; i < 50 && !readdirSync(dir).includes('quillet.zvk'); ++i) await new Promise((r) => setTimeout(r, 100));
  const snapshot = join(dir, 'quillet.zvk');
  assert.ok(existsSync(snapshot), 'the snapshot was downloaded');
  const run = spawnSync(QUILLET_RUN, ['--monitor', join(FIRMWARE, 'monit2.rom'),
    '--until-text', '++ Os ready ++', '--max-states', '409600', '--screen-text', snapshot], { encoding: 'utf8' });
  assert.equal(run.status, 0, run.stderr);
  assert.match(run.stdout, /\+\+ Os ready \+\+/);
  assert.ok(readFileSync(snapshot).length > 100);
  rmSync(dir, { recursive: true });
  await page.close();
});

firmwareTest('the speaker\'s sound reaches the audio graph', async () => {
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom');
  await screenShows(page, '++ Os ready ++');
  await page.click('#screen');   // the gesture that starts the audio
  await page.type('#paste', 'A');
  await page.click('#type-paste');   // the monitor clicks for each key it takes
  await page.waitForFunction(() => window.quilletPage.sound.heard > 0, { timeout: 5000 });
  await page.close();
});

firmwareTest('saved state restores the machine as it was', async () => {
  const page = await pageOf('?model=V2&monitor=firmware/monit2.rom');
  await screenShows(page, '++ Os ready ++');
  await page.click('#pause');
  await page.click('#save-state');
  const saved = await page.$eval('#screen-text', (e) => e.textContent);
  await page.click('#run');
  await page.type('#paste', 'MEM 8000\n');
  await page.click('#type-paste');
  await screenShows(page, 'SUB 8000');
  await page.click('#pause');
  await page.click('#load-state');
  assert.equal(await page.$eval('#screen-text', (e) => e.textContent), saved);
  await page.close();
});

// The page's frame N against quillet-run's picture after N frames from the
// same boot, pixel for pixel, both drawn by the library.
test('frames=N shows what quillet-run --screen shows after N frames',
  { skip: (!haveFirmware && NO_FIRMWARE) || (!existsSync(QUILLET_RUN) && `no ${QUILLET_RUN}`) },
  async () => {
    const frames = 120;
    const dir = mkdtempSync(join(tmpdir(), 'quillet-frames-'));
    const page = await pageOf(`?model=V2&monitor=firmware/monit2.rom&frames=${frames}&type=MEM%208000{EOL}`);
    await page.waitForFunction(() => document.body.dataset.running === 'no', { timeout: 20000 });
    const snapshot = await page.evaluate(() => Array.from(window.quilletPage.lib.emptySnapshot(1).bytes(true)));
    (await import('node:fs')).writeFileSync(join(dir, 'v2.zvk'), Uint8Array.from(snapshot));
    const run = spawnSync(QUILLET_RUN, ['--boot', '--monitor', join(FIRMWARE, 'monit2.rom'), '--type', 'MEM 8000{EOL}',
      '--max-states', String(frames * 40960), '--screen', join(dir, 'screen.png'), join(dir, 'v2.zvk')], { encoding: 'utf8' });
    assert.ok(existsSync(join(dir, 'screen.png')), run.stderr);
    const png = readFileSync(join(dir, 'screen.png')).toString('base64');
    const same = await page.evaluate(async (data) => {
      const image = new Image();
      image.src = `data:image/png;base64,${data}`;
      await image.decode();
      const canvas = document.getElementById('screen');
      const drawn = document.createElement('canvas');
      drawn.width = canvas.width;
      drawn.height = canvas.height;
      drawn.getContext('2d').drawImage(image, 0, 0, canvas.width, canvas.height);
      const a = drawn.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      const b = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let differing = 0;
      for (let i = 0; i < a.length; ++i) differing += a[i] !== b[i];
      return differing;
    }, png);
    assert.equal(same, 0);
    rmSync(dir, { recursive: true });
    await page.close();
  });

firmwareTest('a monitor image given once boots the model in later visits, and its lack is explained', async () => {
  const context = await browser.createIncognitoBrowserContext();
  const first = await context.newPage();
  await first.goto(`${base}index.html?model=V2`);
  await first.waitForFunction(() => document.body.dataset.ready === 'yes');
  assert.equal(await first.$eval('#no-monitor', (e) => e.hidden), false);
  await (await first.$('#monitor-file')).uploadFile(join(FIRMWARE, 'monit2.rom'));
  await screenShows(first, '++ Os ready ++');
  assert.equal(await first.$eval('#no-monitor', (e) => e.hidden), true);
  await first.close();
  const later = await context.newPage();
  await later.goto(`${base}index.html?model=V2`);
  await screenShows(later, '++ Os ready ++');
  const other = await context.newPage();
  await other.goto(`${base}index.html?model=V1`);
  await other.waitForFunction(() => document.body.dataset.ready === 'yes');
  assert.equal(await other.$eval('#no-monitor', (e) => e.hidden), false, 'each model keeps its own image');
  await context.close();
});

firmwareTest('frames=N pauses after exactly N frames, at any speed', async () => {
  for (const [frames, speed] of [[7, '1'], [150, 'max']]) {
    const page = await pageOf(`?model=V2&monitor=firmware/monit2.rom&frames=${frames}&speed=${speed}`);
    await page.waitForFunction(() => document.body.dataset.running === 'no', { timeout: 10000 });
    assert.equal(await page.$eval('#frame-count', (e) => e.textContent), String(frames));
    assert.equal(await page.evaluate(() => window.quilletPage.state.machine.frames), frames);
    await page.close();
  }
});

// Until the library draws the picture, the frame is compared where both
// draw it from: the video memory after N frames from the same boot and keys.
test('frames=N leaves the video memory quillet-run leaves after N frames',
  { skip: (!haveFirmware && NO_FIRMWARE) || (!existsSync(QUILLET_RUN) && `no ${QUILLET_RUN}`) },
  async () => {
    const frames = 200;
    const dir = mkdtempSync(join(tmpdir(), 'quillet-video-'));
    const page = await pageOf(`?model=V2&monitor=firmware/monit2.rom&frames=${frames}&type=MEM%208000{EOL}&speed=max`);
    await page.waitForFunction(() => document.body.dataset.running === 'no', { timeout: 20000 });
    const shown = await page.evaluate(() => Array.from(window.quilletPage.state.machine.video()));
    const snapshot = await page.evaluate(() => Array.from(window.quilletPage.lib.emptySnapshot(1).bytes(true)));
    const fs = await import('node:fs');
    fs.writeFileSync(join(dir, 'v2.zvk'), Uint8Array.from(snapshot));
    const run = spawnSync(QUILLET_RUN, ['--boot', '--monitor', join(FIRMWARE, 'monit2.rom'), '--type', 'MEM 8000{EOL}',
      '--max-states', String(frames * 40960), '-o', join(dir, 'after.zvk'), join(dir, 'v2.zvk')], { encoding: 'utf8' });
    assert.ok(existsSync(join(dir, 'after.zvk')), run.stderr);
    const after = Array.from(fs.readFileSync(join(dir, 'after.zvk')));
    const video = await page.evaluate((bytes) => {
      const lib = window.quilletPage.lib;
      const read = lib.readSnapshot(Uint8Array.from(bytes), 'after.zvk');
      const out = lib.withScratch(16384, (at) => {
        lib.check(lib.call('read_memory', read.handle, 0xC000, at, 16384));
        return Array.from(lib.q.HEAPU8.subarray(at, at + 16384));
      });
      read.free();
      return out;
    }, after);
    assert.ok(shown.some((byte) => byte !== 0), 'the screen shows something');
    const differing = shown.filter((byte, i) => byte !== video[i]).length;
    assert.equal(differing, 0);
    rmSync(dir, { recursive: true });
    await page.close();
  });

firmwareTest('watchpoints stop the run at a write or a read of the range and say which', async () => {
  const watches = [['7F00-7FFF', '2', /^— Watchpoint: write to 7F[0-9A-F]{2}$/], ['7F00-7FFF', '1', /^— Watchpoint: read of 7F[0-9A-F]{2}$/]];
  for (const [range, kind, said] of watches) {
    const page = await pageOf('?model=V2&monitor=firmware/monit2.rom&frames=1');
    await page.waitForFunction(() => document.body.dataset.running === 'no', { timeout: 5000 });
    await page.type('#watch', range);
    await page.select('#watch-kind', kind);
    await page.click('#add-watch');
    assert.match(await page.$eval('#breakpoints', (e) => e.textContent), /watching (writes to|reads of) 7F00-7FFF/);
    await page.click('#run');
    await page.waitForFunction(() => document.getElementById('run-state').textContent.includes('Watchpoint'), { timeout: 5000 });
    assert.match(await page.$eval('#run-state', (e) => e.textContent), said);
    assert.equal(await page.$eval('#message', (e) => e.textContent), '');
    await page.close();
  }
});
