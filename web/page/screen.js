// The screen: the library's picture on a canvas, scaled by whole numbers,
// and its text (as quillet-run reads it) in an element for screen readers.
import { SCREEN_HEIGHT } from './library.js';

const BLINK_FRAMES = 25;  // the blink phase turns every half second of machine time

export class Screen {
  constructor(canvas, textElement) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.textElement = textElement;
    this.lastText = '';
  }

  draw(machine) {
    const blinkOn = Math.floor(machine.frames / BLINK_FRAMES) % 2 === 0;
    const picture = machine.picture(blinkOn) || machine.monochromePicture();
    if (this.canvas.width !== picture.width) this.canvas.width = picture.width;
    this.canvas.classList.toggle('monochrome', picture.monochrome === true);
    this.context.putImageData(new ImageData(picture.pixels, picture.width, SCREEN_HEIGHT), 0, 0);
    this.fit(picture.width);
    const text = machine.screenText();
    if (text !== this.lastText) {
      this.textElement.textContent = text;
      this.lastText = text;
    }
  }

  // The largest whole scale that fits the page's width.
  fit(width) {
    const room = Math.max(this.canvas.parentElement.clientWidth - 20, width);
    const scale = Math.max(1, Math.min(3, Math.floor(room / width)));
    this.canvas.style.width = `${width * scale}px`;
    this.canvas.style.height = `${SCREEN_HEIGHT * scale}px`;
  }

  // The picture as a PNG file's bytes.
  png() {
    return new Promise((resolve) => this.canvas.toBlob(resolve, 'image/png'));
  }
}
