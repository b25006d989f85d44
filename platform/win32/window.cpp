// user32: window classes, windows, the message queue and the cursor.
//
// Traced calls, with their arguments in the call's order; an address or handle as "null" or
// "0x<hex>", a string quoted, an atom as "#<n>", a record as the fields read from it:
//   RegisterClassA {style 0x<s>, lpfnWndProc <a>, cbClsExtra <n>, cbWndExtra <n>,
//                   hInstance <h>, hIcon <h>, hCursor <h>, hbrBackground <h>,
//                   lpszMenuName <name>, lpszClassName <name>}
//   CreateWindowExA 0x<exStyle> <class> <title> 0x<style> <x> <y> <width> <height> <parent>
//                   <menu> <instance> <param>
//   DestroyWindow <window>
//   DefWindowProcA 0x<message>
//   PeekMessageA <window> 0x<min> 0x<max> 0x<flags>, and " -> <message>" when one was taken
//   TranslateMessage <message>, DispatchMessageA <message>
//   SetCursor null, or SetCursor 0x<handle>
// where <message> is {hwnd <h>, message 0x<m>, wParam 0x<w>, lParam 0x<l>}. A failed call ends
// with " -> 0" or " -> null". What PeekMessageA sends to a procedure (see window_system.h)
// shows before its own line.
#include <strings.h>

#include <cstdint>
#include <cstring>

#include "platform/trace/call_trace.h"
#include "platform/win32/win32_declarations.h"
#include "platform/win32/window_system.h"

using namespace platform;
using platform::win32::State;
using platform::win32::TraceMessage;

namespace platform {
namespace win32 {

TracedRecord TraceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TracedRecord traced;
  trace::Format(traced.text, sizeof traced.text,
                "{hwnd %s, message 0x%x, wParam 0x%llx, lParam 0x%llx}",
                trace::Address(window).text, message, static_cast<unsigned long long>(wParam),
                static_cast<unsigned long long>(static_cast<std::uintptr_t>(lParam)));
  return traced;
}

}  // namespace win32
}  // namespace platform

namespace {

const ATOM kFirstClassAtom = 0xC000;

// A class or window name as a trace line writes it: "null", an atom as "#<n>", or the string
// quoted, 80 characters at most.
win32::TracedRecord TraceName(LPCSTR name) {
  win32::TracedRecord traced;
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name);
  if (!name)
    trace::Format(traced.text, sizeof traced.text, "null");
  else if (value < 0x10000)
    trace::Format(traced.text, sizeof traced.text, "#%u", static_cast<unsigned>(value));
  else
    trace::Format(traced.text, sizeof traced.text, "\"%.80s\"", name);
  return traced;
}

