// The desktop's side of the host (see per_host.h): an X11 or Wayland desktop, with threads.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/host/per_host.h"

namespace platform {
namespace host {
namespace {

// A vsync that returns at once (a driver that claims it and doesn't wait) still can't run the
// loop faster than this.
const double kVsyncFloorSeconds = 1.0 / 240.0;
Uint64 lastVsyncPresent = 0;

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

}  // namespace

bool DisplayServerPresent() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

bool WithoutDirectRendering(SDL_Window* window) {
  SDL_SysWMinfo system;
  SDL_VERSION(&system.version);
  if (!SDL_GetWindowWMInfo(window, &system) || system.subsystem != SDL_SYSWM_X11) return false;
  int opcode, event, error;
  Display* display = system.info.x11.display;
  return !XQueryExtension(display, "DRI3", &opcode, &event, &error) &&
         !XQueryExtension(display, "DRI2", &opcode, &event, &error);
}

bool PresentCanWaitForBlank(bool rendererClaimsVsync) { return rendererClaimsVsync; }

bool PresentIsTheBlankWait() { return true; }

void SetRendererVsync(SDL_Renderer* renderer, bool on) { SDL_RenderSetVSync(renderer, on ? 1 : 0); }

void BeforePresent(HostWindow, SDL_Renderer*, int, int) {}

bool DrawPictureItself(const Picture&) { return false; }

int AudioBufferFrames() { return 1024; }

void AfterVsyncPresent() {
  const Uint64 floor = static_cast<Uint64>(kVsyncFloorSeconds * SDL_GetPerformanceFrequency());
  if (lastVsyncPresent != 0) SleepUntilCounter(lastVsyncPresent + floor);
  lastVsyncPresent = SDL_GetPerformanceCounter();
}

void SleepUntilCounter(std::uint64_t due) {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (now >= due) return;
  const Uint64 frequency = SDL_GetPerformanceFrequency();
  std::this_thread::sleep_for(std::chrono::nanoseconds((due - now) * 1000000000ull / frequency));
}

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

}  // namespace host
}  // namespace platform
