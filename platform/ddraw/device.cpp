#include "platform/ddraw/device.h"

#include <algorithm>

#include "platform/ddraw/hooks.h"
#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/ddraw/same_bytes.h"
#include "platform/host/screen.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/window_system.h"

namespace platform {
namespace ddraw {

Hooks hooks;

namespace {

const int kDesktopWidth = 640;
const int kDesktopHeight = 480;

void ApplicationActivationChanged(bool active) {
  DisplayHardware& hardware = Hardware();
  hardware.applicationActive = active;
  if (hardware.exclusiveOwner) {
    // The exclusive program's window covers the desktop only while the program has the focus.
    if (active)
      host::ShowScreen(hardware.screenWindow);
    else
      host::GiveDesktopBack(hardware.screenWindow);
  }
  ScreenMayHaveChanged();
}

}  // namespace

HRESULT Outcome(const char* interfaceName, HRESULT result, const char* call) {
  if (result < 0)
    TraceCall("%s::%s -> 0x%08x", interfaceName, call, static_cast<unsigned>(result));
  else
    TraceCall("%s::%s", interfaceName, call);
  return result;
}

bool operator==(const Mode& left, const Mode& right) {
  return left.width == right.width && left.height == right.height &&
         left.bitsPerPixel == right.bitsPerPixel && left.layout == right.layout &&
         left.desktop == right.desktop;
}

DisplayProfile& ProfileInForce() {
  static DisplayProfile profile = ProfileFromEnvironment();
  return profile;
}

DisplayHardware& Hardware() {
  static DisplayHardware hardware;
  return hardware;
}

bool DepthAccepted(int bitsPerPixel) {
  const DisplayProfile& profile = ProfileInForce();
  return (bitsPerPixel == 32 && profile.accepts32) || (bitsPerPixel == 24 && profile.accepts24) ||
         (bitsPerPixel == 16 && profile.accepts16);
}

ScreenLayout LayoutForDepth(int bitsPerPixel) {
  const DisplayProfile& profile = ProfileInForce();
  if (bitsPerPixel == 24) return profile.layout24;
  if (bitsPerPixel == 16) return profile.layout16;
  return profile.layout32;
}

Mode DesktopMode() {
  int depth = 32;
  if (!DepthAccepted(32)) depth = DepthAccepted(24) ? 24 : DepthAccepted(16) ? 16 : 32;
  return Mode{kDesktopWidth, kDesktopHeight, depth, LayoutForDepth(depth), true};
}

Mode ModeOnScreen() {
  const DisplayHardware& hardware = Hardware();
  if (hardware.exclusiveOwner && hardware.showModeSet && win32::ActiveWindow())
    return hardware.showMode;
  return DesktopMode();
}

void ScreenMayHaveChanged() {
  DisplayHardware& hardware = Hardware();
  const Mode now = ModeOnScreen();
  if (hardware.onScreenKnown && now == hardware.onScreen) return;
  const bool changed = hardware.onScreenKnown;
  hardware.onScreen = now;
  hardware.onScreenKnown = true;
  if (!changed) return;
  for (Surface* surface : hardware.surfaces) surface->lost = true;
  // What the lost memory held is no longer the picture on the screen.
  hardware.lastFlipped = nullptr;
}

void EndExclusive(DirectDraw* owner) {
  DisplayHardware& hardware = Hardware();
  if (hardware.exclusiveOwner != owner) return;
  hardware.exclusiveOwner = nullptr;
  hardware.exclusiveWindow = nullptr;
  hardware.showModeSet = false;
  host::HideWindow(hardware.screenWindow);
  hardware.screenWindow = 0;
  ScreenMayHaveChanged();
}

bool PresentFlipped(const Surface& front, const std::vector<std::uint8_t>& previous,
                    bool waitForBlank) {
  DisplayHardware& hardware = Hardware();
  // The show flips the same frame several times per strobe phase; the screen needn't redraw it.
  // The chain's memory is the screen's own: the last picture shown is still there, in the
  // buffer the front gave up, so it needn't be kept aside.
  const bool unchanged = hardware.lastFlipped == &front && SameBytes(previous, front.memory);
  hardware.lastFlipped = &front;
  if (hooks.flipped) hooks.flipped(front);
  const host::Picture picture{front.memory.data(), front.pitch,
                              front.mode.width,    front.mode.height,
                              Describe(front.mode.layout).hostLayout, unchanged};
  const host::HostWindow window =
      hardware.exclusiveOwner && hardware.applicationActive ? hardware.screenWindow : 0;
  return host::Present(window, picture, waitForBlank);
}

void ListenToActivation() {
  Hardware().applicationActive = win32::ActiveWindow() != nullptr;
  win32::SetActivationListener(ApplicationActivationChanged);
}

}  // namespace ddraw
}  // namespace platform
