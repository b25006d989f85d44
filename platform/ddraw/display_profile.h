// The emulated screen as a person picks it: the layouts it can report and which depths it
// accepts. It is what lets a person run the show at 16 or 24 bits per pixel on a desktop that
// offers only 32 (QUENTHOR_DISPLAY_LAYOUT). The driver's faults and limits are hooks
// (hooks.h), never part of what a person configures.
#pragma once

namespace platform {
namespace ddraw {

// The pixel layouts the emulated screen can report. The first six are the layouts the show
// converts to; the last two exist so that the show can be seen refusing a screen.
enum class ScreenLayout {
  kXRGB32,    // 32 bits, red 0x00FF0000, green 0x0000FF00, blue 0x000000FF (memory B,G,R,X)
  kXBGR32,    // 32 bits, red 0x000000FF, green 0x0000FF00, blue 0x00FF0000 (memory R,G,B,X)
  kRGB24,     // 24 bits, red 0xFF0000, green 0x00FF00, blue 0x0000FF (memory B,G,R)
  kBGR24,     // 24 bits, red 0x0000FF, green 0x00FF00, blue 0xFF0000 (memory R,G,B)
  kRGB565,    // 16 bits, red 0xF800, green 0x07E0, blue 0x001F, low byte first
  kBGR565,    // 16 bits, red 0x001F, green 0x07E0, blue 0xF800, low byte first
  kRGB555,    // 16 bits, red 0x7C00, green 0x03E0, blue 0x001F: not a layout the show supports
  kPalette8,  // 8-bit palette indices, no DDPF_RGB flag: not RGB at all
};

// What the emulated screen offers; as made, all three depths, 32 bits reporting kXRGB32, 24
// bits kRGB24, 16 bits kRGB565. Changes apply to modes set and surfaces made after the change.
struct DisplayProfile {
  // Depths SetDisplayMode accepts (any other depth is refused with DDERR_INVALIDMODE), and the
  // layout the surfaces report at each of them.
  bool accepts32 = true;
  bool accepts24 = true;
  bool accepts16 = true;
  ScreenLayout layout32 = ScreenLayout::kXRGB32;
  ScreenLayout layout24 = ScreenLayout::kRGB24;
  ScreenLayout layout16 = ScreenLayout::kRGB565;
};

// The profile a person picks with QUENTHOR_DISPLAY_LAYOUT=<layout name>: the screen accepts only
// that layout's depth and reports that layout. False for an unknown name.
bool ProfileForLayoutName(const char* name, DisplayProfile* profile);
// The profile a run starts with: the one QUENTHOR_DISPLAY_LAYOUT names, else the default (with
// a line on standard error when the name is no layout).
DisplayProfile ProfileFromEnvironment();

}  // namespace ddraw
}  // namespace platform
