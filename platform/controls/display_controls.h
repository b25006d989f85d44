// Test controls of the window-system and DirectDraw stand-ins: the display profile (what the
// emulated screen accepts and reports), injected window messages, the screen as last flipped,
// the surfaces' bytes, and a look at what reached the real window.
//
// Every control acts on the one thread the show runs on; none of them is thread-safe.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ddraw_api.h"
#include "platform/win32_api.h"

namespace platform {

// The pixel layouts the emulated screen can report. The first six are the layouts the show
// converts to; the last two exist so that tests can watch the show refuse a screen.
enum class ScreenLayout {
  kXRGB32,    // 32 bits, red 0x00FF0000, green 0x0000FF00, blue 0x000000FF (memory B,G,R,X)
  kXBGR32,    // 32 bits, red 0x000000FF, green 0x0000FF00, blue 0x00FF0000 (memory R,G,B,X)
  kRGB24,     // 24 bits, red 0xFF0000, green 0x00FF00, blue 0x0000FF (memory B,G,R)
  kBGR24,     // 24 bits, red 0x0000FF, green 0x00FF00, blue 0xFF0000 (memory R,G,B)
  kRGB565,    // 16 bits, red 0xF800, green 0x07E0, blue 0x001F, low byte first
  kBGR565,    // 16 bits, red 0x001F, green 0x07E0, blue 0xF800, low byte first
  kRGB555,    // 16 bits, red 0x7C00, green 0x03E0, blue 0x001F: not a layout the show supports
  kPalette8,  // 8-bit palette indices, no DDPF_RGB flag: not RGB at all (read back as grey)
};
// "xrgb32", "xbgr32", "rgb24", "bgr24", "rgb565", "bgr565", "rgb555", "pal8".
const char* ScreenLayoutName(ScreenLayout layout);
int ScreenLayoutBytesPerPixel(ScreenLayout layout);

// What the emulated screen and its driver can do. Changes apply to modes set and surfaces made
// after the change.
struct DisplayProfile {
  // Depths SetDisplayMode accepts (any other depth is refused with DDERR_INVALIDMODE), and the
  // layout the surfaces report at each of them.
  bool accepts32 = true;
  bool accepts24 = true;
  bool accepts16 = true;
  ScreenLayout layout32 = ScreenLayout::kXRGB32;
  ScreenLayout layout24 = ScreenLayout::kRGB24;
  ScreenLayout layout16 = ScreenLayout::kRGB565;
  // Longest flip chain CreateSurface builds; asking for more fails with DDERR_OUTOFVIDEOMEMORY.
  // 0 refuses every flip chain.
  int maxBackBuffers = 2;
  // Bytes added to every surface row beyond width x bytes per pixel.
  int extraPitchBytes = 0;
  // Every byte of a new or restored surface starts as this (padding included).
  std::uint8_t surfaceFill = 0;
  // Start-up failures: LoadLibraryA("ddraw.dll") finds nothing; the library doesn't export
  // DirectDrawCreate; DirectDrawCreate fails (DDERR_NODIRECTDRAWHW); exclusive access is refused
  // (DDERR_EXCLUSIVEMODEALREADYSET, as if another program held the screen).
  bool libraryMissing = false;
  bool entryMissing = false;
  bool createFails = false;
  bool exclusiveRefused = false;
};
// All three depths, 32 bits reporting kXRGB32, 24 bits kRGB24, 16 bits kRGB565, two back
// buffers, no extra pitch, nothing failing.
DisplayProfile DefaultDisplayProfile();
void SetDisplayProfile(const DisplayProfile& profile);
DisplayProfile CurrentDisplayProfile();
// The profile a person picks with QUENTHOR_DISPLAY_LAYOUT=<layout name>: the screen accepts only
// that layout's depth and reports that layout. False for an unknown name.
bool ProfileForLayoutName(const char* name, DisplayProfile* profile);

// Lock refusals: the next count locks (count < 0: every lock until StopFailingLocks) fail with
// the given result, after the checks a real lock makes.
void FailNextLocks(int count, HRESULT result = DDERR_SURFACEBUSY);
void StopFailingLocks();

// Injected input, queued as the window system queues the desktop's events. Keys and pointer go
// to the focus window: the active window, else the newest window; with no window they are
// dropped.
void InjectKeyDown(WPARAM virtualKey);
void InjectKeyUp(WPARAM virtualKey);
void InjectPointerOver();
void InjectCloseRequest();
// The application gains or loses the desktop's focus, as when the user switches programs. The
// effect is immediate, as on the real system: on losing focus the desktop mode returns and the
// surfaces lose their memory; on gaining it the show's mode returns (surfaces stay lost until
// Restore). WM_ACTIVATEAPP with 0 or 1 is queued for the window that loses or gains focus (the
// exclusive window, else the newest). Nothing happens if the state doesn't change.
void InjectActivation(bool active);
// Posts any message: to a window, to a handle that is no window of this program (see
// OtherWindowHandle), or with a null handle to the thread.
void PostMessageTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND OtherWindowHandle();

struct WindowMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool sent;  // delivered straight to the procedure by the system, not through DispatchMessageA
};
// Messages still waiting in the thread's queue, oldest first.
std::vector<WindowMessage> QueuedMessages();
// Every message that reached a window procedure, sent or dispatched, in order.
std::vector<WindowMessage> DeliveredMessages();
void ClearDeliveredMessages();

bool ApplicationActive();
HWND ActiveWindow();
bool PointerHidden();
int WindowCount();
int LoadedLibraryCount();
int LiveDirectDrawCount();
int LiveSurfaceCount();

// The emulated screen's mode: the show's mode while the exclusive application is active and
// has set one, otherwise the desktop's (640x480 at the deepest accepted depth).
struct ScreenMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  ScreenLayout layout = ScreenLayout::kXRGB32;
  bool desktop = true;
};
ScreenMode CurrentScreenMode();

// The picture of the last flip, read as 0x00RRGGBB per pixel, rows top first, with 5- and 6-bit
// channels expanded so full intensity reads 0xFF. Empty before the first flip.
int FlipCount();
int ScreenWidth();
int ScreenHeight();
ScreenLayout ScreenPictureLayout();
std::vector<std::uint32_t> ScreenPixels();
std::uint32_t ScreenPixel(int x, int y);

// The memory of a surface of the live flip chain (the newest one made): the first back buffer
// (what GetAttachedSurface returns) or the front. Writable, so a test can mark the padding.
// Valid until the next Flip, Restore, Release or reset; all zero when there is no chain.
struct SurfaceView {
  std::uint8_t* bytes = nullptr;
  int pitch = 0;
  int width = 0;
  int height = 0;
  int bytesPerPixel = 0;
};
SurfaceView BackSurfaceView();
SurfaceView FrontSurfaceView();

// What the real window showed: while capture is on every flip renders the window, even without
// a display server, and keeps the rendered window as 0x00RRGGBB pixels.
void CaptureWindowFrames(bool on);
struct WindowCapture {
  int count = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};
WindowCapture LastWindowCapture();

// Everything back to its start: the default profile, no windows, classes, queued messages,
// libraries, DirectDraw objects or surfaces (any left are freed: old pointers are dangling), no
// flips, pointer shown, capture off. From the first reset on, SDL uses its offscreen video
// driver unless SDL_VIDEODRIVER names another, so tests open nothing on the desktop.
void ResetDisplayControls();

}  // namespace platform
