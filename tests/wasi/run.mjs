// Runs a wasm32-wasi program under node's WASI, with the firmware folder
// (QUILLET_FIRMWARE) given to it as /firmware and named so in its
// environment: the examples read their monitor images from there.
//   node run.mjs PROGRAM.wasm [ARG...]
import { existsSync, readFileSync } from 'node:fs';
import { WASI } from 'node:wasi';

const [program, ...args] = process.argv.slice(2);
const firmware = process.env.QUILLET_FIRMWARE;
const given = firmware && existsSync(firmware);
const wasi = new WASI({
  version: 'preview1',
  args: [program, ...args],
  env: given ? { QUILLET_FIRMWARE: '/firmware' } : {},
  preopens: given ? { '/firmware': firmware } : {},
  returnOnExit: true,
});
const module = await WebAssembly.compile(readFileSync(program));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
process.exitCode = wasi.start(instance);
