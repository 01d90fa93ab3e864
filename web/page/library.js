// The library's C interface as the page uses it: handles, bytes and strings
// moved in and out of the module's memory, failures turned into errors that
// carry the library's own message. Nothing here knows the PMD 85: that is
// the library's.

export const MODELS = ['V1', 'V2', 'V2A', 'V3', 'MATO', 'ALFA', 'ALFA2', 'C2717'];
export const FRAME_STATES = 40960;
export const SECOND_STATES = 2048000;
export const SCREEN_HEIGHT = 256;
const NO_LIMIT = 2n ** 64n - 1n;
const PAIRS = ['AF', 'BC', 'DE', 'HL', 'PC', 'SP'];
export const STOP = { ADDRESS: 1, HALTED: 2, STATE_LIMIT: 3, INSTRUCTIONS: 4, REQUESTED: 5, FRAME: 8, WATCH: 9 };

// A failure of a call: the library's code and message.
export class QuilletError extends Error {
  constructor(code, message) {
    super(message);
    this.code = code;
  }
}

export class Library {
  constructor(module) {
    this.q = module;
    this.lastReport = '';
    // One reporter for every handle: the text of the last failure.
    this.reporter = module.addFunction((user, code, text) => {
      if (code < 0) this.lastReport = module.UTF8ToString(text);
    }, 'viii');
  }

  // Whether the module has the call `name` (without its quillet_ prefix).
  has(name) {
    return typeof this.q[`_quillet_${name}`] === 'function';
  }

  call(name, ...args) {
    return this.q[`_quillet_${name}`](...args);
  }

  // Runs `work` with `bytes` copied into the module's memory.
  withBytes(bytes, work) {
    const at = this.q._malloc(Math.max(bytes.length, 1));
    if (!at) throw new QuilletError(-2, 'Out of memory');
    try {
      this.q.HEAPU8.set(bytes, at);
      return work(at, bytes.length);
    } finally {
      this.q._free(at);
    }
  }

  withString(text, work) {
    if (text === null || text === undefined) return work(0);
    const size = this.q.lengthBytesUTF8(text) + 1;
    const at = this.q._malloc(size);
    try {
      this.q.stringToUTF8(text, at, size);
      return work(at);
    } finally {
      this.q._free(at);
    }
  }

  // Runs `work` with `size` bytes of scratch memory; gives back its result.
  withScratch(size, work) {
    const at = this.q._malloc(Math.max(size, 8));
    if (!at) throw new QuilletError(-2, 'Out of memory');
    try {
      return work(at);
    } finally {
      this.q._free(at);
    }
  }

  text(at) {
    return this.q.UTF8ToString(at);
  }

  // Throws the failure of a call that gave `code`, with `message` or the
  // text the reporter last received.
  check(code, message) {
    if (code < 0) throw new QuilletError(code, message || this.lastReport || `code ${code}`);
    return code;
  }

  modelNumber(name) {
    return this.withString(name, (at) => this.call('model_number', at));
  }

  monitorFits(model, size) {
    return this.call('machine_monitor_fits', model, size) === 1;
  }

  // A snapshot read from a file's bytes; `name` names it in messages.
  readSnapshot(bytes, name) {
    const snapshot = new Snapshot(this);
    const code = this.withBytes(bytes, (at, length) =>
      this.withString(name, (named) => this.call('read_bytes', snapshot.handle, at, length, named)));
    if (code < 0) {
      const message = this.text(this.call('last_message', snapshot.handle));
      snapshot.free();
      throw new QuilletError(code, message);
    }
    return snapshot;
  }

  // An empty snapshot of `model` (a number), with a ROM module if given.
  emptySnapshot(model, romModule) {
    const snapshot = new Snapshot(this);
    this.check(this.call('set_model', snapshot.handle, model));
    if (romModule) snapshot.setRom(romModule);
    return snapshot;
  }

