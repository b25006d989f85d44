// The display: the show window and its input, the fullscreen display and frame presentation.
#pragma once
#include <cstdint>

#include "convert/convert.h"
#include "platform/ddraw_api.h"
#include "platform/win32_api.h"

// Raised by the window procedure on Escape or a close request; never cleared.
extern int quitRequested;
// The application's activation as last reported to the window; drawing happens only while set.
extern int appActive;

struct DisplayState {
  HWND window;
  std::int32_t width;
  std::int32_t height;
  HMODULE library;
  IDirectDraw* display;
  IDirectDrawSurface* primary;
  IDirectDrawSurface* back;
  RowConverter converter;
};
extern DisplayState displayState;

HWND CreateShowWindow(const char* title);
LRESULT CALLBACK ShowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// 1 when the screen is ours at width x height and ready for PresentFrame, 0 otherwise.
int OpenDisplay(const char* title, std::int32_t width, std::int32_t height);
void CloseDisplay();

// Pumps the window's messages and, while the application is active, puts frame on the screen.
// 0 when the back surface couldn't be locked.
int PresentFrame(FrameBuffer frame);
