// Putting a surface's picture on a real window: the SDL renderer, a streaming texture in the
// surface's own layout, whole-number nearest-neighbour scaling with black borders, and the
// waiting for the vertical blank.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace platform {
namespace sdl {

struct Picture {
  const std::uint8_t* bytes;
  int pitch;
  int width;
  int height;
  std::uint32_t sdlFormat;  // the surface's layout as SDL names it: the bytes go up unchanged
  bool sameAsLast;          // the same bytes as the picture of the previous Present
};

// Shows the picture on the window (which may be null: nothing to show). When the caller may
// wait for the vertical blank and the renderer has vsync, the renderer holds the picture until
// the blank, and the result is true; otherwise the picture goes up at once and the result is
// false. On a headless driver nothing is rendered unless a hook watches.
bool Present(SDL_Window* window, const Picture& picture, bool waitForBlank);
// The window's contents were lost (exposed, resized): the next Present draws even an unchanged
// picture.
void RedrawNextPresent();
// The paced refresh, a steady ~60 Hz from its first use: the blanks so far, and a wait until a
// blank after the given one. Sleeping, not spinning.
std::uint64_t PacedBlanks();
void WaitForPacedBlankAfter(std::uint64_t blank);
// Waits for the next blank of the paced refresh without showing anything.
void WaitForBlank();

// Drops the renderer and texture (for a window about to go, or video about to stop).
void ForgetWindow(SDL_Window* window);
void ForgetRenderer();

// Where the screen can be watched from outside. The default is a real run's.
struct ScreenHooks {
  // Sees every rendered window on its renderer, output width x height, just before it is
  // presented. While set, every Present renders, even on a headless driver and even an unchanged
  // picture. Null: nobody watches.
  void (*rendered)(SDL_Renderer* renderer, int width, int height) = nullptr;
};
extern ScreenHooks screenHooks;

void ResetScreen();

// Where a picture of the given size lands in an output of the given size: the largest whole
// scale that fits (at least 1), centred.
SDL_Rect PlacePicture(int pictureWidth, int pictureHeight, int outputWidth, int outputHeight);

}  // namespace sdl
}  // namespace platform
