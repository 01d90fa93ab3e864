// The library's WebAssembly module under node, through the page's own
// binding (page/library.js): snapshots, machines booted from the real
// monitors, typing and the screen's text, and running out of memory.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { Library, Machine, MODELS, QuilletError } from '../page/library.js';
import { SITE, NO_FIRMWARE, firmware, haveFirmware } from './site.js';

const createQuillet = createRequire(import.meta.url)(join(SITE, 'quillet.js'));
const lib = new Library(await createQuillet({ wasmBinary: readFileSync(join(SITE, 'quillet.wasm')) }));

function runUntil(machine, text, frames) {
  for (let i = 0; i < frames; ++i) {
    machine.runFrame();
    if (machine.screenText().includes(text)) return true;
  }
  return false;
}

function bootedMachine(model, rom, romModule) {
  const snapshot = lib.emptySnapshot(MODELS.indexOf(model), romModule);
  const machine = new Machine(lib, snapshot, firmware(rom));
  snapshot.free();
  machine.boot();
  return machine;
}

test('a snapshot written and read back keeps its model, memory and size', () => {
  const snapshot = lib.emptySnapshot(MODELS.indexOf('V2'));
  const program = [0xF3, 0x76];  // DI; HLT
  lib.check(lib.withBytes(program, (at, length) => lib.call('load_bytes', snapshot.handle, 0x100, at, length)));
  const bytes = snapshot.bytes(true);
  snapshot.free();
  const back = lib.readSnapshot(bytes, 'back.zvk');
  assert.equal(MODELS[back.model], 'V2');
  assert.deepEqual(Array.from(back.bytes(true)), Array.from(bytes));
  const machine = new Machine(lib, back, null);
  assert.deepEqual(Array.from(machine.readMemory(0x100, 2)), program);
  machine.free();
  back.free();
});

test('files that are no snapshot or tape are refused with the library\'s message naming them', () => {
  const cases = [
    { read: () => lib.readSnapshot(new TextEncoder().encode('just some text\n'), 'notes.txt'), name: 'notes.txt' },
    { read: () => lib.readSnapshot(new Uint8Array(0), 'empty.zvk'), name: 'empty.zvk' },
    { read: () => lib.readTape(new Uint8Array(0), 'empty.ptp'), name: 'empty.ptp' },
    { read: () => lib.readTape(new Uint8Array([5, 0, 1, 2]), 'cut.ptp'), name: 'cut.ptp' },
  ];
  for (const c of cases) {
    assert.throws(c.read, (error) => error instanceof QuilletError && error.code < 0 && error.message.includes(c.name),
      c.name);
  }
});

test('a monitor image of a size the model does not take is refused with a code', () => {
  const snapshot = lib.emptySnapshot(MODELS.indexOf('V2'));
  assert.throws(() => new Machine(lib, snapshot, new Uint8Array(100)), (error) => error.code === -13);
  snapshot.free();
});

test('every shared monitor boots to its ready text', { skip: !haveFirmware && NO_FIRMWARE }, () => {
  const boots = [
    ['monit1.rom', 'V1', '** PMD-85 READY /1.0 **', 100],
    ['monit2.rom', 'V2', '++ Os ready ++', 60],
    ['monit2A.rom', 'V2A', '++ Os ready ++', 60],
    ['monit3.rom', 'V3', '++ OS ready ++', 400],
    ['mato-mb.rom', 'MATO', '** OS READY **', 300],
  ];
  for (const [rom, model, ready, frames] of boots) {
    const machine = bootedMachine(model, rom);
    assert.ok(runUntil(machine, ready, frames), `${rom}: ${machine.screenText()}`);
    machine.free();
  }
});

test('typed commands reach the monitor and BASIC', { skip: !haveFirmware && NO_FIRMWARE }, () => {
  const sessions = [
    ['monit2.rom', 'V2', null, '++ Os ready ++', 'MEM 8000{EOL}', 'SUB 8000 31 00 80 C3 06 80 3E 8A D3 F7 CD D8 8B'],
    ['monit2A.rom', 'V2A', 'basic2A.rmm', 'OK', 'PRINT 6*7{EOL}', ' 42'],
  ];
  for (const [rom, model, module, ready, script, answer] of sessions) {
    const machine = bootedMachine(model, rom, module && firmware(module));
    assert.ok(runUntil(machine, ready, 400), `${rom}: ${machine.screenText()}`);
    machine.type(script);
    assert.ok(runUntil(machine, answer, 600), `${script}: ${machine.screenText()}`);
    machine.free();
  }
});

test('a key the model has not is refused with its message, and nothing is typed', () => {
  const snapshot = lib.emptySnapshot(MODELS.indexOf('V2'));
  const machine = new Machine(lib, snapshot, null);
  assert.throws(() => machine.type('AB{FOO}'),
    (error) => error.code === -50 && error.message === "Bad key 'FOO': the V2 keyboard has no key of that name");
  assert.equal(machine.typing(), false);
  machine.free();
  snapshot.free();
});

// The module's memory is bounded. With nearly all of it taken, memory is
// given back a piece at a time and a machine tried after each: it fails
// at every point of its allocations (its handle, its memory, its devices)
// with the out-of-memory code, which the library gives by catching the
// allocation's failure, until it fits; the module works on after it.
test('running out of memory ends in a code, not an abort', () => {
  const snapshot = lib.emptySnapshot(MODELS.indexOf('V3'));
  const taken = [];
  for (const size of [32 << 20, 1 << 20, 16 << 10, 1 << 10]) {
    for (let at = lib.q._malloc(size); at; at = lib.q._malloc(size)) taken.push(at);
  }
  const codes = new Set();
  let made = null;
  while (!made && taken.length) {
    lib.q._free(taken.pop());
    try {
      made = new Machine(lib, snapshot, null);
    } catch (error) {
      assert.ok(error instanceof QuilletError, String(error));
      codes.add(error.code);
    }
  }
  for (const at of taken) lib.q._free(at);
  assert.ok(made, 'a machine fits once memory is given back');
  made.free();
  assert.deepEqual([...codes], [-2]);
  new Machine(lib, snapshot, null).free();
  snapshot.free();
});
