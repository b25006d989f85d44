#include "platform/sdl/video.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/browser.h"
#include "platform/sdl/screen.h"

namespace platform {
namespace sdl {
namespace {

bool started = false;
bool failureReported = false;
bool pointerVisible = true;

bool DriverNamedByUser() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && *driver;
}

bool HeadlessDriverName(const char* driver) {
  return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

// A fullscreen window gives the desktop back when its program loses focus, like exclusive mode;
// and our own pacing decides when a frame is shown, so the compositor needn't be bypassed.
void AskForExclusiveBehaviour() {
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
}

// SDL falls back on a headless driver when no screen answers; unless one was asked for, a run
// can't show anything there.
bool FellBackOnHeadlessDriver() {
  const char* current = SDL_GetCurrentVideoDriver();
  return !DriverNamedByUser() && current && HeadlessDriverName(current);
}

// With no screen a headless driver would try an EGL context first; software rendering needs
// nothing, and nor should the window's own pixels go through a GL texture. A renderer the user
// names is left alone.
void ChooseRenderDriver() {
  const char* renderer = std::getenv("SDL_RENDER_DRIVER");
  if (VideoHeadless() && !(renderer && *renderer)) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  } else {
    SDL_ResetHint(SDL_HINT_RENDER_DRIVER);
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  }
}

}  // namespace

bool DisplayServerPresent() {
#ifdef __EMSCRIPTEN__
  return true;  // the page's canvas
#endif
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

bool StartVideo() {
  if (started) return true;
  // Unless a driver is named (SDL_VIDEODRIVER), a run needs a display server. Without one there
  // is no display, and DirectDrawCreate fails as on a machine without display hardware.
  if (!DriverNamedByUser() && !DisplayServerPresent()) return false;
  AskForExclusiveBehaviour();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  if (FellBackOnHeadlessDriver()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  started = true;
  ChooseRenderDriver();
  SDL_ShowCursor(pointerVisible ? SDL_ENABLE : SDL_DISABLE);
  return true;
}

void StopVideo() {
  if (!started) return;
  ForgetRenderer();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  started = false;
}

bool VideoStarted() { return started; }

bool VideoHeadless() {
  if (!started) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  return !driver || HeadlessDriverName(driver);
}

SDL_Window* CreateRealWindow(const char* title, int width, int height, bool visible) {
  if (!StartVideo()) return nullptr;
  Uint32 flags = SDL_WINDOW_BORDERLESS | (visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
  // SDL has no empty windows; the show's window is made with no size at all.
  SDL_Window* window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width > 0 ? width : 1,
                                        height > 0 ? height : 1, flags);
  if (!window && !failureReported) {
    std::fprintf(stderr, "Quenthor: no window on the screen (SDL: %s)\n", SDL_GetError());
    failureReported = true;
  }
  return window;
}

void DestroyRealWindow(SDL_Window* window) {
  if (!window) return;
  ForgetWindow(window);
  SDL_DestroyWindow(window);
}

void ShowFullscreen(SDL_Window* window) {
  if (!window) return;
#ifdef __EMSCRIPTEN__
  FitWindowToPage(window);
  return;
#endif
  // Sized to the desktop first: without a window manager nobody acts on the fullscreen request.
  SDL_Rect desktop;
  const int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &desktop) == 0) {
    SDL_SetWindowPosition(window, desktop.x, desktop.y);
    SDL_SetWindowSize(window, desktop.w, desktop.h);
  }
  SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
  SDL_ShowWindow(window);
  SDL_RestoreWindow(window);
  SDL_RaiseWindow(window);
}

void MinimizeWindow(SDL_Window* window) {
  if (window) SDL_MinimizeWindow(window);
}

void HideWindow(SDL_Window* window) {
  if (!window) return;
  SDL_SetWindowFullscreen(window, 0);
  SDL_HideWindow(window);
}

void ShowPointer(bool visible) {
  pointerVisible = visible;
  if (started) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool NextEvent(SDL_Event* event) { return started && SDL_PollEvent(event) == 1; }

}  // namespace sdl
}  // namespace platform
