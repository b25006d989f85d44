// The emulated display hardware under DirectDraw: the profile in force, the mode on the screen,
// which program holds it, every live DirectDraw object and surface, and the picture of the last
// flip.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw_declarations.h"
#include "platform/ddraw/display_profile.h"
#include "platform/host/video.h"

namespace platform {
namespace ddraw {

class DirectDraw;
class Surface;

struct Mode {
  int width;
  int height;
  int bitsPerPixel;
  ScreenLayout layout;
  bool desktop;  // the desktop's mode, as opposed to a program's, even at the same size
};
bool operator==(const Mode& left, const Mode& right);
inline bool operator!=(const Mode& left, const Mode& right) { return !(left == right); }

// The profile in force. A run starts with the one the environment picks.
DisplayProfile& ProfileInForce();

struct DisplayHardware {
  std::vector<DirectDraw*> objects;
  std::vector<Surface*> surfaces;
  DirectDraw* exclusiveOwner = nullptr;
  HWND exclusiveWindow = nullptr;
  // The host's window behind the exclusive window, as SetCooperativeLevel found it, and whether
  // the application has the desktop, as the window system last said: a flip asks neither again.
  host::HostWindow screenWindow = 0;
  bool applicationActive = false;
  bool showModeSet = false;
  Mode showMode = Mode();
  Mode onScreen = Mode();
  bool onScreenKnown = false;
  Surface* newestChain = nullptr;
  // The front of the chain flipped last (null once it is gone).
  const Surface* lastFlipped = nullptr;
};
DisplayHardware& Hardware();

// The desktop: 640x480 at the deepest depth the profile accepts.
Mode DesktopMode();
// The show's mode while the exclusive program is active and has set one, else the desktop's.
Mode ModeOnScreen();
// The layout the profile reports at a depth.
ScreenLayout LayoutForDepth(int bitsPerPixel);
bool DepthAccepted(int bitsPerPixel);

// To be called after anything that may change the mode on the screen: when it did, every
// surface loses its memory, as video memory does when the mode changes.
void ScreenMayHaveChanged();
// Takes the screen back from its exclusive owner (normal level, or the owner's release).
void EndExclusive(DirectDraw* owner);

// The front of a chain was just flipped, and previous holds the memory it had before (the
// picture the last flip showed): puts the front's picture on the exclusive window, straight
// from its memory, if the window is showing. A waiting flip may let the renderer hold it until
// the vertical blank (vsync); true when it did, so that the flip is done.
bool PresentFlipped(const Surface& front, const std::vector<std::uint8_t>& previous,
                    bool waitForBlank);

// The window system's news of the application gaining or losing the desktop.
void ListenToActivation();

// Frees every object and surface left and puts the display hardware and its profile back as
// made. Called by the test controls (tests/controls) between tests; a friend of the objects.
// In reset_device.cpp, which only the controls link.
void ResetDevice();

}  // namespace ddraw
}  // namespace platform
