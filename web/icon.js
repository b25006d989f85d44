// Writes the site's icon as a square PNG: node icon.js SIZE FILE. Black, with the show's 4:3
// screen in the middle, half white and half amber: a strobe's two phases side by side. The same
// size gives the same bytes.
'use strict';
const fs = require('fs');
const zlib = require('zlib');

function crc32(bytes) {
  let crc = ~0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; k++) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return ~crc >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'ascii');
  const tail = Buffer.alloc(4);
  tail.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, tail]);
}

function icon(size) {
  const w = Math.round(size * 0.72), h = Math.round(w * 3 / 4);
  const left = (size - w) >> 1, top = (size - h) >> 1;
  const rows = Buffer.alloc((size * 3 + 1) * size);
  for (let y = 0; y < size; y++) {
    const row = y * (size * 3 + 1);
    for (let x = 0; x < size; x++) {
      let colour = [0, 0, 0];
      if (x >= left && x < left + w && y >= top && y < top + h)
        colour = x < left + (w >> 1) ? [255, 255, 255] : [224, 160, 0];
      rows.set(colour, row + 1 + x * 3);
    }
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header.set([8, 2, 0, 0, 0], 8);  // 8-bit RGB, no interlace
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header),
                        chunk('IDAT', zlib.deflateSync(rows, { level: 9 })), chunk('IEND', Buffer.alloc(0))]);
}

const [sizeText, file] = process.argv.slice(2);
const size = Number(sizeText);
if (!Number.isInteger(size) || size < 16 || size > 1024 || !file) {
  console.error('usage: node icon.js SIZE FILE (SIZE 16-1024)');
  process.exit(2);
}
fs.writeFileSync(file, icon(size));
