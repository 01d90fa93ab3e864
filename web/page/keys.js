// The keyboard: the PC's keys passed to the library's key names as they
// come (the library holds each press until the program has read it), an
// on-screen keyboard of the model's keys, and pasted text typed as
// quillet-run --type types it. Which PMD 85 key a name or character is,
// and which matrix line it drives, is the library's.

// PC keys with no character of their own, by KeyboardEvent.key.
const NAMED = {
  Enter: 'EOL', ArrowLeft: 'LEFT', ArrowRight: 'RIGHT', ArrowUp: 'UP', ArrowDown: 'DOWN',
  Home: 'HOME', End: 'END', Insert: 'INS', Delete: 'DEL', Backspace: 'LEFT', Escape: 'STOP',
  Shift: 'SHIFT', Control: 'CNT', ' ': 'SPACE',
};

// The library's name for a PC key event, or null.
export function keyName(event) {
  if (NAMED[event.key]) return NAMED[event.key];
  const f = /^F([1-9]|1[0-2])$/.exec(event.key);
  if (f) return `K${Number(f[1]) - 1}`;
  // Letters and digits by the key pressed, the shift being a key of its own.
  const physical = /^(?:Key([A-Z])|Digit([0-9]))$/.exec(event.code);
  if (physical) return physical[1] || physical[2];
  return event.key.length === 1 ? event.key : null;
}

// Text as a typing script: braces stand for themselves.
export function typingScript(text) {
  return text.replace(/[{}]/g, (brace) => (brace === '{' ? '{LBRACE}' : '{RBRACE}')).replace(/\r\n?/g, '\n');
}

export class Keys {
  constructor(target, keyboardElement, machine, report) {
    this.machine = machine;
    this.report = report;
    this.down = new Map();   // PC event code -> the name pressed
    this.keyboardElement = keyboardElement;
    target.addEventListener('keydown', (event) => this.press(event));
    target.addEventListener('keyup', (event) => this.release(event));
    target.addEventListener('blur', () => this.releaseAll());
  }

  setMachine(machine) {
    this.releaseAll();
    this.machine = machine;
    this.buildKeyboard();
  }

  press(event) {
    if (event.ctrlKey && event.key !== 'Control' || event.metaKey || event.altKey) return;
    const name = keyName(event);
    if (!name || !this.machine) return;
    event.preventDefault();
    if (this.down.has(event.code)) return;   // the PC's repeat: the PMD 85 repeats by itself
    if (this.send(name, true)) this.down.set(event.code, name);
  }

  release(event) {
    const name = this.down.get(event.code);
    if (!name) return;
    event.preventDefault();
    this.down.delete(event.code);
    this.send(name, false);
  }

  releaseAll() {
    for (const name of this.down.values()) this.send(name, false);
    this.down.clear();
  }

  // Passes a key to the machine; a key the model has not is passed over.
  send(name, down) {
    try {
      this.machine.key(name, down);
      return true;
    } catch (error) {
      if (error.code !== -50) this.report(error.message);
      return false;
    }
  }

  type(text) {
    if (!this.machine || !text) return;
    try {
      this.machine.type(typingScript(text));
    } catch (error) {
      this.report(error.message);
    }
  }

  // One button per key of the model, in the library's order; a click
  // presses and releases it.
  buildKeyboard() {
    const element = this.keyboardElement;
    element.textContent = '';
    const names = this.machine && this.machine.keyNames();
    if (!names) {
      element.textContent = 'The on-screen keyboard needs the library\'s list of key names, which this build lacks.';
      return;
    }
    for (const name of names) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = name;
      button.addEventListener('pointerdown', (event) => { event.preventDefault(); this.send(name, true); });
      button.addEventListener('pointerup', () => this.send(name, false));
      button.addEventListener('pointerleave', () => this.send(name, false));
      element.append(button);
    }
  }
}
