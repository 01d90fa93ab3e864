// The page: loads the library's module, builds the machine from the files
// given, and ties the loop, screen, keys, sound, tapes and debugger to it.
// Parameters of the page's address: model, monitor, module, snapshot, tape,
// labels (URLs relative to the page), type (keys as quillet-run --type
// writes them), speed (1, 2, 10, max), frames (run exactly N frames from
// the start, then pause).
import { Library, Machine, MODELS, STOP } from './library.js';
import { Loop } from './loop.js';
import { Screen } from './screen.js';
import { Keys } from './keys.js';
import { Sound } from './sound.js';
import { TapePanel } from './tapes.js';
import { Debugger, readLabels } from './debugger.js';
import * as files from './files.js';

const $ = (id) => document.getElementById(id);
const params = new URLSearchParams(location.search);

const state = {
  model: 'V2A',
  monitor: null,        // the monitor image of state.model
  module: null,         // a ROM module's bytes
  snapshot: null,       // { name, bytes } of a snapshot file
  tape: null,           // a Tape handle
  machine: null,
  frameLimit: params.has('frames') ? Number(params.get('frames')) : null,
  saved: null,          // a saved state
};

function report(text) {
  const box = $('message');
  box.textContent = text;
  box.hidden = !text;
}

function status(text) {
  $('run-state').textContent = text ? `— ${text}` : '';
}

// The files the address names are fetched while the module compiles.
const GIVEN = ['monitor', 'module', 'snapshot', 'tape', 'labels'];
const fetched = new Map(GIVEN.filter((p) => params.has(p)).map((p) => [p, files.fetchFile(params.get(p))]));
for (const pending of fetched.values()) pending.catch(() => {});
const lib = new Library(await window.createQuillet());
performance.mark('quillet-module-ready');
const screen = new Screen($('screen'), $('screen-text'));
const sound = new Sound($('mute'));
const keys = new Keys($('screen'), $('keyboard'), null, report);
const tapes = new TapePanel($('tape-list').tBodies[0], $('tape-position'), (block, script) => {
  if (!state.machine) return;
  try {
    state.machine.rewindTape(block);
  } catch (error) {
    report(error.message);
    return;
  }
  keys.type(script);
  $('screen').focus();
});
const debug = new Debugger({ registers: $('registers'), disassembly: $('disassembly'), memory: $('memory'),
  breakpoints: $('breakpoints') }, lib, report);

// One machine frame; false ends the run (a stop, or the frame limit).
function step() {
  const machine = state.machine;
  const reason = machine.runFrame();
  sound.take(machine, loop.speed === 1);
  if (reason !== STOP.FRAME) {
    status(debug.stopReason(reason) || `Stopped: ${lib.text(lib.call('stop_name', reason))}`);
    return false;
  }
  if (state.frameLimit !== null && machine.frames >= state.frameLimit) {
    status(`${state.frameLimit} frames`);
    return false;
  }
  return true;
}

let countersAt = -Infinity;

function shown() {
  const machine = state.machine;
  const paused = !loop.running;
  screen.draw(machine, paused);
  sound.flush();
  const tapeRolling = tapes.update(machine.tapeBlocks());
  if ($('tape-fast').checked) loop.setSpeed(tapeRolling ? 'max' : $('speed').value);
  // The counters change every frame: shown a few times a second.
  const now = performance.now();
  if (paused || now - countersAt > 200) {
    countersAt = now;
    $('frame-count').textContent = machine.frames;
    $('state-count').textContent = machine.states;
  }
  if (paused) showPaused();
}

function showPaused() {
  debug.show($('memory-address').value, $('memory-page').value);
  document.body.dataset.running = 'no';
}

const loop = new Loop(step, shown);

function run() {
  if (!state.machine) return;
  status('');
  document.body.dataset.running = 'yes';
  loop.run();
}

