// The debugger: registers and flags, the disassembly around PC with the
// listing's labels, stepping, breakpoints and watchpoints, and a memory
// view where bytes and registers can be changed.
import { STOP } from './library.js';

const FLAGS = [['S', 0x80], ['Z', 0x40], ['AC', 0x10], ['P', 0x04], ['CY', 0x01]];
const hex = (value, digits = 4) => value.toString(16).toUpperCase().padStart(digits, '0');

// The labels of an asm80 listing: its symbol table's "NAME: 0022 DEFINED AT
// LINE 20" lines.
export function readLabels(text) {
  const labels = new Map();
  for (const line of text.split(/\r?\n/)) {
    const found = /^\s*([A-Za-z_.?@][\w.?@]*):?\s+([0-9A-Fa-f]{4})\s+DEFINED AT LINE/.exec(line);
    if (found && !labels.has(found[1].toUpperCase())) labels.set(found[1].toUpperCase(), parseInt(found[2], 16));
  }
  return labels;
}

export class Debugger {
  constructor(elements, lib, report) {
    this.e = elements;
    this.lib = lib;
    this.report = report;
    this.machine = null;
    this.labels = new Map();
    this.breakpoints = new Set();
    this.stopAt = null;       // the address of "run to" or "step over"
  }

  setMachine(machine) {
    this.machine = machine;
    for (const address of this.breakpoints) machine.setStop(address, true);
    this.stopAt = null;
  }

  setLabels(labels) {
    this.labels = labels;
    this.names = new Map([...labels].map(([name, value]) => [value, name]));
  }

  // An address typed by the user: hex (8000, 8000H, 0x8000) or a label,
  // either with +N or -N after it.
  address(text) {
    const found = /^\s*([A-Za-z_.?@][\w.?@]*|[0-9A-Fa-f]+H?|0x[0-9A-Fa-f]+)\s*(?:([+-])\s*(\d+))?\s*$/i.exec(text);
    if (!found) throw new Error(`not an address or label: '${text}'`);
    let value;
    const word = found[1];
    if (this.labels.has(word.toUpperCase())) value = this.labels.get(word.toUpperCase());
    else if (/^(0x)?[0-9A-F]+H?$/i.test(word)) value = parseInt(word.replace(/^0x|H$/i, ''), 16);
    else throw new Error(`no label '${word}'`);
    if (found[2]) value += (found[2] === '-' ? -1 : 1) * Number(found[3]);
    if (!(value >= 0 && value <= 0xFFFF)) throw new Error(`'${text}' is outside 0..FFFF`);
    return value;
  }

  addBreakpoint(text) {
    const address = this.address(text);
    this.breakpoints.add(address);
    this.machine.setStop(address, true);
    this.showBreakpoints();
  }

  removeBreakpoint(address) {
    this.breakpoints.delete(address);
    if (address !== this.stopAt) this.machine.setStop(address, false);
    this.showBreakpoints();
  }

  addWatch(text, kinds) {
    const [first, last] = text.split('-').map((part) => this.address(part));
    if (!this.machine.watch(first, last === undefined ? first : last, kinds)) {
      throw new Error('watchpoints need the library\'s watch call, which this build lacks');
    }
  }

  // A temporary stop for "run to" and "step over".
  runTo(address) {
    this.clearStopAt();
    this.stopAt = address;
    this.machine.setStop(address, true);
  }

  clearStopAt() {
    if (this.stopAt !== null && !this.breakpoints.has(this.stopAt)) this.machine.setStop(this.stopAt, false);
    this.stopAt = null;
  }

  // After a step over a CALL, the instruction after it; null for others.
  stepOverTarget() {
    const pc = this.machine.registers().PC;
    const bytes = this.machine.readMemory(pc, 3);
    const opcode = bytes[0];
    const isCall = opcode === 0xCD || (opcode & 0xC7) === 0xC4 || (opcode & 0xC7) === 0xC7;
    return isCall ? (pc + this.lib.disassemble(bytes).size) & 0xFFFF : null;
  }

  // What a run's end means to the user: null to go on, or a sentence.
  stopReason(reason) {
    if (reason === STOP.ADDRESS) {
      const pc = this.machine.registers().PC;
      const wanted = pc === this.stopAt;
      this.clearStopAt();
      return wanted ? `At ${this.name(pc)}` : `Breakpoint at ${this.name(pc)}`;
    }
    if (reason === STOP.WATCH) {
      const hit = this.machine.watchHit();
      return `Watchpoint: ${hit.kind === 2 ? 'write to' : 'read of'} ${this.name(hit.address)}`;
    }
    if (reason === STOP.HALTED) return 'Halted';
    return null;
  }

