// How trace lines write the window system's names and messages: written once, for the
// stand-ins and for the tests that read the lines back (through the controls). Each formats,
// so only for a line being traced.
#pragma once
#include "platform/win32/win32_declarations.h"

namespace platform {

struct TracedRecord {
  char text[128];
};
// A class or window name: "null", an atom as "#<n>", or the string quoted (80 characters at
// most).
TracedRecord TraceName(LPCSTR name);
// {hwnd <h>, message 0x<m>, wParam 0x<w>, lParam 0x<l>}
TracedRecord TraceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline TracedRecord TraceMessage(const MSG& message) {
  return TraceMessage(message.hwnd, message.message, message.wParam, message.lParam);
}

}  // namespace platform
