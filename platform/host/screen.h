// Putting a picture on a real window, and the screen's refresh: a streaming texture in the
// picture's own layout, whole-number nearest-neighbour scaling with black borders, and the
// vertical blanks: the renderer's vsync, or a paced 60 Hz, or, while the clock is steered, the
// steered clock's. Called by DirectDraw (ddraw/): the flip presents and waits for the blank.
// Implemented by sdl/screen.cpp over SDL2 on a desktop, by page/page.cpp in a web page and
// capture/capture.cpp in a video, with one_screen/; what a Present decides is theirs alike
// (driver.h).
#pragma once
#include <cstdint>

#include "platform/host/video.h"

namespace platform {
namespace host {

// The byte layouts the screen takes as they are (no conversion on the way to the window).
enum class PixelLayout {
  kXRGB32,  // 32-bit words 0x00RRGGBB (memory B,G,R,X)
  kXBGR32,  // 32-bit words 0x00BBGGRR (memory R,G,B,X)
  kRGB24,   // memory B,G,R: red in the high bits of the 24-bit value
  kBGR24,   // memory R,G,B
  kRGB565,  // 16-bit words, red high
  kBGR565,  // 16-bit words, blue high
  kRGB555,  // 16-bit words, 5 bits each, red high
};

struct Picture {
  const std::uint8_t* bytes;
  int pitch;
  int width;
  int height;
  PixelLayout layout;
  bool sameAsLast;  // the same bytes as the picture of the previous Present
};

// Shows the picture on the window (0: nothing to show). When the caller may wait for the
// vertical blank, the clock isn't steered and the renderer has vsync, the renderer holds the
// picture until the blank, and the result is true; otherwise the picture goes up at once and
// the result is false. On a headless driver nothing is rendered unless a hook watches.
bool Present(HostWindow window, const Picture& picture, bool waitForBlank);
// The window's contents were lost (exposed, resized): the next Present draws even an unchanged
// picture. Called by sdl/video.cpp, as the desktop says so.
void RedrawNextPresent();

// The screen's refresh, counted in vertical blanks, as the hooks give it (hooks.h).
std::uint64_t CurrentBlank();
// Returns once a blank after the given one has come (the count differs from it). Sleeping, not
// spinning.
void WaitForBlankAfter(std::uint64_t blank);
// The real refresh, the clock hooks' default: a steady ~60 Hz from its first use.
std::uint64_t PacedBlank();
void WaitForPacedBlankAfter(std::uint64_t blank);

// Drops the renderer and texture (for a window about to go, or video about to stop). Called by
// sdl/video.cpp.
void ForgetWindow(HostWindow window);
void ForgetRenderer();

// Where a picture of the given size lands in an output of the given size: the largest whole
// scale that fits (at least 1), centred. Called by the desktop's Present, and by the page's,
// which tells the page where its canvas goes.
struct PicturePlace {
  int x, y, w, h;
};
PicturePlace PlacePicture(int pictureWidth, int pictureHeight, int outputWidth, int outputHeight);

}  // namespace host
}  // namespace platform
