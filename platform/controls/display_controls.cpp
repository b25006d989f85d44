#include "platform/testing/display_controls.h"

#include "platform/ddraw/device.h"
#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/sdl/screen.h"
#include "platform/sdl/video.h"
#include "platform/win32/library.h"
#include "platform/win32/window_system.h"

namespace platform {
namespace {

// Made up, and never issued to a window of this program.
HWND const kOtherWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7FFE0010));

SurfaceView ViewOf(ddraw::Surface* surface) {
  SurfaceView view;
  if (!surface) return view;
  view.bytes = surface->memory.data();
  view.pitch = surface->pitch;
  view.width = surface->mode.width;
  view.height = surface->mode.height;
  view.bytesPerPixel = surface->bytesPerPixel;
  return view;
}

void InjectKey(WPARAM virtualKey, bool down) {
  HWND window = windows::FocusWindow();
  if (!window) return;
  const std::uint32_t bits = down ? 1u : 1u | 1u << 30 | 1u << 31;
  windows::PostToQueue(window, down ? WM_KEYDOWN : WM_KEYUP, virtualKey,
                       static_cast<LPARAM>(bits));
}

}  // namespace

const char* ScreenLayoutName(ScreenLayout layout) { return ddraw::Describe(layout).name; }

int ScreenLayoutBytesPerPixel(ScreenLayout layout) {
  return ddraw::Describe(layout).bytesPerPixel;
}

DisplayProfile DefaultDisplayProfile() { return DisplayProfile(); }

void SetDisplayProfile(const DisplayProfile& profile) { ddraw::Profile() = profile; }

DisplayProfile CurrentDisplayProfile() { return ddraw::Profile(); }

bool ProfileForLayoutName(const char* name, DisplayProfile* profile) {
  ScreenLayout layout;
  if (!ddraw::LayoutFromName(name, &layout)) return false;
  DisplayProfile chosen = DefaultDisplayProfile();
  const DWORD depth = ddraw::Describe(layout).bitCount;
  chosen.accepts32 = depth == 32;
  chosen.accepts24 = depth == 24;
  chosen.accepts16 = depth == 16;
  if (depth == 32) chosen.layout32 = layout;
  if (depth == 24) chosen.layout24 = layout;
  if (depth == 16) chosen.layout16 = layout;
  if (depth == 8) {
    // Palette indices stand in for the deepest mode, so the show meets them at once.
    chosen.accepts32 = true;
    chosen.layout32 = layout;
  }
  *profile = chosen;
  return true;
}

void FailNextLocks(int count, HRESULT result) {
  ddraw::TheDevice().failingLocks = count;
  ddraw::TheDevice().lockFailure = result;
}

void StopFailingLocks() { ddraw::TheDevice().failingLocks = 0; }

void InjectKeyDown(WPARAM virtualKey) { InjectKey(virtualKey, true); }
void InjectKeyUp(WPARAM virtualKey) { InjectKey(virtualKey, false); }

void InjectPointerOver() {
  HWND window = windows::FocusWindow();
  if (window) windows::PostPointerOver(window);
}

void InjectCloseRequest() {
  HWND window = windows::FocusWindow();
  if (window) windows::PostCloseRequest(window);
}

void InjectActivation(bool active) {
  if (!active) {
    windows::DeactivateApplication(windows::Delivery::kQueued);
    return;
  }
  HWND exclusive = ddraw::TheDevice().exclusiveWindow;
  HWND window = exclusive ? exclusive : windows::NewestWindow();
  if (window && !windows::ActiveWindow())
    windows::ActivateApplication(window, windows::Delivery::kQueued);
}

void PostMessageTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  windows::PostToQueue(window, message, wParam, lParam);
}

HWND OtherWindowHandle() { return kOtherWindow; }

std::vector<WindowMessage> QueuedMessages() { return windows::QueueContents(); }
std::vector<WindowMessage> DeliveredMessages() { return windows::Delivered(); }
void ClearDeliveredMessages() { windows::ClearDelivered(); }

bool ApplicationActive() { return windows::ActiveWindow() != nullptr; }
HWND ActiveWindow() { return windows::ActiveWindow(); }
bool PointerHidden() { return windows::CurrentCursor() == nullptr; }
int WindowCount() { return windows::WindowCount(); }
int LoadedLibraryCount() { return libraries::LoadedCount(); }
int LiveDirectDrawCount() { return static_cast<int>(ddraw::TheDevice().objects.size()); }
int LiveSurfaceCount() { return static_cast<int>(ddraw::TheDevice().surfaces.size()); }

ScreenMode CurrentScreenMode() {
  const ddraw::Mode mode = ddraw::ModeOnScreen();
  ScreenMode shown;
  shown.width = mode.width;
  shown.height = mode.height;
  shown.bitsPerPixel = mode.bitsPerPixel;
  shown.layout = mode.layout;
  shown.desktop = mode.desktop;
  return shown;
}

int FlipCount() { return ddraw::TheDevice().flips; }
int ScreenWidth() { return ddraw::TheDevice().pictureWidth; }
int ScreenHeight() { return ddraw::TheDevice().pictureHeight; }
ScreenLayout ScreenPictureLayout() { return ddraw::TheDevice().pictureLayout; }

std::vector<std::uint32_t> ScreenPixels() {
  const ddraw::Device& device = ddraw::TheDevice();
  std::vector<std::uint32_t> pixels;
  if (device.picture.empty()) return pixels;
  const int bytesPerPixel = ScreenLayoutBytesPerPixel(device.pictureLayout);
  pixels.reserve(static_cast<size_t>(device.pictureWidth) * device.pictureHeight);
  for (int y = 0; y < device.pictureHeight; y++) {
    const std::uint8_t* row = device.picture.data() + static_cast<size_t>(y) * device.picturePitch;
    for (int x = 0; x < device.pictureWidth; x++)
      pixels.push_back(ddraw::ReadRGB(device.pictureLayout, row + x * bytesPerPixel));
  }
  return pixels;
}

std::uint32_t ScreenPixel(int x, int y) {
  const ddraw::Device& device = ddraw::TheDevice();
  if (device.picture.empty() || x < 0 || y < 0 || x >= device.pictureWidth ||
      y >= device.pictureHeight)
    return 0;
  const int bytesPerPixel = ScreenLayoutBytesPerPixel(device.pictureLayout);
  return ddraw::ReadRGB(device.pictureLayout, device.picture.data() +
                                                  static_cast<size_t>(y) * device.picturePitch +
                                                  static_cast<size_t>(x) * bytesPerPixel);
}

SurfaceView BackSurfaceView() {
  ddraw::Surface* front = ddraw::TheDevice().newestChain;
  return ViewOf(front ? front->attached : nullptr);
}

SurfaceView FrontSurfaceView() { return ViewOf(ddraw::TheDevice().newestChain); }

void CaptureWindowFrames(bool on) { sdl::CaptureFrames(on); }

WindowCapture LastWindowCapture() {
  const sdl::Capture& capture = sdl::LastCapture();
  WindowCapture copy;
  copy.count = capture.count;
  copy.width = capture.width;
  copy.height = capture.height;
  copy.pixels = capture.pixels;
  return copy;
}

void ResetDisplayControls() {
  sdl::PreferHeadlessVideo(true);
  ddraw::ResetDevice();
  windows::ResetWindowSystem();
  libraries::ResetLibraries();
}

}  // namespace platform
