// The tape recorder's panel: the tape's files, a button per file that winds
// the tape to the file and types the monitor's MGLD command for it (as a
// person winds the recorder before loading), the recorder's play and stop
// key, how far the tape has played, and what the program has saved with a
// button that downloads it.

const hex = (value) => value.toString(16).toUpperCase().padStart(4, '0');
const blocksText = (count) => (count === 1 ? '1 block' : `${count} blocks`);

export class TapePanel {
  // `elements`: body (the list's tbody), position, play, saved, download;
  // `actions`: load(block, script) winds the tape to `block` and types
  // `script`, play(playing) works the key, download() takes what was saved.
  constructor(elements, actions) {
    this.elements = elements;
    this.load = actions.load;
    this.playing = false;
    elements.play.addEventListener('click', () => actions.play(this.playing));
    elements.download.addEventListener('click', () => actions.download());
  }

  show(entries) {
    const body = this.elements.body;
    body.textContent = '';
    for (const entry of entries) {
      const row = document.createElement('tr');
      const number = entry.isFile ? String(entry.number).padStart(2, '0') : '';
      const cells = entry.isFile
        ? [number, entry.type, entry.name, hex(entry.start), String(entry.length)]
        : ['', '', '(a block of no file)', '', ''];
      for (const text of cells) {
        const cell = document.createElement('td');
        cell.textContent = text;
        row.append(cell);
      }
      const action = document.createElement('td');
      if (entry.isFile) {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = `MGLD ${number}`;
        button.className = 'mgld';
        button.addEventListener('click', () => this.load(entry.block, `MGLD ${number}\n`));
        action.append(button);
      }
      row.append(action);
      body.append(row);
    }
  }

  // Shows the tape's position, the recorder's key and what was saved;
  // true while the tape rolls.
  update(blocks, playing, saved) {
    const { position, play, saved: savedText, download } = this.elements;
    this.playing = playing;
    const text = blocks.total ? `${blocks.played} of ${blocks.total} blocks` : 'no tape';
    if (position.textContent !== text) position.textContent = text;
    const key = playing ? 'Stop' : 'Play';
    if (play.textContent !== key) play.textContent = key;
    play.disabled = blocks.total === 0;
    const savedNow = saved.blocks ? `${blocksText(saved.blocks)}, ${saved.bytes} bytes` : 'nothing';
    if (savedText.textContent !== savedNow) savedText.textContent = savedNow;
    download.disabled = saved.blocks === 0;
    return playing && blocks.total > 0 && blocks.played < blocks.total;
  }
}
