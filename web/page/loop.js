// Pacing: 50 frames a second of PMD 85 time against the page's clock, or a
// multiple of it, or as many as fit in a slice of time; the page gets
// control back after every tick, so it never freezes. Ticks come from a
// timer at the machine's own 50 Hz rather than at every display frame: a
// picture drawn is shown at the display's next frame all the same, and a
// browser asked for nothing between two pictures does no work for them
// (headless chromium spends a tenth of a core on an empty
// requestAnimationFrame loop alone).
const FRAMES_PER_SECOND = 50;
const LONGEST_CATCH_UP = 10;    // frames owed after a stall (a hidden tab) are dropped past this
const FAST_BUDGET_MS = 12;      // "as fast as it goes": machine time per tick
const TICK_MS = 1000 / FRAMES_PER_SECOND;

export class Loop {
  // `step()` runs one machine frame and returns whether to go on;
  // `shown()` draws once per tick.
  constructor(step, shown) {
    this.step = step;
    this.shown = shown;
    this.speed = 1;
    this.running = false;
    this.owed = 0;
    this.last = 0;
    this.queued = false;      // a tick is on its way: one chain of ticks at a time
    this.tick = this.tick.bind(this);
    // A message to itself: a task that runs at once, without the delay
    // that a chain of zero-second timers gets.
    this.channel = new MessageChannel();
    this.channel.port1.onmessage = this.tick;
  }

  setSpeed(speed) {
    this.speed = speed === 'max' ? Infinity : Number(speed);
  }

  run() {
    if (this.running) return;
    this.running = true;
    this.owed = 0;
    this.last = performance.now();
    this.schedule();
  }

  // The next tick: at once when running as fast as it goes (the browser
  // still draws and takes input in between), else a machine frame later.
  schedule() {
    if (this.queued) return;
    this.queued = true;
    if (this.speed === Infinity) this.channel.port2.postMessage(null);
    else setTimeout(this.tick, TICK_MS);
  }

  pause() {
    this.running = false;
  }

  tick() {
    this.queued = false;
    if (!this.running) return;
    const now = performance.now();
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
    if (this.running) this.schedule();
  }
}
