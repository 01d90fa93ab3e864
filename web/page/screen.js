// The screen: the library's picture on a canvas, scaled by whole numbers,
// and its text (as quillet-run reads it) in an element for screen readers.
import { SCREEN_HEIGHT } from './library.js';

const BLINK_FRAMES = 25;   // the blink phase turns every half second of machine time
const TEXT_EVERY_MS = 100; // the text is read again at most this often

function sameBytes(a, b) {
  if (!b || a.length !== b.length) return false;
  const x = new Uint32Array(a.buffer, a.byteOffset, a.length >> 2);
  const y = new Uint32Array(b.buffer, b.byteOffset, b.length >> 2);
  for (let i = 0; i < x.length; ++i) if (x[i] !== y[i]) return false;
  return true;
}

export class Screen {
  constructor(canvas, textElement) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.textElement = textElement;
    this.lastText = '';
    this.textAt = -Infinity;
    this.scaledFor = '';
    this.drawnFrame = -1;
    this.fit();
    window.addEventListener('resize', () => this.fit());
  }

  // Draws the machine's frame, unless it is the one drawn already.
  draw(machine, force = false) {
    const frame = machine.frames;
    if (frame === this.drawnFrame && !force) return;
    this.drawnFrame = frame;
    const blinkOn = Math.floor(frame / BLINK_FRAMES) % 2 === 0;
    // The same video memory, blink phase and width draw the same picture:
    // it is not drawn again, and the browser repaints nothing.
    const video = machine.video();
    const width = machine.screenWidth;
    if (force || blinkOn !== this.blinkOn || width !== this.canvas.width || !sameBytes(video, this.video)) {
      this.video = video;
      this.blinkOn = blinkOn;
      const picture = machine.picture(blinkOn) || machine.monochromePicture();
      if (this.canvas.width !== picture.width) {
        this.canvas.width = picture.width;
        this.fit();
      }
      this.canvas.classList.toggle('monochrome', picture.monochrome === true);
      this.context.putImageData(new ImageData(picture.pixels, picture.width, SCREEN_HEIGHT), 0, 0);
    }
    if (this.drawnFrame >= 0 && !this.marked) {
      this.marked = true;
      performance.mark('quillet-first-frame');
    }
    const now = performance.now();
    if (force || now - this.textAt >= TEXT_EVERY_MS) {
      this.textAt = now;
      const text = machine.screenText();
      if (text !== this.lastText) {
        this.textElement.textContent = text;
        this.lastText = text;
      }
    }
  }

  // The largest whole scale (up to 3) that leaves the panels beside the
  // screen room on a wide window, or fits a narrow one.
  fit() {
    const width = this.canvas.width;
    const room = window.innerWidth > 900 ? window.innerWidth - 440 : window.innerWidth - 40;
    const scale = Math.max(1, Math.min(3, Math.floor(room / width)));
    const size = `${width * scale}x${SCREEN_HEIGHT * scale}`;
    if (size === this.scaledFor) return;
    this.scaledFor = size;
    this.canvas.style.width = `${width * scale}px`;
    this.canvas.style.height = `${SCREEN_HEIGHT * scale}px`;
  }

  // The picture as a PNG file's bytes.
  png() {
    return new Promise((resolve) => this.canvas.toBlob(resolve, 'image/png'));
  }
}
