#include "platform/host/video.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/driver.h"
#include "platform/host/keys.h"
#include "platform/host/screen.h"

namespace platform {
namespace host {
namespace {

// Window mode: the first showing gives the window its size and place; later ones (the focus
// coming back) leave both as the person left them.
void ShowAsDesktopWindow(SDL_Window* window) {
  const Uint32 flags = SDL_GetWindowFlags(window);
  if (flags & SDL_WINDOW_SHOWN) {
    if (flags & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window);
    return;
  }
  SDL_SetWindowFullscreen(window, 0);
  SDL_SetWindowBordered(window, SDL_TRUE);
  // Resizable before the size is set: a fixed window's size limits would follow it.
  SDL_SetWindowResizable(window, SDL_TRUE);
  // Smaller than the mode, the picture couldn't be shown whole.
  SDL_SetWindowMinimumSize(window, kScreenWindowWidth / 2, kScreenWindowHeight / 2);
  SDL_SetWindowSize(window, kScreenWindowWidth, kScreenWindowHeight);
  SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  SDL_ShowWindow(window);
  SDL_RaiseWindow(window);
}

// Makes the window the show's screen: the whole desktop or, with windowMode, a desktop window.
void ShowAsScreen(SDL_Window* window, bool windowMode) {
  if (windowMode) {
    ShowAsDesktopWindow(window);
    return;
  }
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

bool started = false;
bool failureReported = false;
bool pointerVisible = true;
VideoChoices choices;

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

SDL_Window* RealWindow(HostWindow window) {
  return started && window != 0 ? SDL_GetWindowFromID(window) : nullptr;
}

// The desktop's event as the program hears it; false for one it doesn't hear.
bool Translate(const SDL_Event& polled, HostEvent* event) {
  switch (polled.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_KeyboardEvent& key = polled.key;
      MadeEvent(event, key.type == SDL_KEYDOWN ? HostEvent::kKeyDown : HostEvent::kKeyUp, key.windowID);
      event->virtualKey = VirtualKeyFor(key.keysym.sym);
      event->extended =
          ExtendedKey(event->virtualKey, SdlKeyPlace(static_cast<int>(key.keysym.scancode)));
      event->alt = (key.keysym.mod & KMOD_ALT) != 0;
      event->ctrl = (key.keysym.mod & KMOD_CTRL) != 0;
      event->shift = (key.keysym.mod & KMOD_SHIFT) != 0;
      return event->virtualKey != 0;
    }
    case SDL_MOUSEMOTION:
      return MadeEvent(event, HostEvent::kPointerMoved, polled.motion.windowID);
    case SDL_WINDOWEVENT: {
      const Uint32 window = polled.window.windowID;
      switch (polled.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: return MadeEvent(event, HostEvent::kFocusGained, window);
        case SDL_WINDOWEVENT_FOCUS_LOST: return MadeEvent(event, HostEvent::kFocusLost, window);
        case SDL_WINDOWEVENT_ENTER: return MadeEvent(event, HostEvent::kPointerMoved, window);
        case SDL_WINDOWEVENT_CLOSE: return MadeEvent(event, HostEvent::kCloseRequest, window);
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
          // The window's contents were lost: the next picture is drawn even if unchanged.
          RedrawNextPresent();
          return false;
        default:
          return false;
      }
    }
    case SDL_QUIT:  // the desktop (or a signal) asks the program to end
      return MadeEvent(event, HostEvent::kCloseRequest, 0);
    default:
      return false;
  }
}

}  // namespace

bool DisplayServerPresent() {
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
  choices = VideoChoicesFromEnvironment();
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

bool VideoHeadless() {
  if (!started) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  return !driver || HeadlessDriverName(driver);
}

HostWindow CreateRealWindow(const char* title, int width, int height, bool visible) {
  if (!StartVideo()) return 0;
  const Uint32 flags = SDL_WINDOW_BORDERLESS | (visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
  // SDL has no empty windows; the show's window is made with no size at all.
  SDL_Window* window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width > 0 ? width : 1,
                                        height > 0 ? height : 1, flags);
  if (!window && !failureReported) {
    std::fprintf(stderr, "Quenthor: no window on the screen (SDL: %s)\n", SDL_GetError());
    failureReported = true;
  }
  return window ? SDL_GetWindowID(window) : 0;
}

void DestroyRealWindow(HostWindow id) {
  SDL_Window* window = RealWindow(id);
  if (!window) return;
  ForgetWindow(id);
  SDL_DestroyWindow(window);
}

const VideoChoices& ChosenVideo() { return choices; }

void ShowScreen(HostWindow id) {
  SDL_Window* window = RealWindow(id);
  if (!window) return;
  ShowAsScreen(window, choices.window);
}

void GiveDesktopBack(HostWindow id) {
  SDL_Window* window = RealWindow(id);
  if (window && !choices.window) SDL_MinimizeWindow(window);
}

void HideWindow(HostWindow id) {
  SDL_Window* window = RealWindow(id);
  if (!window) return;
  SDL_SetWindowFullscreen(window, 0);
  SDL_HideWindow(window);
}

void ShowPointer(bool visible) {
  pointerVisible = visible;
  if (started) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool NextEvent(HostEvent* event) {
  SDL_Event polled;
  while (started && SDL_PollEvent(&polled) == 1)
    if (Translate(polled, event)) return true;
  return false;
}

}  // namespace host
}  // namespace platform
