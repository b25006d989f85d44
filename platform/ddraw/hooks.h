// Where the DirectDraw stand-in can be steered from outside: the driver's faults and the video
// memory's limits. The defaults are a real run's. (What a person picks, the screen's layout, is
// the display profile's: display_profile.h.)
#pragma once
#include <cstdint>

#include "platform/ddraw/ddraw_declarations.h"

namespace platform {
namespace ddraw {

struct DriverFaults {
  // Start-up failures: DirectDrawCreate fails (DDERR_NODIRECTDRAWHW); exclusive access is
  // refused (DDERR_EXCLUSIVEMODEALREADYSET, as if another program held the screen).
  bool createFails = false;
  bool exclusiveRefused = false;
  // A driver that lets the program down after the chain is built: GetAttachedSurface finds no
  // back buffer (DDERR_NOTFOUND); GetPixelFormat fails (DDERR_GENERIC); the surfaces report
  // their layout's bit count and masks without the DDPF_RGB flag.
  bool attachedSurfaceMissing = false;
  bool pixelFormatFails = false;
  bool rgbFlagMissing = false;
  // The video memory. Longest flip chain CreateSurface builds; asking for more fails with
  // DDERR_OUTOFVIDEOMEMORY; 0 refuses every flip chain. Bytes added to every surface row beyond
  // width x bytes per pixel. The byte every new or restored surface starts as, padding
  // included. Changes apply to surfaces made after them.
  int maxBackBuffers = 2;
  int extraPitchBytes = 0;
  std::uint8_t surfaceFill = 0;
};

class Surface;

struct Hooks : DriverFaults {
  // Sees the front of every chain just flipped, before its picture goes to the window. Null:
  // nobody watches.
  void (*flipped)(const Surface& front) = nullptr;
  // Asked by every Lock that passed its own checks: DD_OK lets it lock, anything else is the
  // lock's result. Null: every such lock succeeds.
  HRESULT (*lockRefusal)() = nullptr;
};
extern Hooks hooks;

}  // namespace ddraw
}  // namespace platform
