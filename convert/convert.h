// The frame's pixels and the row converters that put them into the six display layouts the show
// supports.
#pragma once
#include <cstdint>

// A frame or an image: 32-bit pixels, a row after another, top row first, no gap between rows.
// In a pixel, bits 0-7 are blue, 8-15 green, 16-23 red, 24-31 an extra byte that is carried
// along but never shown.
typedef std::uint32_t FramePixel;
typedef FramePixel* FrameBuffer;

// Converts count source pixels into one display layout at destination. Neither pointer needs
// any alignment; the two rows must not overlap.
typedef void (*RowConverter)(const FramePixel* source, std::uint8_t* destination,
                             std::uint32_t count);

// Each runs the chosen kernel family's row for its layout (the fastest, when it runs before any
// choice). The same six addresses whatever family is chosen, so they also name the layouts.
void ConvertRowXRGB32(const FramePixel* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowXBGR32(const FramePixel* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowRGB24(const FramePixel* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowBGR24(const FramePixel* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowRGB565(const FramePixel* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowBGR565(const FramePixel* source, std::uint8_t* destination, std::uint32_t count);

// The converter for a surface's bit count and colour masks, or null for a layout the show
// doesn't support. Chooses the kernel family when none has been chosen yet.
RowConverter SelectRowConverter(std::uint32_t bitCount, std::uint32_t redMask,
                                std::uint32_t greenMask, std::uint32_t blueMask);
