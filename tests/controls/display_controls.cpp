#include "tests/controls/display_controls.h"

#include <cstdlib>
#include <deque>

#include "platform/ddraw/device.h"
#include "platform/ddraw/hooks.h"
#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/host/hooks.h"
#include "platform/host/keys.h"
#include "platform/host/screen.h"
#include "platform/win32/hooks.h"
#include "platform/win32/library.h"
#include "platform/win32/window_system.h"

namespace platform {

using ddraw::DisplayProfile;
using ddraw::ScreenLayout;

namespace {

// Made up, and never issued to a window of this program.
HWND const kOtherWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7FFE0010));
// Only the latest deliveries are kept: a long run moves the pointer a lot.
const size_t kDeliveredKept = 4096;

struct DisplayControls {
  int failingLocks = 0;  // < 0: every lock
  HRESULT lockFailure = DDERR_SURFACEBUSY;
  std::deque<WindowMessage> delivered;
  WindowCapture capture;
  // The screen as last flipped, as its bytes were.
  std::vector<std::uint8_t> picture;
  int picturePitch = 0;
  int pictureWidth = 0;
  int pictureHeight = 0;
  ScreenLayout pictureLayout = ScreenLayout::kXRGB32;
  int flips = 0;
};
DisplayControls controls;

HRESULT LockRefusal() {
  if (controls.failingLocks == 0) return DD_OK;
  if (controls.failingLocks > 0) controls.failingLocks--;
  return controls.lockFailure;
}

void KeepFlipped(const ddraw::Surface& front) {
  controls.picture = front.memory;
  controls.picturePitch = front.pitch;
  controls.pictureWidth = front.mode.width;
  controls.pictureHeight = front.mode.height;
  controls.pictureLayout = front.mode.layout;
  controls.flips++;
}

void KeepDelivery(const WindowMessage& message) {
  controls.delivered.push_back(message);
  if (controls.delivered.size() > kDeliveredKept) controls.delivered.pop_front();
}

void CaptureRendered(const std::uint32_t* pixels, int width, int height) {
  WindowCapture& capture = controls.capture;
  capture.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
  capture.width = width;
  capture.height = height;
  capture.count++;
}

std::uint32_t Widen5(std::uint32_t value) { return (value << 3) | (value >> 2); }
std::uint32_t Widen6(std::uint32_t value) { return (value << 2) | (value >> 4); }
std::uint32_t Pack(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red << 16 | green << 8 | blue;
}

// One pixel as 0x00RRGGBB; 5- and 6-bit channels are widened so full intensity reads 0xFF.
std::uint32_t ReadRGB(ScreenLayout layout, const std::uint8_t* pixel) {
  const std::uint32_t word = pixel[0] | pixel[1] << 8;
  switch (layout) {
    case ScreenLayout::kXRGB32:
    case ScreenLayout::kRGB24:
      return Pack(pixel[2], pixel[1], pixel[0]);
    case ScreenLayout::kXBGR32:
    case ScreenLayout::kBGR24:
      return Pack(pixel[0], pixel[1], pixel[2]);
    case ScreenLayout::kRGB565:
      return Pack(Widen5(word >> 11), Widen6((word >> 5) & 0x3F), Widen5(word & 0x1F));
    case ScreenLayout::kBGR565:
      return Pack(Widen5(word & 0x1F), Widen6((word >> 5) & 0x3F), Widen5(word >> 11));
    case ScreenLayout::kRGB555:
      return Pack(Widen5((word >> 10) & 0x1F), Widen5((word >> 5) & 0x1F), Widen5(word & 0x1F));
    case ScreenLayout::kPalette8:
      return Pack(pixel[0], pixel[0], pixel[0]);
  }
  return 0;
}

// A whole picture read that way, rows top first, without the padding at the end of its rows.
std::vector<std::uint32_t> ReadPicture(ScreenLayout layout, const std::uint8_t* bytes, int pitch,
                                       int width, int height) {
  const int bytesPerPixel = ddraw::Describe(layout).bytesPerPixel;
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; y++) {
    const std::uint8_t* row = bytes + static_cast<size_t>(y) * pitch;
    for (int x = 0; x < width; x++) pixels.push_back(ReadRGB(layout, row + x * bytesPerPixel));
  }
  return pixels;
}

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
  HWND window = win32::FocusWindow();
  if (!window) return;
  const unsigned key = static_cast<unsigned>(virtualKey);
  // An injected key is the usual one of its code, outside the keypad.
  win32::PressKey(window, key, down, host::ExtendedKey(key & 0xFF, host::KeyPlace::kMain));
}

}  // namespace

const char* ScreenLayoutName(ScreenLayout layout) { return ddraw::Describe(layout).name; }

int ScreenLayoutBytesPerPixel(ScreenLayout layout) {
  return ddraw::Describe(layout).bytesPerPixel;
}

void SetDisplayProfile(const DisplayProfile& profile) { ddraw::ProfileInForce() = profile; }

DisplayProfile CurrentDisplayProfile() { return ddraw::ProfileInForce(); }

void SetDisplayFaults(const DisplayFaults& faults) {
  win32::hooks.librariesMissing = faults.libraryMissing;
  win32::hooks.entriesMissing = faults.entryMissing;
  static_cast<ddraw::DriverFaults&>(ddraw::hooks) = faults;
}

