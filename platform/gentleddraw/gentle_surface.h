// What gentle viewing does to the back surface at a flip, apart from DirectDraw itself: the
// picture the show drew there goes to the gentle filter, and the filter's output replaces it,
// in the surface's own layout. ddraw.cpp calls it with the locked surface; tests call it with
// memory of their own.
#pragma once
#include <cstdint>

namespace platform {
namespace gentleddraw {

struct LockedSurface {
  std::uint8_t* bytes;
  int pitch;
  int width;
  int height;
  // The surface's pixel format, as DirectDraw reports it.
  std::uint32_t bitCount, redMask, greenMask, blueMask;
};

// Takes the surface's picture at now (the host clock, ms) and writes what gentle viewing shows
// at now over it. 1 when the picture was replaced; 0 for a layout the show doesn't draw, or
// when there is no memory for the picture's size: the surface is then cleared to black (for a
// layout of whole bytes), so that the show's own picture never reaches the screen.
int GentleSurface(const LockedSurface& surface, std::uint32_t now);

// Frees the filter's memory and the output's; the next surface starts the filter over.
void ForgetGentleSurface();

}  // namespace gentleddraw
}  // namespace platform
