// The tape recorder's panel: the tape's files, a button per file that types
// the monitor's MGLD command for it, and how far the tape has played.

const hex = (value) => value.toString(16).toUpperCase().padStart(4, '0');

export class TapePanel {
  constructor(body, position, type) {
    this.body = body;
    this.position = position;
    this.type = type;    // types a script on the machine
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
        const load = document.createElement('button');
        load.type = 'button';
        load.textContent = `MGLD ${number}`;
        load.className = 'mgld';
        load.addEventListener('click', () => this.type(`MGLD ${number}\n`));
        action.append(load);
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
