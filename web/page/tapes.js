// The tape recorder's panel: the tape's files, a button per file that winds
// the tape to the file and types the monitor's MGLD command for it (as a
// person winds the recorder before loading), and how far the tape has
// played.

const hex = (value) => value.toString(16).toUpperCase().padStart(4, '0');

export class TapePanel {
  constructor(body, position, load) {
    this.body = body;
    this.position = position;
    this.load = load;    // (block, script): winds the tape to `block`, types `script`
  }

  show(entries) {
    this.body.textContent = '';
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
      this.body.append(row);
    }
  }

  update(blocks) {
    const text = blocks.total ? `${blocks.played} of ${blocks.total} blocks` : 'no tape';
    if (this.position.textContent !== text) this.position.textContent = text;
    return blocks.total > 0 && blocks.played < blocks.total;
  }
}
