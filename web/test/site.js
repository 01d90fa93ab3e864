// Where the tests find the built site and the firmware: QUILLET_SITE (the
// build's web/ folder) and QUILLET_FIRMWARE (the monitor images; default
// ../shared/pmd85-roms beside the project).
import { existsSync, readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const project = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const SITE = resolve(process.env.QUILLET_SITE || join(project, 'build-web/web'));
export const FIRMWARE = resolve(process.env.QUILLET_FIRMWARE || join(project, '../shared/pmd85-roms'));
export const TAPES = resolve(join(project, '../shared/pmd85-tapes'));
export const NO_FIRMWARE = `no ${FIRMWARE}: the PMD 85 firmware tests are skipped`;

export function firmware(name) {
  const path = join(FIRMWARE, name);
  return existsSync(path) ? new Uint8Array(readFileSync(path)) : null;
}

export const haveFirmware = existsSync(join(FIRMWARE, 'monit2.rom'));