function pause() {
  loop.pause();
  if (state.machine) {
    status('Paused');
    shown();
  }
}

// A new machine from the files: the snapshot's state, or a booted monitor.
function build() {
  loop.pause();
  report('');
  if (state.machine) state.machine.free();
  state.machine = null;
  let snapshot;
  try {
    snapshot = state.snapshot ? lib.readSnapshot(state.snapshot.bytes, state.snapshot.name)
      : lib.emptySnapshot(MODELS.indexOf(state.model), state.module);
  } catch (error) {
    report(error.message);
    return false;
  }
  if (state.snapshot) setModel(MODELS[snapshot.model]);
  if (state.snapshot && state.module) snapshot.setRom(state.module);
  try {
    state.machine = new Machine(lib, snapshot, state.monitor);
  } catch (error) {
    report(error.message);
    return false;
  } finally {
    snapshot.free();
  }
  const machine = state.machine;
  $('no-monitor').hidden = state.monitor !== null;
  if (!state.snapshot && state.monitor) machine.boot();
  if (state.tape) machine.insertTape(state.tape);
  keys.setMachine(machine);
  debug.setMachine(machine);
  $('load-state').disabled = true;
  state.saved = null;
  screen.draw(machine, true);
  return true;
}

function setModel(model) {
  if (model === state.model && state.monitor) return;
  state.model = model;
  $('model').value = model;
  state.monitor = files.storedMonitor(model);
}

// Takes a file as `kind`; a file the library refuses shows its message.
function take(kind, file) {
  try {
    if (kind === 'monitor') {
      if (!lib.monitorFits(MODELS.indexOf(state.model), file.bytes.length)) {
        throw new Error(`${file.name}: ${file.bytes.length} bytes is no monitor image of the ${state.model}`);
      }
      state.monitor = file.bytes;
      files.storeMonitor(state.model, file.bytes);
    } else if (kind === 'module') {
      state.module = file.bytes;
    } else if (kind === 'snapshot') {
      lib.readSnapshot(file.bytes, file.name).free();
      state.snapshot = file;
    } else if (kind === 'tape') {
      const tape = lib.readTape(file.bytes, file.name);
      if (state.tape) state.tape.free();
      state.tape = tape;
      tapes.show(tape.entries());
      if (state.machine) {
        state.machine.insertTape(tape);
        return true;
      }
    } else if (kind === 'labels') {
      debug.setLabels(readLabels(new TextDecoder().decode(file.bytes)));
      debug.showBreakpoints();
      return true;
    }
  } catch (error) {
    report(error.message);
    return false;
  }
  return build();
}

function bindFileInput(id, kind) {
  $(id).addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (!file) return;
    const wasRunning = loop.running;
    if (take(kind, await files.readFile(file)) && (wasRunning || kind !== 'labels')) run();
    event.target.value = '';
  });
}

async function dropped(file) {
  const read = await files.readFile(file);
  const kind = files.kindByName(read.name) || 'snapshot';
  if (take(kind, read)) run();
}

function save(what) {
  const machine = state.machine;
  if (!machine) return;
  try {
    if (what === 'snapshot') {
      const snapshot = state.snapshot ? lib.readSnapshot(state.snapshot.bytes, state.snapshot.name)
        : lib.emptySnapshot(MODELS.indexOf(state.model), state.module);
      try {
        files.download(machine.snapshot(snapshot).bytes(true), 'quillet.zvk', 'application/octet-stream');
      } finally {
        snapshot.free();
      }
    } else if (what === 'state') {
      state.saved = machine.saveState();
      if (!state.saved) throw new Error('saving the state needs the library\'s save_state, which this build lacks');
      $('load-state').disabled = false;
    } else if (what === 'restore') {
      machine.loadState(state.saved);
      shown();
    }
  } catch (error) {
    report(error.message);
  }
}