// The character TranslateMessage makes for a key, or 0.
unsigned CharacterFor(unsigned virtualKey) {
  // The key state as of the last key message taken from the queue.
  const bool shifted = State().keyDown[VK_SHIFT];
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

// Classes, by name (compared without case, as the system does) or by atom.
const win32::WindowClass* FindClass(LPCSTR nameOrAtom) {
  if (!nameOrAtom) return nullptr;
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(nameOrAtom);
  for (const win32::WindowClass& known : State().classes) {
    if (value < 0x10000 ? known.atom == value : strcasecmp(known.name.c_str(), nameOrAtom) == 0)
      return &known;
  }
  return nullptr;
}

ATOM AddClass(const WNDCLASSA& windowClass) {
  win32::WindowSystem& state = State();
  win32::WindowClass added;
  added.atom = static_cast<ATOM>(kFirstClassAtom + state.classes.size());
  added.name = windowClass.lpszClassName;
  added.procedure = windowClass.lpfnWndProc;
  added.cursor = windowClass.hCursor;
  state.classes.push_back(added);
  return added.atom;
}

// Takes the first message matching PeekMessageA's filters; false when there is none.
bool TakeFromQueue(MSG* message, HWND window, UINT filterMin, UINT filterMax, bool remove) {
  win32::WindowSystem& state = State();
  HWND const threadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
  for (auto waiting = state.queue.begin(); waiting != state.queue.end(); ++waiting) {
    const bool windowMatches =
        !window || (window == threadOnly ? waiting->hwnd == nullptr : waiting->hwnd == window);
    const bool rangeMatches = (filterMin == 0 && filterMax == 0) || waiting->message == WM_QUIT ||
                              (waiting->message >= filterMin && waiting->message <= filterMax);
    if (!windowMatches || !rangeMatches) continue;
    *message = *waiting;
    if (remove) {
      state.queue.erase(waiting);
      const UINT taken = message->message;
      if (taken == WM_KEYDOWN || taken == WM_KEYUP || taken == WM_SYSKEYDOWN ||
          taken == WM_SYSKEYUP)
        state.keyDown[message->wParam & 0xFF] = taken == WM_KEYDOWN || taken == WM_SYSKEYDOWN;
    }
    return true;
  }
  return false;
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
  char call[640] = "RegisterClassA null";
  if (trace::Tracing() && windowClass)
    trace::Format(
        call, sizeof call,
        "RegisterClassA {style 0x%x, lpfnWndProc %s, cbClsExtra %d, cbWndExtra %d, "
        "hInstance %s, hIcon %s, hCursor %s, hbrBackground %s, lpszMenuName %s, "
        "lpszClassName %s}",
        windowClass->style,
        trace::Address(reinterpret_cast<const void*>(windowClass->lpfnWndProc)).text,
        windowClass->cbClsExtra, windowClass->cbWndExtra,
        trace::Address(windowClass->hInstance).text, trace::Address(windowClass->hIcon).text,
        trace::Address(windowClass->hCursor).text, trace::Address(windowClass->hbrBackground).text,
        TraceName(windowClass->lpszMenuName).text, TraceName(windowClass->lpszClassName).text);
  const char* name = windowClass && windowClass->lpszClassName ? windowClass->lpszClassName : "";
  // A class needs a name and a procedure, and a name can be registered once.
  if (!windowClass || !*name || !windowClass->lpfnWndProc || FindClass(name)) {
    TraceCall("%s -> 0", call);
    return 0;
  }
  TraceCall("%s", call);
  return AddClass(*windowClass);
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  char call[320] = "";
  if (trace::Tracing())
    trace::Format(call, sizeof call, "CreateWindowExA 0x%x %s %s 0x%x %d %d %d %d %s %s %s %s",
                  static_cast<unsigned>(exStyle), TraceName(className).text,
                  TraceName(windowName).text, static_cast<unsigned>(style), x, y, width, height,
                  trace::Address(parent).text, trace::Address(menu).text,
                  trace::Address(instance).text, trace::Address(param).text);
  const win32::WindowClass* windowClass = FindClass(className);
  if (!windowClass) {
    TraceCall("%s -> null", call);
    return nullptr;
  }
  TraceCall("%s", call);
  const win32::Window window = {nullptr,
                                windowName ? windowName : "",
                                windowClass->procedure,
                                windowClass->cursor,
                                style,
                                width,
                                height,
                                0,
                                false};
  HWND handle = win32::AddWindow(window);
  if (style & WS_VISIBLE) win32::RealWindow(handle);

  CREATESTRUCTA creation = {param, instance, menu, parent, height, width, y, x,
                            static_cast<LONG>(style), windowName, className, exStyle};
  // The procedure sees its window before CreateWindowExA returns, and can refuse it.
  const LPARAM creationAddress = reinterpret_cast<LPARAM>(&creation);
  if (!win32::SendToWindow(handle, WM_NCCREATE, 0, creationAddress)) {
    win32::SendToWindow(handle, WM_NCDESTROY, 0, 0);
    win32::RemoveWindow(handle);
    return nullptr;
  }
  if (win32::SendToWindow(handle, WM_CREATE, 0, creationAddress) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return handle;
}

BOOL WINAPI DestroyWindow(HWND window) {
  win32::Window* record = win32::WindowRecord(window);
  // A procedure that destroys its window again while hearing WM_DESTROY gets a refusal.
  if (!record || record->destroying) {
    TraceCall("DestroyWindow %s -> 0", trace::Address(window).text);
    return FALSE;
  }
  TraceCall("DestroyWindow %s", trace::Address(window).text);
  record->destroying = true;
  // The active window going takes the application's activation with it.
  if (win32::ActiveWindow() == window)
    win32::DeactivateApplication(win32::Delivery::kNow);
  win32::SendToWindow(window, WM_DESTROY, 0, 0);
  win32::SendToWindow(window, WM_NCDESTROY, 0, 0);
  win32::RemoveWindow(window);
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
      const win32::Window* target = win32::WindowRecord(window);
      if (target && target->classCursor) SetCursor(target->classCursor);
      return FALSE;
    }
    default:
      return 0;
  }
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeFlags) {
  char call[96] = "";
  if (trace::Tracing())
    trace::Format(call, sizeof call, "PeekMessageA %s 0x%x 0x%x 0x%x", trace::Address(window).text,
                  filterMin, filterMax, removeFlags);
  if (!message) {
    TraceCall("%s -> 0", call);
    return FALSE;
  }
  // The desktop's input and the messages sent from outside are taken in here, as the system
  // does while the thread asks for its messages; the sent ones go straight to the procedures.
  win32::PumpDesktopEvents();
  win32::DeliverSentMessages();
  if (!TakeFromQueue(message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0)) {
    TraceCall("%s", call);
    return FALSE;
  }
  TraceCall("%s -> %s", call, TraceMessage(*message).text);
  return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* message) {
  if (!message) return FALSE;
  TraceCall("TranslateMessage %s", TraceMessage(*message).text);
  const UINT kind = message->message;
  if (kind == WM_KEYUP || kind == WM_SYSKEYUP) return TRUE;
  if (kind != WM_KEYDOWN && kind != WM_SYSKEYDOWN) return FALSE;
  const unsigned character = CharacterFor(static_cast<unsigned>(message->wParam & 0xFF));
  if (character)
    win32::PostToFront(message->hwnd, kind == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, character,
                         message->lParam);
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
  if (!message) return 0;
  TraceCall("DispatchMessageA %s", TraceMessage(*message).text);
  return win32::SendToWindow(message->hwnd, message->message, message->wParam, message->lParam,
                             false);
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  TraceCall("SetCursor %s", trace::Address(cursor).text);
  HCURSOR previous = State().cursor;
  State().cursor = cursor;
  host::ShowPointer(cursor != nullptr);
  return previous;
}
