// The show: its main routine, its pixel buffers and the raw image loader.
#pragma once
#include <cstdint>

#include "convert/convert.h"

// A frame or an image (FrameBuffer) holds kFramePixels pixels, kShowWidth per row.

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
