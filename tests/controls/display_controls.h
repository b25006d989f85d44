// Test controls of the window-system and DirectDraw stand-ins: the display profile in force,
// failing locks, injected window messages, the messages delivered, the screen as last flipped,
// the surfaces' bytes, and a look at what reached the real window.
//
// Every control acts on the one thread the show runs on; none of them is thread-safe.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ddraw/display_profile.h"
#include "platform/ddraw/hooks.h"
#include "platform/ddraw_api.h"
#include "platform/win32/hooks.h"
#include "platform/win32_api.h"

namespace platform {

// The profile in force (see platform/ddraw/display_profile.h).
void SetDisplayProfile(const ddraw::DisplayProfile& profile);
ddraw::DisplayProfile CurrentDisplayProfile();

// The emulated driver's faults and limits (see platform/ddraw/hooks.h), and the
// loader's two faults: LoadLibraryA("ddraw.dll") finds nothing; the library doesn't export
// DirectDrawCreate. The defaults are a real run's.
struct DisplayFaults : ddraw::DriverFaults {
  bool libraryMissing = false;
  bool entryMissing = false;
};
void SetDisplayFaults(const DisplayFaults& faults);

// Lock refusals: the next count locks (count < 0: every lock until StopFailingLocks) fail with
// the given result, after the checks a real lock makes.
void FailNextLocks(int count, HRESULT result = DDERR_SURFACEBUSY);
void StopFailingLocks();

// A layout's name: "xrgb32", "xbgr32", "rgb24", "bgr24", "rgb565", "bgr565", "rgb555", "pal8".
const char* ScreenLayoutName(ddraw::ScreenLayout layout);
int ScreenLayoutBytesPerPixel(ddraw::ScreenLayout layout);

// Injected input, as the window system takes the desktop's events. Keys and pointer go to the
// focus window: the active window, else the newest window; with no window they are dropped.
// A key is queued as the keyboard's key would be (see win32::PressKey in the window system):
// WM_KEYDOWN or WM_KEYUP, or the WM_SYSKEY pair while Alt (VK_MENU, injected too) is held, with
// the scan code, previous state and transition in lParam. The pointer moving over the window
// sends it WM_SETCURSOR inside the thread's next PeekMessageA. A close request queues WM_CLOSE.
void InjectKeyDown(WPARAM virtualKey);
void InjectKeyUp(WPARAM virtualKey);
void InjectPointerOver();
void InjectCloseRequest();
// The application gains or loses the desktop's focus, as when the user switches programs. The
// effect is immediate, as on the real system: on losing focus the desktop mode returns and the
// surfaces lose their memory; on gaining it the show's mode returns (surfaces stay lost until
// Restore). WM_ACTIVATEAPP with 0 or 1 is sent to the window that loses or gains focus (the
// exclusive window, else the newest) from outside the program: its procedure hears it inside
// the thread's next PeekMessageA. Nothing happens if the state doesn't change.
void InjectActivation(bool active);
// Posts any message: to a window, to a handle that is no window of this program (see
// OtherWindowHandle), or with a null handle to the thread.
void PostMessageTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND OtherWindowHandle();

// A message as it reached a window procedure, or waits in the queue (see the window system).
using win32::WindowMessage;

// Messages still waiting in the thread's queue, oldest first (not the sent ones).
std::vector<WindowMessage> QueuedMessages();
// Every message that reached a window procedure, sent or dispatched, in order; the latest 4,096.
std::vector<WindowMessage> DeliveredMessages();
void ClearDeliveredMessages();

// The desktop's id of the real window behind a window (made now if it wasn't), for events a
// test puts on the desktop's own queue; 0 when there is none.
std::uint32_t DesktopWindowId(HWND window);

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
  ddraw::ScreenLayout layout = ddraw::ScreenLayout::kXRGB32;
  bool desktop = true;
};
ScreenMode CurrentScreenMode();

// The picture of the last flip, read as 0x00RRGGBB per pixel, rows top first, with 5- and 6-bit
// channels expanded so full intensity reads 0xFF. Empty before the first flip.
int FlipCount();
int ScreenWidth();
int ScreenHeight();
ddraw::ScreenLayout ScreenPictureLayout();
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

// Everything back to its start: the default profile, no faults, no windows, classes, queued or delivered
// messages, libraries, DirectDraw objects or surfaces (any left are freed: old pointers are
// dangling), no flips, no failing locks, pointer shown, capture off. From the first reset on,
// SDL uses its offscreen video driver unless SDL_VIDEODRIVER names another, so tests open
// nothing on the desktop.
void ResetDisplayControls();

}  // namespace platform
