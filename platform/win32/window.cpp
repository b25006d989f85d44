// user32: window classes, windows, the message queue and the cursor.
//
// Traced calls: "RegisterClassA <class>", "CreateWindowExA", "DestroyWindow",
// "DefWindowProcA 0x<message>", "PeekMessageA" (nothing taken) or "PeekMessageA -> 0x<message>",
// "TranslateMessage 0x<message>", "DispatchMessageA 0x<message>", "SetCursor null" or
// "SetCursor 0x<handle>". A failed call ends with " -> 0" or " -> null".
#include <cstring>

#include "platform/trace/call_trace.h"
#include "platform/win32/win32_declarations.h"
#include "platform/win32/window_system.h"

using namespace platform;

namespace {

// The character TranslateMessage makes for a key, or 0.
unsigned CharacterFor(unsigned virtualKey) {
  const bool shifted = windows::KeyIsDown(VK_SHIFT);
  if (virtualKey >= 'A' && virtualKey <= 'Z') return shifted ? virtualKey : virtualKey + ('a' - 'A');
  if (virtualKey >= '0' && virtualKey <= '9') return shifted ? 0 : virtualKey;
  if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD0 + 9) return '0' + (virtualKey - VK_NUMPAD0);
  switch (virtualKey) {
    case VK_SPACE:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_BACK:
    case VK_TAB:
      return virtualKey;
    default:
      return 0;
  }
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
  const char* name = windowClass && windowClass->lpszClassName ? windowClass->lpszClassName : "";
  // A class needs a name and a procedure, and a name can be registered once.
  if (!windowClass || !*name || !windowClass->lpfnWndProc || windows::FindClass(name)) {
    TraceCall("RegisterClassA %s -> 0", name);
    return 0;
  }
  TraceCall("RegisterClassA %s", name);
  return windows::AddClass(*windowClass);
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  const windows::WindowClass* windowClass = windows::FindClass(className);
  if (!windowClass) {
    TraceCall("CreateWindowExA -> null");
    return nullptr;
  }
  TraceCall("CreateWindowExA");
  windows::Window window;
  window.handle = nullptr;
  window.className = windowClass->name;
  window.title = windowName ? windowName : "";
  window.procedure = windowClass->procedure;
  window.classCursor = windowClass->cursor;
  window.style = style;
  window.width = width;
  window.height = height;
  window.real = nullptr;
  window.destroying = false;
  HWND handle = windows::AddWindow(window);
  if (style & WS_VISIBLE) windows::RealWindow(handle);

  CREATESTRUCTA creation;
  creation.lpCreateParams = param;
  creation.hInstance = instance;
  creation.hMenu = menu;
  creation.hwndParent = parent;
  creation.cy = height;
  creation.cx = width;
  creation.y = y;
  creation.x = x;
  creation.style = static_cast<LONG>(style);
  creation.lpszName = windowName;
  creation.lpszClass = className;
  creation.dwExStyle = exStyle;
  // The procedure sees its window before CreateWindowExA returns, and can refuse it.
  const LPARAM creationAddress = reinterpret_cast<LPARAM>(&creation);
  if (!windows::SendToWindow(handle, WM_NCCREATE, 0, creationAddress)) {
    windows::SendToWindow(handle, WM_NCDESTROY, 0, 0);
    windows::RemoveWindow(handle);
    return nullptr;
  }
  if (windows::SendToWindow(handle, WM_CREATE, 0, creationAddress) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return handle;
}

BOOL WINAPI DestroyWindow(HWND window) {
  windows::Window* record = windows::FindWindow(window);
  // A procedure that destroys its window again while hearing WM_DESTROY gets a refusal.
  if (!record || record->destroying) {
    TraceCall("DestroyWindow -> 0");
    return FALSE;
  }
  TraceCall("DestroyWindow");
  record->destroying = true;
  // The active window going takes the application's activation with it.
  if (windows::ActiveWindow() == window)
    windows::DeactivateApplication(windows::Delivery::kSent);
  windows::SendToWindow(window, WM_DESTROY, 0, 0);
  windows::SendToWindow(window, WM_NCDESTROY, 0, 0);
  windows::RemoveWindow(window);
  return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
  TraceCall("DefWindowProcA 0x%x", message);
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SETCURSOR: {
      const windows::Window* target = windows::FindWindow(window);
      if (target && target->classCursor) SetCursor(target->classCursor);
      return FALSE;
    }
    default:
      return 0;
  }
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeFlags) {
  if (!message) {
    TraceCall("PeekMessageA -> 0");
    return FALSE;
  }
  windows::PumpDesktopEvents();
  if (!windows::TakeFromQueue(message, window, filterMin, filterMax,
                              (removeFlags & PM_REMOVE) != 0)) {
    TraceCall("PeekMessageA");
    return FALSE;
  }
  TraceCall("PeekMessageA -> 0x%x", message->message);
  return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* message) {
  if (!message) return FALSE;
  TraceCall("TranslateMessage 0x%x", message->message);
  if (message->message == WM_KEYUP) return TRUE;
  if (message->message != WM_KEYDOWN) return FALSE;
  const unsigned character = CharacterFor(static_cast<unsigned>(message->wParam & 0xFF));
  if (character) windows::PostToFront(message->hwnd, WM_CHAR, character, message->lParam);
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
  if (!message) return 0;
  TraceCall("DispatchMessageA 0x%x", message->message);
  return windows::DispatchToWindow(*message);
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  if (cursor)
    TraceCall("SetCursor %p", static_cast<void*>(cursor));
  else
    TraceCall("SetCursor null");
  return windows::ReplaceCursor(cursor);
}
