#include "platform/ddraw/device.h"

#include <algorithm>

#include "platform/ddraw/direct_draw_hooks.h"
#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/host/screen.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/window_system.h"

namespace platform {
namespace ddraw {

DirectDrawHooks directDrawHooks;

namespace {

const int kDesktopWidth = 640;
const int kDesktopHeight = 480;

void ApplicationActivationChanged(bool active) {
  DisplayHardware& hardware = Hardware();
  if (hardware.exclusiveOwner) {
    // The exclusive program's window covers the desktop only while the program has the focus.
    if (active)
      win32::TakeScreen(hardware.exclusiveWindow);
    else
      win32::MinimizeForDesktop(hardware.exclusiveWindow);
  }
  ScreenMayHaveChanged();
}

// The kept picture as the host's screen takes it. Palette indices have no layout there: each
// goes up as its grey, converted into readable.
host::Picture PictureForWindow(const DisplayHardware& hardware, bool unchanged,
                               std::vector<std::uint32_t>* readable) {
  const LayoutInfo& layout = Describe(hardware.pictureLayout);
  host::Picture picture{hardware.picture.data(), hardware.picturePitch, hardware.pictureWidth,
                        hardware.pictureHeight,  layout.hostLayout,     unchanged};
  if (layout.formatFlags & DDPF_RGB) return picture;
  for (int y = 0; y < hardware.pictureHeight; y++)
    for (int x = 0; x < hardware.pictureWidth; x++)
      readable->push_back(0x010101u *
                          hardware.picture[static_cast<size_t>(y) * hardware.picturePitch + x]);
  picture.bytes = reinterpret_cast<const std::uint8_t*>(readable->data());
  picture.pitch = hardware.pictureWidth * 4;
  picture.layout = host::PixelLayout::kXRGB32;
  return picture;
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
}

void EndExclusive(DirectDraw* owner) {
  DisplayHardware& hardware = Hardware();
  if (hardware.exclusiveOwner != owner) return;
  HWND window = hardware.exclusiveWindow;
  hardware.exclusiveOwner = nullptr;
  hardware.exclusiveWindow = nullptr;
  hardware.showModeSet = false;
  win32::LeaveScreen(window);
  ScreenMayHaveChanged();
}

bool KeepFlippedPicture(const Surface& front) {
  DisplayHardware& hardware = Hardware();
  // The show flips the same frame several times per strobe phase; the screen needn't redraw it.
  const bool unchanged =
      hardware.flips > 0 && hardware.picturePitch == front.pitch &&
      hardware.pictureWidth == front.mode.width && hardware.pictureHeight == front.mode.height &&
      hardware.pictureLayout == front.mode.layout && hardware.picture == front.memory;
  if (!unchanged) hardware.picture = front.memory;
  hardware.picturePitch = front.pitch;
  hardware.pictureWidth = front.mode.width;
  hardware.pictureHeight = front.mode.height;
  hardware.pictureLayout = front.mode.layout;
  hardware.flips++;
  return unchanged;
}

bool PresentKeptPicture(bool unchanged, bool waitForBlank) {
  const DisplayHardware& hardware = Hardware();
  std::vector<std::uint32_t> readable;
  const host::Picture picture = PictureForWindow(hardware, unchanged, &readable);
  const host::HostWindow window = hardware.exclusiveOwner && win32::ActiveWindow()
                                      ? win32::RealWindow(hardware.exclusiveWindow)
                                      : 0;
  return host::Present(window, picture, waitForBlank);
}

void ListenToActivation() { win32::SetActivationListener(ApplicationActivationChanged); }

void ResetDevice() {
  DisplayHardware& hardware = Hardware();
  for (Surface* surface : hardware.surfaces) delete surface;
  for (DirectDraw* object : hardware.objects) delete object;
  hardware = DisplayHardware();
  ProfileInForce() = DefaultDisplayProfile();
  host::ResetScreen();
}

}  // namespace ddraw
}  // namespace platform