  // A tape read from a file's bytes (PTP, PMD or WAV).
  readTape(bytes, name) {
    const handle = this.call('tape_new');
    if (!handle) throw new QuilletError(-2, 'Out of memory');
    const code = this.withBytes(bytes, (at, length) =>
      this.withString(name, (named) => this.call('tape_read_bytes', handle, at, length, named)));
    if (code < 0) {
      const message = this.text(this.call('tape_last_message', handle));
      this.call('tape_free', handle);
      throw new QuilletError(code, message);
    }
    return new Tape(this, handle);
  }

  // The instruction at `bytes` in Intel mnemonics, and its length.
  disassemble(bytes) {
    return this.withBytes(bytes, (at, length) =>
      this.withScratch(32, (text) => {
        const size = this.call('disassemble', at, length, text, 32);
        return { size, text: this.text(text) };
      }));
  }
}

export class Snapshot {
  constructor(library) {
    this.lib = library;
    this.handle = library.call('snapshot_new');
    if (!this.handle) throw new QuilletError(-2, 'Out of memory');
    library.call('set_reporter', this.handle, library.reporter, 0);
  }

  get model() {
    return this.lib.call('get_model', this.handle);
  }

  setRom(bytes) {
    this.lib.check(this.lib.withBytes(bytes, (at, length) => this.lib.call('set_rom', this.handle, at, length)));
  }

  // The snapshot file's bytes, packed as quillet-run -o writes them.
  bytes(pack = true) {
    const lib = this.lib;
    return lib.withScratch(8, (size) => {
      lib.check(lib.call('write_size', this.handle, pack ? 1 : 0, size));
      const length = lib.q.HEAPU32[size >> 2];
      return lib.withScratch(length, (out) => {
        lib.check(lib.call('write_bytes', this.handle, pack ? 1 : 0, out, length, size));
        return lib.q.HEAPU8.slice(out, out + length);
      });
    });
  }

  free() {
    if (this.handle) this.lib.call('snapshot_free', this.handle);
    this.handle = 0;
  }
}

export class Tape {
  constructor(library, handle) {
    this.lib = library;
    this.handle = handle;
  }

  // The tape's files and loose blocks: number, type, name, start, length,
  // and the block (from 0) each begins with.
  entries() {
    const lib = this.lib;
    const count = lib.call('tape_entry_count', this.handle);
    const offset = ['isFile', 'number', 'type', 'start', 'length', 'name', 'block']
      .map((_, field) => lib.call('web_tape_entry_offset', field));
    const list = [];
    lib.withScratch(lib.call('web_tape_entry_size'), (at) => {
      const word = (field) => lib.q.HEAPU32[(at + offset[field]) >> 2];
      for (let i = 0; i < count; ++i) {
        lib.check(lib.call('tape_entry_info', this.handle, i, at));
        list.push({ isFile: word(0) === 1, number: word(1), type: String.fromCharCode(word(2)),
          start: word(3), length: word(4), name: lib.text(at + offset[5]), block: word(6) });
      }
    });
    return list;
  }

  free() {
    if (this.handle) this.lib.call('tape_free', this.handle);
    this.handle = 0;
  }
}

// A whole PMD 85 of a snapshot's model, with its monitor image.
export class Machine {
  constructor(library, snapshot, monitor) {
    this.lib = library;
    this.model = snapshot.model;
    library.lastReport = '';
    const code = library.withScratch(8, (out) => {
      const made = monitor
        ? library.withBytes(monitor, (at, length) =>
          library.call('machine_new', snapshot.handle, at, length, library.reporter, 0, out))
        : library.call('machine_new', snapshot.handle, 0, 0, library.reporter, 0, out);
      this.handle = library.q.HEAPU32[out >> 2];
      return made;
    });
    library.check(code);
    this.cpu = library.call('machine_cpu', this.handle);
  }

  free() {
    if (this.handle) this.lib.call('machine_free', this.handle);
    this.handle = 0;
  }

  boot() {
    this.lib.check(this.lib.call('machine_boot', this.handle));
  }

  get frames() {
    return Number(this.lib.call('machine_frames', this.handle));
  }

  get states() {
    return this.lib.call('cpu_states', this.cpu);
  }

  get instructions() {
    return this.lib.call('cpu_instructions', this.cpu);
  }