void FailNextLocks(int count, HRESULT result) {
  controls.failingLocks = count;
  controls.lockFailure = result;
  ddraw::hooks.lockRefusal = LockRefusal;
}

void StopFailingLocks() { controls.failingLocks = 0; }

void InjectKeyDown(WPARAM virtualKey) { InjectKey(virtualKey, true); }
void InjectKeyUp(WPARAM virtualKey) { InjectKey(virtualKey, false); }

void InjectPointerOver() {
  HWND window = win32::FocusWindow();
  if (window) win32::PointerMovedOver(window);
}

void InjectCloseRequest() {
  HWND window = win32::FocusWindow();
  if (window) win32::PostCloseRequest(window);
}

void InjectActivation(bool active) {
  if (!active) {
    win32::DeactivateApplication(win32::Delivery::kWhenRetrieved);
    return;
  }
  HWND exclusive = ddraw::Hardware().exclusiveWindow;
  HWND window = exclusive ? exclusive : win32::NewestWindow();
  if (window && !win32::ActiveWindow())
    win32::ActivateApplication(window, win32::Delivery::kWhenRetrieved);
}

void PostMessageTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  win32::PostToQueue(window, message, wParam, lParam);
}

HWND OtherWindowHandle() { return kOtherWindow; }

std::vector<WindowMessage> QueuedMessages() {
  std::vector<WindowMessage> contents;
  for (const MSG& waiting : win32::State().queue)
    contents.push_back(
        WindowMessage{waiting.hwnd, waiting.message, waiting.wParam, waiting.lParam, false});
  return contents;
}

std::vector<WindowMessage> DeliveredMessages() {
  return std::vector<WindowMessage>(controls.delivered.begin(), controls.delivered.end());
}

void ClearDeliveredMessages() { controls.delivered.clear(); }

std::uint32_t DesktopWindowId(HWND window) {
  return win32::RealWindow(window);
}

bool ApplicationActive() { return win32::ActiveWindow() != nullptr; }
HWND ActiveWindow() { return win32::ActiveWindow(); }
bool PointerHidden() { return win32::State().cursor == nullptr; }
int WindowCount() { return static_cast<int>(win32::State().windows.size()); }

int LoadedLibraryCount() {
  int loaded = 0;
  for (int index = 0; index < win32::offerCount; index++) loaded += win32::offers[index].loads > 0;
  return loaded;
}
int LiveDirectDrawCount() { return static_cast<int>(ddraw::Hardware().objects.size()); }
int LiveSurfaceCount() { return static_cast<int>(ddraw::Hardware().surfaces.size()); }

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

int FlipCount() { return controls.flips; }
int ScreenWidth() { return controls.pictureWidth; }
int ScreenHeight() { return controls.pictureHeight; }
ScreenLayout ScreenPictureLayout() { return controls.pictureLayout; }

std::vector<std::uint32_t> ScreenPixels() {
  if (controls.picture.empty()) return std::vector<std::uint32_t>();
  return ReadPicture(controls.pictureLayout, controls.picture.data(), controls.picturePitch,
                     controls.pictureWidth, controls.pictureHeight);
}

std::uint32_t ScreenPixel(int x, int y) {
  if (controls.picture.empty() || x < 0 || y < 0 || x >= controls.pictureWidth ||
      y >= controls.pictureHeight)
    return 0;
  const int bytesPerPixel = ScreenLayoutBytesPerPixel(controls.pictureLayout);
  return ReadRGB(controls.pictureLayout,
                 controls.picture.data() + static_cast<size_t>(y) * controls.picturePitch +
                     static_cast<size_t>(x) * bytesPerPixel);
}

SurfaceView BackSurfaceView() {
  ddraw::Surface* front = ddraw::Hardware().newestChain;
  return ViewOf(front ? front->attached : nullptr);
}

SurfaceView FrontSurfaceView() { return ViewOf(ddraw::Hardware().newestChain); }

void CaptureWindowFrames(bool on) { host::hooks.rendered = on ? CaptureRendered : nullptr; }

WindowCapture LastWindowCapture() { return controls.capture; }

void ResetDisplayControls() {
  // Tests draw offscreen, as a person would ask for it, unless a driver is named already.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  ddraw::ResetDevice();
  // No windows, classes or messages; the activation listener (DirectDraw's) stays.
  win32::WindowSystem& windows = win32::State();
  for (auto& entry : windows.windows) host::DestroyRealWindow(entry.second->real);
  const win32::ActivationListener listener = windows.listener;
  windows = win32::WindowSystem();
  windows.listener = listener;
  host::ShowPointer(true);
  host::StopVideo();
  for (int index = 0; index < win32::offerCount; index++) win32::offers[index].loads = 0;
  controls = DisplayControls();
  ddraw::hooks = ddraw::Hooks();
  ddraw::hooks.flipped = KeepFlipped;
  win32::hooks.librariesMissing = false;
  win32::hooks.entriesMissing = false;
  host::hooks.rendered = nullptr;
  win32::hooks.delivered = KeepDelivery;
}

}  // namespace platform
