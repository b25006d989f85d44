// The three demo pictures, drawn procedurally at the show's size in its pixel layout.
#pragma once
#include <cstdint>
#include <vector>

// Pixels of picture number (1, 2 or 3): blue in bits 0-7, green 8-15, red 16-23, extra 24-31.
// Each picture has areas of pure red, pure green and pure blue, so a channel mix-up anywhere
// on the way to the screen shows at a glance.
std::vector<std::uint32_t> DrawPicture(int number);
