// The window system behind the user32 stand-ins: windows and their classes, the thread's message
// queue, the application's activation, and the desktop's events turned into messages. The user32
// calls (window.cpp) and DirectDraw work through this.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/video.h"
#include "platform/win32/win32_declarations.h"

namespace platform {
namespace win32 {

// How trace lines write a message ({hwnd <h>, message 0x<m>, wParam 0x<w>, lParam 0x<l>}):
// written once, for the stand-ins and the tests; only for a line being traced.
struct TracedRecord {
  char text[128];
};
TracedRecord TraceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline TracedRecord TraceMessage(const MSG& m) {
  return TraceMessage(m.hwnd, m.message, m.wParam, m.lParam);
}

struct WindowClass {
  ATOM atom;
  std::string name;
  WNDPROC procedure;
  HCURSOR cursor;
};

struct Window {
  HWND handle;
  std::string title;
  WNDPROC procedure;
  HCURSOR classCursor;
  DWORD style;
  int width;
  int height;
  host::HostWindow real;  // made when the window must be seen; 0 until then
  bool destroying;
};

Window* WindowRecord(HWND handle);
HWND AddWindow(const Window& window);
// Forgets the window: its queued messages go, its real window closes, and once no window is
// left the host's video stops, which gives the desktop back.
void RemoveWindow(HWND handle);
HWND NewestWindow();
// Where the desktop sends keys and its requests to end: the active window, else the newest.
HWND FocusWindow();

// Calls the window's procedure at once, as the system does for the messages it sends; sent
// false: for a message taken from the queue (DispatchMessageA).
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool sent = true);
// Calls the procedures for every message sent from outside the program's thread (the desktop)
// so far, oldest first: such a message reaches its procedure, as a sent message, inside the
// thread's next PeekMessageA, and is never returned from the queue.
void DeliverSentMessages();

void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posted where it will be taken next, as the system does with the characters TranslateMessage
// makes.
void PostToFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window is asked for its cursor: WM_SETCURSOR, sent now (the window came under the
// pointer during a call), or, for the pointer moving over it, sent at the thread's next
// PeekMessageA, once however often it moved meanwhile.
void SendPointerOver(HWND window);
void PointerMovedOver(HWND window);
void PostCloseRequest(HWND window);
// A key of the keyboard went down or up for the window: WM_KEYDOWN or WM_KEYUP is posted, or
// WM_SYSKEYDOWN or WM_SYSKEYUP for a key pressed or released while Alt is held (without Ctrl),
// for Alt itself and for F10. lParam: repeat count 1, the scan code in bits 16-23, bit 24 for an
// extended key, bit 29 while Alt is held, bit 30 when the key was down before, bit 31 for a
// release.
void PressKey(HWND window, unsigned virtualKey, bool down, bool extended);

// The application's activation. An activation change tells the display driver first, then the
// window gets WM_ACTIVATEAPP, sent: at once, from within the call that changed it, or, for a
// change from outside the program (the user switching programs), at the thread's next
// PeekMessageA.
enum class Delivery { kNow, kWhenRetrieved };
HWND ActiveWindow();
void ActivateApplication(HWND window, Delivery delivery);
void DeactivateApplication(Delivery delivery);
typedef void (*ActivationListener)(bool active);
void SetActivationListener(ActivationListener listener);

// The real window behind a window (made on first need; 0 without video).
host::HostWindow RealWindow(HWND window);

// Reads the desktop's pending events: keys and close requests are queued as messages, pointer
// moves and activation changes become messages sent from outside.
void PumpDesktopEvents();

// Handles look like the system's: small, even numbers no pointer would have.
const std::uintptr_t kFirstWindowHandle = 0x00020010;
// The system's arrow, the cursor every thread starts with.
HCURSOR const kArrowCursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x00010003));

// The window system's state, kept by the calls above; the controls read it and clear it.
struct WindowSystem {
  std::vector<WindowClass> classes;
  std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::uintptr_t nextHandle = kFirstWindowHandle;
  std::deque<MSG> queue;
  // Sent from outside the thread, waiting for its next PeekMessageA.
  std::deque<MSG> sentWaiting;
  HWND active = nullptr;
  ActivationListener listener = nullptr;
  HCURSOR cursor = kArrowCursor;
  bool keyDown[256] = {};  // as of the key messages taken from the queue
  bool pressed[256] = {};  // as of the keyboard's own events
};
WindowSystem& State();

}  // namespace win32
}  // namespace platform
