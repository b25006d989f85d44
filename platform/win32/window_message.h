// A message as it reached a window procedure, or waits in the thread's queue.
#pragma once
#include "platform/win32_api.h"

namespace platform {

struct WindowMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool sent;  // delivered straight to the procedure by the system, not through DispatchMessageA
};

}  // namespace platform
