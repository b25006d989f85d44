// Small songs of our own in the tracker formats a song of the show may come in besides S3M (the
// site's own song is one): MOD, XM and IT; and one in a format outside those. Each plays one
// looped square wave from its first row, so that it sounds at once and goes on sounding while
// the song repeats.
'use strict';

// 8-bit signed, two periods of 32 samples, at three quarters of full scale.
const wave = Array.from({ length: 64 }, (_, i) => ((i & 16) ? -96 : 96));
const signedBytes = (values) => Buffer.from(values.map((v) => v & 0xff));
const ROWS = 64;

// ProTracker's four channels ("M.K."): 31 sample records, one pattern.
function mod() {
  const header = Buffer.alloc(1084);
  header.write('quenthor mod', 0, 'latin1');
  for (let sample = 0; sample < 31; sample++) {
    const at = 20 + sample * 30;
    if (sample === 0) {
      header.write('square', at, 'latin1');
      header.writeUInt16BE(wave.length / 2, at + 22);  // lengths in 16-bit words
      header[at + 25] = 64;                             // volume
      header.writeUInt16BE(wave.length / 2, at + 28);  // looped whole
    } else {
      header.writeUInt16BE(1, at + 28);                 // no loop
    }
  }
  header[950] = 1;    // one order, pattern 0
  header[951] = 127;
  header.write('M.K.', 1080, 'latin1');
  const pattern = Buffer.alloc(ROWS * 4 * 4);
  const period = 428;  // C in the middle octave
  pattern.set([(1 & 0xf0) | (period >> 8), period & 0xff, (1 & 0x0f) << 4, 0], 0);
  return Buffer.concat([header, pattern, signedBytes(wave)]);
}

// FastTracker 2: two channels, one pattern, one instrument with one sample (deltas, as XM keeps
// them).
function xm() {
  const header = Buffer.alloc(60 + 276);
  header.write('Extended Module: quenthor xm', 0, 'latin1');
  header[37] = 0x1a;
  header.write('quenthor', 38, 'latin1');
  header.writeUInt16LE(0x0104, 58);
  header.writeUInt32LE(276, 60);
  // song length, restart, channels, patterns, instruments, linear slides, speed, tempo
  [1, 0, 2, 1, 1, 1, 6, 125].forEach((value, i) => header.writeUInt16LE(value, 64 + 2 * i));
  const cells = [0x83, 49, 1];  // packed: note C-4 and instrument 1, then empty cells
  while (cells.length < 3 + ROWS * 2 - 1) cells.push(0x80);
  const pattern = Buffer.alloc(9);
  pattern.writeUInt32LE(9, 0);
  pattern.writeUInt16LE(ROWS, 5);
  pattern.writeUInt16LE(cells.length, 7);
  const instrument = Buffer.alloc(263);
  instrument.writeUInt32LE(263, 0);
  instrument.write('square', 4, 'latin1');
  instrument.writeUInt16LE(1, 27);   // samples
  instrument.writeUInt32LE(40, 29);  // each sample's header
  const sample = Buffer.alloc(40);
  sample.writeUInt32LE(wave.length, 0);
  sample.writeUInt32LE(wave.length, 8);  // looped whole
  sample[12] = 64;                       // volume
  sample[14] = 1;                        // forward loop, 8-bit
  sample[15] = 128;                      // centred
  sample.write('square', 18, 'latin1');
  const deltas = wave.map((v, i) => v - (i ? wave[i - 1] : 0));
  return Buffer.concat([header, pattern, Buffer.from(cells), instrument, sample,
                        signedBytes(deltas)]);
}

// Impulse Tracker: samples only (no instruments), one pattern, orders [0, end].
function it() {
  const orders = [0, 255];
  const header = Buffer.alloc(192);
  header.write('IMPM', 0, 'latin1');
  header.write('quenthor it', 4, 'latin1');
  // orders, instruments, samples, patterns, made with / compatible with 2.14, stereo + linear
  [orders.length, 0, 1, 1, 0x214, 0x214, 9].forEach((value, i) =>
    header.writeUInt16LE(value, 0x20 + 2 * i));
  header.set([128, 48, 6, 125, 128], 0x30);  // global and mixing volume, speed, tempo, separation
  header.fill(32, 0x40, 0x80);               // every channel centred
  header.fill(64, 0x80, 0xc0);               // at full volume
  const sampleAt = 192 + orders.length + 4 + 4;
  const patternAt = sampleAt + 80;
  const offsets = Buffer.alloc(8);
  offsets.writeUInt32LE(sampleAt, 0);
  offsets.writeUInt32LE(patternAt, 4);
  // packed: channel 1 with a mask, note and instrument: C-5, sample 1; then empty rows
  const cells = Buffer.from([0x81, 0x03, 60, 1, 0, ...new Array(ROWS - 1).fill(0)]);
  const pattern = Buffer.alloc(8);
  pattern.writeUInt16LE(cells.length, 0);
  pattern.writeUInt16LE(ROWS, 2);
  const sample = Buffer.alloc(80);
  sample.write('IMPS', 0, 'latin1');
  sample.set([64, 0x01 | 0x10, 64], 0x11);  // global volume; present and looped; volume
  sample.write('square', 0x14, 'latin1');
  sample[0x2e] = 1;                          // signed
  sample.writeUInt32LE(wave.length, 0x30);
  sample.writeUInt32LE(wave.length, 0x38);   // looped whole
  sample.writeUInt32LE(8363, 0x3c);
  sample.writeUInt32LE(patternAt + pattern.length + cells.length, 0x48);
  return Buffer.concat([header, Buffer.from(orders), offsets, sample, pattern, cells,
                        signedBytes(wave)]);
}

// Composer 669, a format the page doesn't read (the desktop, with all of libopenmpt, does):
// eight channels, one pattern, one sample (unsigned).
function composer669() {
  const header = Buffer.alloc(497);
  header.write('if', 0, 'latin1');
  header.set([1, 1, 0], 110);        // samples, patterns, restart order
  header.fill(0xff, 113, 113 + 128);  // orders: pattern 0, then the end
  header[113] = 0;
  header[241] = 4;                    // its speed
  header[369] = 63;                   // its last row
  const sample = Buffer.alloc(25);
  sample.write('square', 0, 'latin1');
  sample.writeUInt32LE(wave.length, 13);
  sample.writeUInt32LE(wave.length, 21);  // looped whole
  const pattern = Buffer.alloc(ROWS * 8 * 3);
  for (let at = 0; at < pattern.length; at += 3) pattern.set([0xff, 0, 0xff], at);  // empty
  pattern.set([36 << 2, 15, 0xff], 0);  // a note of sample 1 at full volume
  return Buffer.concat([header, sample, pattern, Buffer.from(wave.map((v) => v + 128))]);
}

module.exports = { mod, xm, it, composer669 };
