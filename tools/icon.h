// The project's icon: a detail of our first picture (the sun over the grid), scaled to the
// icon's size inside a crisp border, and the two file formats it travels in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Opaque square icon of side size (8 or more), top row first, each pixel 0xAARRGGBB.
std::vector<std::uint32_t> DrawIcon(int size);

// A Windows icon file holding one 32-bit BMP entry (colour plus AND mask) for each size, the
// form every Windows from XP on reads; no PNG entries, which XP can't.
std::vector<std::uint8_t> EncodeIco(const std::vector<int>& sizes);
// A PNG of an image of 0xAARRGGBB pixels, top row first: 8-bit RGBA, the image data in stored
// (uncompressed) deflate blocks, so it needs no compressor.
std::vector<std::uint8_t> EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height);

// Writes "quenthor.ico" (16, 32 and 48 px), "quenthor-48.png" and "quenthor-256.png" into folder.
// False, with a message on standard error, when a file can't be written.
bool WriteIcons(const std::string& folder);