  name(address) {
    const label = this.names && this.names.get(address);
    return label ? `${label} (${hex(address)})` : hex(address);
  }

  show(memoryAddressText, memoryPage) {
    if (!this.machine) return;
    const r = this.machine.registers();
    const flags = FLAGS.filter(([, bit]) => r.AF & bit).map(([flag]) => flag).join(' ');
    this.e.registers.textContent =
      `PC ${hex(r.PC)}  SP ${hex(r.SP)}  AF ${hex(r.AF)}\nBC ${hex(r.BC)}  DE ${hex(r.DE)}  HL ${hex(r.HL)}\n` +
      `flags ${flags || '-'}  interrupts ${r.interrupts ? 'on' : 'off'}${r.halted ? '  halted' : ''}` +
      (this.names && this.names.has(r.PC) ? `\nat ${this.names.get(r.PC)}` : '');
    this.showDisassembly(r.PC);
    this.showMemory(memoryAddressText, memoryPage);
  }

  showDisassembly(pc) {
    const lines = [];
    let at = pc;
    const bytes = this.machine.readMemory(0, 65536);
    for (let i = 0; i < 12; ++i) {
      const slice = bytes.subarray(at, Math.min(at + 3, 65536));
      const { size, text } = this.lib.disassemble(slice);
      const label = this.names && this.names.get(at);
      if (label) lines.push(`${label}:`);
      const code = Array.from(bytes.subarray(at, at + size), (b) => hex(b, 2)).join(' ');
      lines.push(`${at === pc ? '>' : ' '}${this.breakpoints.has(at) ? '*' : ' '}${hex(at)}  ${code.padEnd(9)} ${text}`);
      at = (at + Math.max(size, 1)) & 0xFFFF;
    }
    this.e.disassembly.textContent = lines.join('\n');
  }

  // 128 bytes from the address as the processor sees them, or from the
  // offset (0..3FFF) of a memory page.
  showMemory(text, page = '') {
    let start;
    try {
      start = this.address(text) & 0xFFF0;
      if (page !== '' && start > 0x3FFF) throw new Error(`'${text}' is outside a page's 0..3FFF`);
    } catch (error) {
      this.e.memory.textContent = error.message;
      return;
    }
    const end = page === '' ? 65536 : 16384;
    const length = Math.min(128, end - start);
    const bytes = page === '' ? this.machine.readMemory(start, length)
      : this.machine.readPage(Number(page), start, length);
    const lines = [];
    for (let row = 0; row < length; row += 16) {
      const part = bytes.subarray(row, row + 16);
      const chars = Array.from(part, (b) => (b >= 0x20 && b < 0x7F ? String.fromCharCode(b) : '.')).join('');
      lines.push(`${hex(start + row)}  ${Array.from(part, (b) => hex(b, 2)).join(' ')}  ${chars}`);
    }
    this.e.memory.textContent = lines.join('\n');
  }

  // "PC=8000" sets a register pair; "8000 3E 01" writes bytes.
  apply(text) {
    const register = /^\s*(AF|BC|DE|HL|PC|SP)\s*=\s*(\S+)\s*$/i.exec(text);
    if (register) {
      this.machine.setRegister(register[1].toUpperCase(), this.address(register[2]));
      return;
    }
    const [where, ...values] = text.trim().split(/\s+/);
    if (!values.length) throw new Error('give an address and the bytes, or a register as PC=8000');
    const bytes = values.map((value) => {
      const byte = parseInt(value.replace(/H$/i, ''), 16);
      if (!/^[0-9A-F]{1,2}H?$/i.test(value)) throw new Error(`not a byte: '${value}'`);
      return byte;
    });
    this.machine.writeMemory(this.address(where), bytes);
  }

  showBreakpoints() {
    const list = this.e.breakpoints;
    list.textContent = '';
    for (const address of [...this.breakpoints].sort((a, b) => a - b)) {
      const item = document.createElement('li');
      item.textContent = `${this.name(address)} `;
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.textContent = 'remove';
      remove.addEventListener('click', () => this.removeBreakpoint(address));
      item.append(remove);
      list.append(item);
    }
  }
}
