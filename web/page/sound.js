// The speaker through Web Audio: each frame's sound from the library,
// queued a little ahead of the audio clock. Browsers start audio only after
// a gesture of the user: the context is made on the first one.
const AHEAD_S = 0.06;

export class Sound {
  constructor(muteBox) {
    this.context = null;
    this.muted = muteBox.checked;
    this.next = 0;
    this.pending = [];
    this.heard = 0;          // samples queued that were not silence
    muteBox.addEventListener('change', () => { this.muted = muteBox.checked; });
    const start = () => this.start();
    for (const kind of ['pointerdown', 'keydown']) window.addEventListener(kind, start, { once: true, capture: true });
  }

  start() {
    if (this.context) return;
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    this.context = new Context();
    this.gain = this.context.createGain();
    this.gain.connect(this.context.destination);
  }

  get rate() {
    return this.context ? this.context.sampleRate : 48000;
  }

  // Takes a frame's sound; `realTime` false (another speed) drops it.
  take(machine, realTime) {
    const samples = machine.takeAudio(this.rate, Math.ceil(this.rate / 25));
    if (!samples || !realTime || !this.context) return samples !== null;
    this.pending.push(samples);
    return true;
  }

  // Queues what the frames since the last call gave.
  flush() {
    const total = this.pending.reduce((sum, part) => sum + part.length, 0);
    if (!this.context || total === 0) {
      this.pending = [];
      return;
    }
    const buffer = this.context.createBuffer(1, total, this.rate);
    const channel = buffer.getChannelData(0);
    let at = 0;
    for (const part of this.pending) {
      for (let i = 0; i < part.length; ++i) {
        channel[at++] = part[i] / 32768;
        if (part[i] !== 0) this.heard += 1;
      }
    }
    this.pending = [];
    this.gain.gain.value = this.muted ? 0 : 0.5;
    const source = this.context.createBufferSource();
    source.buffer = buffer;
    source.connect(this.gain);
    const now = this.context.currentTime;
    if (this.next < now + 0.01 || this.next > now + 4 * AHEAD_S) this.next = now + AHEAD_S;
    source.start(this.next);
    this.next += buffer.duration;
  }
}