  // Runs to the end of the current frame or an earlier stop: the reason.
  runFrame() {
    if (this.lib.has('machine_run_frame')) {
      // A run that ended at a stop address goes on from it: its instruction
      // first, then the rest of the frame.
      const pc = Number(this.lib.call('cpu_get_pair', this.cpu, 4));
      if (pc === this.stoppedAt) {
        this.stoppedAt = null;
        const reason = this.step(1);
        if (reason !== STOP.INSTRUCTIONS) return reason;
      }
      const reason = this.lib.call('machine_run_frame', this.handle);
      this.stoppedAt = reason === STOP.ADDRESS ? Number(this.lib.call('cpu_get_pair', this.cpu, 4)) : null;
      return reason;
    }
    const into = this.states % BigInt(FRAME_STATES);
    const reason = this.lib.call('cpu_run', this.cpu, BigInt(FRAME_STATES) - into, NO_LIMIT, 1);
    return reason === STOP.STATE_LIMIT ? STOP.FRAME : reason;
  }

  // Runs `count` instructions (stepping off a stop address).
  step(count = 1) {
    return this.lib.call('cpu_run', this.cpu, NO_LIMIT, BigInt(count), 1);
  }

  setStop(address, on) {
    this.lib.check(this.lib.call('cpu_set_stop', this.cpu, address, on ? 1 : 0));
  }

  registers() {
    const values = {};
    PAIRS.forEach((name, index) => { values[name] = Number(this.lib.call('cpu_get_pair', this.cpu, index)); });
    values.interrupts = this.lib.call('cpu_get_interrupts', this.cpu) === 1;
    values.halted = this.lib.call('cpu_get_halted', this.cpu) === 1;
    return values;
  }

  setRegister(name, value) {
    const index = PAIRS.indexOf(name);
    this.lib.check(this.lib.call('cpu_set_pair', this.cpu, index, value));
  }

  // `length` bytes as the processor reads them from `address`.
  readMemory(address, length) {
    return this.lib.withScratch(length, (out) => {
      this.lib.check(this.lib.call('cpu_read_memory', this.cpu, address, out, length));
      return this.lib.q.HEAPU8.slice(out, out + length);
    });
  }

  // `length` bytes at `offset` of memory page `page` (0..15, 16 KB each),
  // as the machine holds them whatever the map shows.
  readPage(page, offset, length) {
    const lib = this.lib;
    const snapshot = lib.emptySnapshot(this.model);
    try {
      lib.check(lib.call('machine_to_snapshot', this.handle, snapshot.handle));
      return lib.withScratch(length, (out) => {
        lib.check(lib.call('read_page', snapshot.handle, page, offset, out, length));
        return lib.q.HEAPU8.slice(out, out + length);
      });
    } finally {
      snapshot.free();
    }
  }

  writeMemory(address, bytes) {
    this.lib.check(this.lib.withBytes(bytes, (at, length) => this.lib.call('cpu_write_memory', this.cpu, address, at, length)));
  }

  get screenWidth() {
    return this.lib.call('machine_screen_width', this.handle);
  }

  // The frame as the screen shows it: RGBA, `width` × 256.
  picture(blinkOn) {
    const width = this.screenWidth;
    const size = width * SCREEN_HEIGHT * 4;
    return this.lib.withScratch(size, (out) => {
      this.lib.check(this.lib.call('machine_render_rgba', this.handle, blinkOn ? 1 : 0, out, size));
      return { width, pixels: new Uint8ClampedArray(this.lib.q.HEAPU8.slice(out, out + size).buffer) };
    });
  }

  // The video memory, 16 KB: what the picture is drawn from.
  video() {
    return this.lib.withScratch(16384, (out) => {
      this.lib.check(this.lib.call('machine_read_video', this.handle, out, 16384));
      return this.lib.q.HEAPU8.slice(out, out + 16384);
    });
  }

  // The screen's text, read with the monitor's font ('' without a font).
  screenText() {
    const lib = this.lib;
    return lib.withScratch(8, (length) => {
      if (lib.call('machine_screen_text', this.handle, 0, 0, length) < 0) return '';
      const size = lib.q.HEAPU32[length >> 2] + 1;
      return lib.withScratch(size, (out) => {
        lib.call('machine_screen_text', this.handle, out, size, 0);
        return lib.text(out);
      });
    });
  }