// The controls.
for (const model of MODELS) $('model').append(new Option(model, model));
$('model').addEventListener('change', () => {
  state.snapshot = null;
  setModel($('model').value);
  if (build()) run();
});
$('run').addEventListener('click', () => {
  state.frameLimit = null;
  run();
});
$('pause').addEventListener('click', pause);
$('reset').addEventListener('click', () => { if (build()) run(); });
$('boot').addEventListener('click', () => {
  if (!state.machine) return;
  try {
    state.machine.boot();
    run();
  } catch (error) {
    report(error.message);
  }
});
$('speed').addEventListener('change', () => loop.setSpeed($('speed').value));
$('tape-fast').addEventListener('change', () => loop.setSpeed($('speed').value));
$('type-paste').addEventListener('click', () => { keys.type($('paste').value); $('screen').focus(); });
// Text pasted while the screen has the focus is typed.
window.addEventListener('paste', (event) => {
  if (document.activeElement === $('screen')) keys.type(event.clipboardData.getData('text'));
});
$('save-snapshot').addEventListener('click', () => save('snapshot'));
$('save-png').addEventListener('click', async () => files.download(await screen.png(), 'quillet.png', 'image/png'));
$('save-state').addEventListener('click', () => save('state'));
$('load-state').addEventListener('click', () => save('restore'));
const guarded = (work) => () => {
  try {
    report('');
    work();
  } catch (error) {
    report(error.message);
  }
  if (state.machine && !loop.running) showPaused();
};
$('step').addEventListener('click', guarded(() => {
  pause();
  state.machine.step(1);
  shown();
}));
$('step-over').addEventListener('click', guarded(() => {
  pause();
  const after = debug.stepOverTarget();
  if (after === null) {
    state.machine.step(1);
    shown();
  } else {
    debug.runTo(after);
    run();
  }
}));
$('run-to').addEventListener('change', guarded(() => { debug.runTo(debug.address($('run-to').value)); run(); }));
$('add-breakpoint').addEventListener('click', guarded(() => debug.addBreakpoint($('breakpoint').value)));
$('add-watch').addEventListener('click', guarded(() => debug.addWatch($('watch').value, Number($('watch-kind').value))));
$('apply-poke').addEventListener('click', guarded(() => debug.apply($('poke').value)));
$('memory-address').addEventListener('change', guarded(() => {}));
$('memory-page').addEventListener('change', guarded(() => {}));
for (let page = 0; page < 16; ++page) $('memory-page').append(new Option(`page ${page}`, String(page)));
bindFileInput('monitor-file', 'monitor');
bindFileInput('module-file', 'module');
bindFileInput('snapshot-file', 'snapshot');
bindFileInput('tape-file', 'tape');
bindFileInput('labels-file', 'labels');
files.acceptDrops($('drop-zone'), dropped);
$('version').textContent = lib.text(lib.call('version'));

// The page's address: files, keys, speed and frames.
async function fromAddress() {
  setModel(params.get('model') || 'V2A');
  for (const [kind, pending] of fetched) {
    try {
      const file = await pending;
      if (kind === 'monitor') state.monitor = file.bytes;
      else if (kind === 'module') state.module = file.bytes;
      else if (kind === 'snapshot') state.snapshot = file;
      else if (kind === 'tape' || kind === 'labels') state.pending = [...(state.pending || []), [kind, file]];
    } catch (error) {
      report(error.message);
      return;
    }
  }
  if (!build()) return;
  for (const [kind, file] of state.pending || []) take(kind, file);
  if (params.has('speed')) {
    $('speed').value = params.get('speed');
    loop.setSpeed(params.get('speed'));
  }
  if (params.has('type')) {
    try {
      state.machine.type(params.get('type'));
    } catch (error) {
      report(error.message);
    }
  }
  if (state.monitor || state.snapshot) run();
}

await fromAddress();
window.quilletPage = { state, loop, sound, lib, ready: true };
document.body.dataset.ready = 'yes';
