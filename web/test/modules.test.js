// The page's own reading of what the user gives, under node: PC keys to
// the library's key names, pasted text to a typing script, listings to
// labels, typed addresses, and dropped files' kinds.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { keyName, typingScript } from '../page/keys.js';
import { Debugger, readLabels } from '../page/debugger.js';
import { kindByName } from '../page/files.js';

test('PC key events name the PMD 85 key the library knows', () => {
  const cases = [
    [{ key: 'Enter', code: 'Enter' }, 'EOL'],
    [{ key: 'ArrowLeft', code: 'ArrowLeft' }, 'LEFT'],
    [{ key: 'F1', code: 'F1' }, 'K0'],
    [{ key: 'F12', code: 'F12' }, 'K11'],
    [{ key: 'F13', code: 'F13' }, null],
    [{ key: 'Escape', code: 'Escape' }, 'STOP'],
    [{ key: ' ', code: 'Space' }, 'SPACE'],
    [{ key: 'm', code: 'KeyM' }, 'M'],                  // the key, whatever the case
    [{ key: 'M', code: 'KeyM' }, 'M'],
    [{ key: '!', code: 'Digit1' }, '1'],                // the shift is a key of its own
    [{ key: 'ž', code: 'Digit6' }, '6'],                // another layout's character: the key
    [{ key: ';', code: 'Semicolon' }, ';'],
    [{ key: 'Dead', code: 'Quote' }, null],
    [{ key: 'Shift', code: 'ShiftLeft' }, 'SHIFT'],
  ];
  for (const [event, name] of cases) assert.equal(keyName(event), name, JSON.stringify(event));
});

test('pasted text becomes a script that types it as it is', () => {
  const cases = [
    ['MEM 8000\n', 'MEM 8000\n'],
    ['a{b}', 'a{LBRACE}b{RBRACE}'],
    ['10 PRINT 1\r\n20 END\r', '10 PRINT 1\n20 END\n'],
    ['{EOL}', '{LBRACE}EOL{RBRACE}'],
  ];
  for (const [text, script] of cases) assert.equal(typingScript(text), script);
});

test('an asm80 listing gives its symbol table\'s labels, and nothing else', () => {
  const listing = [
    '0000   31 00 70          START:  LXI SP,7000H',
    '0003   C3 03 00          LOOP:   JMP LOOP',
    '',
    'START:              0000 DEFINED AT LINE 1',
    '                    > USED AT LINE 9',
    'loop:               0003 DEFINED AT LINE 2',
    'Loop:               0099 DEFINED AT LINE 7',
    'VADDR               C0A0 DEFINED AT LINE 4',
  ].join('\r\n');
  assert.deepEqual([...readLabels(listing)], [['START', 0], ['LOOP', 3], ['VADDR', 0xC0A0]]);
});

test('typed addresses: hex, labels and offsets, within 0..FFFF', () => {
  const debug = new Debugger({}, null, () => {});
  debug.setLabels(new Map([['DONE', 0x22], ['TABLE', 0xFFFE]]));
  const good = [['8000', 0x8000], ['8000H', 0x8000], ['0x1F', 0x1F], ['done', 0x22], ['DONE+3', 0x25],
    ['done - 2', 0x20], ['table+1', 0xFFFF], ['0', 0]];
  for (const [text, value] of good) assert.equal(debug.address(text), value, text);
  const bad = [['table+2', /outside/], ['done-35', /outside/], ['10000', /outside/], ['nolabel', /no label 'nolabel'/],
    ['', /not an address/], ['8000 12', /not an address/]];
  for (const [text, message] of bad) assert.throws(() => debug.address(text), message, text);
});

test('dropped files are taken by their names\' endings', () => {
  const cases = [['game.zvk', 'snapshot'], ['GAME.ZVK', 'snapshot'], ['a.ptp', 'tape'], ['a.pmd', 'tape'],
    ['a.wav', 'tape'], ['a.lst', 'labels'], ['basic2A.rmm', 'module'], ['monit2.rom', 'monitor'],
    ['notes.txt', null], ['noending', null]];
  for (const [name, kind] of cases) assert.equal(kindByName(name), kind, name);
});
