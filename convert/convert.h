// Row converters: 32-bit frame pixels into the six display layouts the show supports.
#pragma once
#include <cstdint>

// Converts count 32-bit source pixels (blue in bits 0-7, green 8-15, red 16-23, extra 24-31)
// into one display layout at destination. Neither pointer needs any alignment; the two rows
// must not overlap.
typedef void (*RowConverter)(const std::uint32_t* source, std::uint8_t* destination,
                             std::uint32_t count);

void ConvertRowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowXBGR32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowBGR24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ConvertRowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);

// The converter for a surface's bit count and colour masks, or null for a layout the show
// doesn't support.
RowConverter SelectRowConverter(std::uint32_t bitCount, std::uint32_t redMask,
                                std::uint32_t greenMask, std::uint32_t blueMask);
