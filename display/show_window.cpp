// The show window and its procedure: the window that exclusive access is granted to, and the
// one place where the user's input becomes the two flags the show reads.
#include "display/display.h"

int quitRequested;
int appActive;

HWND CreateShowWindow(const char* title) {
  WNDCLASSA windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = ShowWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = nullptr;
  windowClass.hIcon = nullptr;
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = title;
  RegisterClassA(&windowClass);

  // No visibility, no size: the platform shows and activates the window once the screen is ours.
  return CreateWindowExA(0, title, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                         nullptr);
}

LRESULT CALLBACK ShowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATEAPP:
      appActive = static_cast<int>(wParam);
      return 0;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return 0;
    case WM_KEYDOWN:
      if ((wParam & 0xFF) == VK_ESCAPE) quitRequested = 1;
      return 0;
    case WM_CLOSE:
      // The window stays until the display is closed; the show loop ends at its next test.
      quitRequested = 1;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
