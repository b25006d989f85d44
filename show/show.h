// The show: its main routine, its pixel buffers and the raw image loader.
#pragma once
#include <cstdint>

// A frame or an image: kFramePixels 32-bit pixels, kShowWidth per row, top row first, no gap
// between rows. In a pixel, bits 0-7 are blue, 8-15 green, 16-23 red, 24-31 an extra byte that
// is carried along but never shown.
typedef std::uint32_t FramePixel;
typedef FramePixel* FrameBuffer;

const int kShowWidth = 320;
const int kShowHeight = 240;
const int kFramePixels = kShowWidth * kShowHeight;
const int kFrameBytes = kFramePixels * 4;

const std::uint32_t kStrobeIntervalMs = 50;
const std::uint32_t kSecondImageMs = 4000;
const std::uint32_t kThirdImageMs = 8000;

// The main routine. Its result is the exit status after a failed start-up; after a normal run
// it ends the process with status 0 itself.
int RunShow();

// Fills image from the raw file fileName: 320x240 pixels of 4 bytes (blue, green, red, extra),
// no header. A file that can't be opened leaves image untouched.
void LoadRawImage(const char* fileName, FrameBuffer image);
