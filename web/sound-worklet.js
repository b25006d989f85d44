// The show's sound at the page's audio output: it plays the blocks the show's worker mixes and
// sends over a port (each channel's frames in turn, as floating point), at their own rate,
// stepping through them at the output's rate where the two differ, and tells the worker how many
// frames it has played, so that the worker mixes just far enough ahead. Silence while it has
// nothing to play. Loaded as an AudioWorklet, on the browser's audio thread; where the page has
// no audio worklets (one not served securely), as a script of the page, for its ScriptProcessor.
'use strict';
class ShowSound {
  constructor(port) {
    this.blocks = [];
    this.at = 0;        // frame in the first block, with fractions where the rates differ
    this.played = 0;    // frames of the show's rate played
    this.told = 0;
    this.port = port;
    port.onmessage = (message) => {
      if (message.data.stop) this.blocks = [];
      else this.blocks.push(message.data);
    };
  }

  fill(left, right, outputRate) {
    let done = 0;
    while (done < left.length && this.blocks.length) {
      const block = this.blocks[0];
      const step = block.rate / outputRate;
      if (step === 1) {
        // The usual case: the output runs at the song's rate, and a block is copied as it is.
        const count = Math.min(left.length - done, block.frames - this.at);
        left.set(block.channels.subarray(this.at, this.at + count), done);
        if (right) right.set(block.channels.subarray(block.frames + this.at,
                                                     block.frames + this.at + count), done);
        done += count;
        this.at += count;
        this.played += count;
      } else {
        const frame = Math.floor(this.at);
        left[done] = block.channels[frame];
        if (right) right[done] = block.channels[block.frames + frame];
        done++;
        this.at += step;
        this.played += step;
      }
      if (this.at >= block.frames) {
        this.at -= block.frames;
        this.blocks.shift();
      }
    }
    left.fill(0, done);
    if (right) right.fill(0, done);
    // About ten times a second.
    if (this.played - this.told >= 4096) {
      this.told = this.played;
      this.port.postMessage({ played: Math.floor(this.played) });
    }
  }
}

if (typeof registerProcessor === 'function') {
  registerProcessor('quenthor-sound', class extends AudioWorkletProcessor {
    constructor() {
      super();
      this.sound = null;
      this.port.onmessage = (event) => { this.sound = new ShowSound(event.data); };
    }

    process(inputs, outputs) {
      const [left, right] = outputs[0];
      if (this.sound) this.sound.fill(left, right, sampleRate);
      return true;
    }
  });
} else {
  self.QuenthorShowSound = ShowSound;
}
