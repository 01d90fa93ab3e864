// Pacing: 50 frames a second of PMD 85 time against the display's clock,
// or a multiple of it, or as many as fit in the display's frame; the page
// gets control back after every display frame, so it never freezes.
const FRAMES_PER_SECOND = 50;
const LONGEST_CATCH_UP = 10;    // display frames owed after a stall are dropped past this
const FAST_BUDGET_MS = 12;      // "as fast as it goes": machine time per display frame

export class Loop {
  // `step()` runs one machine frame and returns whether to go on;
  // `shown()` draws once per display frame.
  constructor(step, shown) {
    this.step = step;
    this.shown = shown;
    this.speed = 1;
    this.running = false;
    this.owed = 0;
    this.last = 0;
    this.tick = this.tick.bind(this);
  }

  setSpeed(speed) {
    this.speed = speed === 'max' ? Infinity : Number(speed);
  }

  run() {
    if (this.running) return;
    this.running = true;
    this.owed = 0;
    this.last = performance.now();
    requestAnimationFrame(this.tick);
  }

  pause() {
    this.running = false;
  }

  tick(now) {
    if (!this.running) return;
    let go = true;
    if (this.speed === Infinity) {
      const end = performance.now() + FAST_BUDGET_MS;
      do go = this.step(); while (go && performance.now() < end);
    } else {
      this.owed += Math.min((now - this.last) / 1000 * FRAMES_PER_SECOND * this.speed,
        LONGEST_CATCH_UP * this.speed);
      for (; go && this.owed >= 1; this.owed -= 1) go = this.step();
    }
    this.last = now;
    if (!go) this.running = false;
    this.shown();
    if (this.running) requestAnimationFrame(this.tick);
  }
}
