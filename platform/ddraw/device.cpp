#include "platform/ddraw/device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/sdl/screen.h"
#include "platform/testing/kernel_controls.h"
#include "platform/win32/window_system.h"

namespace platform {
namespace ddraw {
namespace {

const int kDesktopWidth = 640;
const int kDesktopHeight = 480;

DisplayProfile StartingProfile() {
  DisplayProfile profile = DefaultDisplayProfile();
  const char* chosen = std::getenv("QUENTHOR_DISPLAY_LAYOUT");
  if (!chosen || !*chosen) return profile;
  if (!ProfileForLayoutName(chosen, &profile)) {
    std::fprintf(stderr,
                 "Quenthor: QUENTHOR_DISPLAY_LAYOUT=%s is not a layout (xrgb32, xbgr32, rgb24, "
                 "bgr24, rgb565, bgr565, rgb555, pal8); the screen offers every depth\n",
                 chosen);
    return DefaultDisplayProfile();
  }
  return profile;
}

void ApplicationActivationChanged(bool active) {
  Device& device = TheDevice();
  if (device.exclusiveOwner) {
    // The exclusive program's window covers the desktop only while the program has the focus.
    if (active)
      windows::TakeScreen(device.exclusiveWindow);
    else
      windows::MinimizeForDesktop(device.exclusiveWindow);
  }
  ScreenMayHaveChanged();
}

}  // namespace

bool operator==(const Mode& left, const Mode& right) {
  return left.width == right.width && left.height == right.height &&
         left.bitsPerPixel == right.bitsPerPixel && left.layout == right.layout &&
         left.desktop == right.desktop;
}

DisplayProfile& Profile() {
  static DisplayProfile profile = StartingProfile();
  return profile;
}

Device& TheDevice() {
  static Device device;
  return device;
}

bool DepthAccepted(int bitsPerPixel) {
  const DisplayProfile& profile = Profile();
  return (bitsPerPixel == 32 && profile.accepts32) || (bitsPerPixel == 24 && profile.accepts24) ||
         (bitsPerPixel == 16 && profile.accepts16);
}

ScreenLayout LayoutForDepth(int bitsPerPixel) {
  const DisplayProfile& profile = Profile();
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
  const Device& device = TheDevice();
  if (device.exclusiveOwner && device.showModeSet && windows::ActiveWindow()) return device.showMode;
  return DesktopMode();
}

void ScreenMayHaveChanged() {
  Device& device = TheDevice();
  const Mode now = ModeOnScreen();
  if (device.onScreenKnown && now == device.onScreen) return;
  const bool changed = device.onScreenKnown;
  device.onScreen = now;
  device.onScreenKnown = true;
  if (!changed) return;
  for (Surface* surface : device.surfaces) surface->lost = true;
}

void EndExclusive(DirectDraw* owner) {
  Device& device = TheDevice();
  if (device.exclusiveOwner != owner) return;
  HWND window = device.exclusiveWindow;
  device.exclusiveOwner = nullptr;
  device.exclusiveWindow = nullptr;
  device.showModeSet = false;
  windows::LeaveScreen(window);
  ScreenMayHaveChanged();
}

void ShowFlipped(const Surface& front, bool waitForBlank) {
  Device& device = TheDevice();
  // The show flips the same frame several times per strobe phase; the screen needn't redraw it.
  const bool sameAsLast = device.flips > 0 && device.picturePitch == front.pitch &&
                          device.pictureWidth == front.mode.width &&
                          device.pictureHeight == front.mode.height &&
                          device.pictureLayout == front.mode.layout &&
                          device.picture == front.memory;
  if (!sameAsLast) device.picture = front.memory;
  device.picturePitch = front.pitch;
  device.pictureWidth = front.mode.width;
  device.pictureHeight = front.mode.height;
  device.pictureLayout = front.mode.layout;
  device.flips++;

  const LayoutInfo& layout = Describe(front.mode.layout);
  sdl::Picture picture{front.memory.data(), front.pitch, front.mode.width, front.mode.height,
                       layout.sdlFormat, sameAsLast};
  std::vector<std::uint32_t> readable;
  if (!layout.sdlFormat) {
    // SDL has no texture of palette indices: show them as what the screen reads back.
    readable = ScreenPixels();
    picture.bytes = reinterpret_cast<const std::uint8_t*>(readable.data());
    picture.pitch = front.mode.width * 4;
    picture.sdlFormat = SDL_PIXELFORMAT_XRGB8888;
  }
  SDL_Window* window = device.exclusiveOwner && windows::ActiveWindow()
                           ? windows::RealWindow(device.exclusiveWindow)
                           : nullptr;
  // Under the manual clock time stands still: nothing may wait for a real vertical blank.
  sdl::Present(window, picture, waitForBlank && !ClockIsManual());
}

void ListenToActivation() { windows::SetActivationListener(ApplicationActivationChanged); }

void ResetDevice() {
  Device& device = TheDevice();
  for (Surface* surface : device.surfaces) delete surface;
  for (DirectDraw* object : device.objects) delete object;
  device = Device();
  Profile() = DefaultDisplayProfile();
  sdl::ResetScreen();
}

}  // namespace ddraw
}  // namespace platform