  // Types `script` as quillet-run --type does.
  type(script) {
    const lib = this.lib;
    lib.lastReport = '';
    lib.check(lib.withString(script, (at) => lib.call('machine_type', this.handle, at, lib.q.lengthBytesUTF8(script))));
  }

  // Presses or releases the key called `name` (or the key of a character).
  key(name, down) {
    const lib = this.lib;
    lib.lastReport = '';
    lib.check(lib.withString(name, (at) => lib.call('machine_key', this.handle, at, down ? 1 : 0)));
  }

  // The model's key names, or null where the module cannot list them.
  keyNames() {
    if (!this.lib.has('machine_key_names')) return null;
    const lib = this.lib;
    const count = lib.call('machine_key_names', this.model, 0, 0);
    return lib.withScratch(4 * count, (at) => {
      lib.call('machine_key_names', this.model, at, count);
      return Array.from(lib.q.HEAPU32.subarray(at >> 2, (at >> 2) + count), (name) => lib.text(name));
    });
  }

  typing() {
    return this.lib.call('machine_typing', this.handle) === 1;
  }

  insertTape(tape) {
    this.lib.lastReport = '';
    this.lib.check(this.lib.call('machine_insert_tape', this.handle, tape ? tape.handle : 0));
  }

  // Winds the tape to the lead-in before block `block` (from 0); it plays
  // from the program's next read of the tape interface on.
  rewindTape(block) {
    this.lib.check(this.lib.call('machine_rewind_tape', this.handle, block));
  }

  // Blocks played and blocks on the tape.
  tapeBlocks() {
    const lib = this.lib;
    return lib.withScratch(8, (at) => {
      lib.call('machine_tape_blocks', this.handle, at, at + 4);
      return { played: lib.q.HEAPU32[at >> 2], total: lib.q.HEAPU32[(at >> 2) + 1] };
    });
  }

  // The machine as a snapshot (the caller frees it).
  snapshot(from) {
    this.lib.check(this.lib.call('machine_to_snapshot', this.handle, from.handle));
    return from;
  }

  // The sound since the last call at `rate`, or null where the module
  // cannot give it a frame at a time.
  takeAudio(rate, capacity) {
    if (!this.lib.has('machine_take_audio')) return null;
    const lib = this.lib;
    return lib.withScratch(2 * capacity + 8, (out) => {
      const count = out + 2 * capacity;
      lib.check(lib.call('machine_take_audio', this.handle, rate, out, capacity, count));
      const n = lib.q.HEAPU32[count >> 2];
      return new Int16Array(lib.q.HEAPU8.slice(out, out + 2 * n).buffer);
    });
  }

  // Watches `first`..`last` for reads (1), writes (2) or both (3).
  watch(first, last, kinds) {
    this.lib.check(this.lib.call('machine_watch', this.handle, first, last, kinds));
  }

  unwatch(first, last) {
    this.lib.check(this.lib.call('machine_unwatch', this.handle, first, last));
  }

  // The address and kind of the access that ended the last run.
  watchHit() {
    const lib = this.lib;
    return lib.withScratch(8, (at) => {
      lib.check(lib.call('machine_watch_hit', this.handle, at, at + 4));
      return { address: lib.q.HEAPU16[at >> 1], kind: lib.q.HEAP32[(at >> 2) + 1] };
    });
  }

  // A saved state blob, or null where the module cannot save one.
  saveState() {
    if (!this.lib.has('machine_save_state')) return null;
    const lib = this.lib;
    return lib.withScratch(8, (length) => {
      lib.check(lib.call('machine_save_state', this.handle, 0, 0, length));
      const size = lib.q.HEAPU32[length >> 2];
      return lib.withScratch(size, (out) => {
        lib.check(lib.call('machine_save_state', this.handle, out, size, length));
        return lib.q.HEAPU8.slice(out, out + size);
      });
    });
  }

  loadState(blob) {
    this.lib.check(this.lib.withBytes(blob, (at, length) => this.lib.call('machine_load_state', this.handle, at, length)));
  }
}
