// The show's sound at the page's audio output (an AudioWorklet, on the browser's audio thread):
// it plays the blocks the show's worker mixes and sends over a port (each channel's frames in
// turn, as floating point), at their own rate, stepping through them at the output's rate where
// the two differ, and tells the worker how many frames it has played, so that the worker mixes
// just far enough ahead. Silence while it has nothing to play.
'use strict';
class ShowSound extends AudioWorkletProcessor {
  constructor() {
    super();
    this.blocks = [];
    this.at = 0;        // frame in the first block, with fractions where the rates differ
    this.played = 0;    // frames of the show's rate played
    this.told = 0;
    this.show = null;
    this.port.onmessage = (event) => {
      this.show = event.data;
      this.show.onmessage = (message) => {
        if (message.data.stop) this.blocks = [];
        else this.blocks.push(message.data);
      };
    };
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    let done = 0;
    while (done < left.length && this.blocks.length) {
      const block = this.blocks[0];
      const step = block.rate / sampleRate;
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
    // The outputs come zeroed: what is left of them is silence.
    // About ten times a second.
    if (this.show && this.played - this.told >= 4096) {
      this.told = this.played;
      this.show.postMessage({ played: Math.floor(this.played) });
    }
    return true;
  }
}
registerProcessor('quenthor-sound', ShowSound);
