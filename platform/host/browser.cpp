// The browser page's side of the host (see host_specific.h): built instead of desktop.cpp.
#include <SDL.h>
#include <emscripten.h>

#include "platform/host/host_specific.h"

namespace {

// Asyncify saves the show's stack, the page runs, and the next animation frame resumes it.
// Pages the browser hides get no animation frames: a timer then resumes it instead, so the show's
// clock and sound go on as on a desktop that lost the focus. A show that ends while resumed
// leaves by emscripten's ExitStatus, which is the end, not an error.
EM_JS(void, WaitForAnimationFrame, (), {
  Asyncify.handleSleep(function(wakeUp) {
    var woken = false;
    function wake() {
      if (woken) return;
      woken = true;
      try {
        wakeUp();
      } catch (thrown) {
        if (!(thrown instanceof ExitStatus)) throw thrown;
      }
    }
    requestAnimationFrame(wake);
    if (document.hidden) setTimeout(wake, 100);
  });
});

// The window takes the page's whole size (the page's own fullscreen, where the browser allows
// it, is asked for by the page from the click that starts the show); checked again before each
// picture as the page's size changes. True when the window's size changed.
bool FitWindowToPage(SDL_Window* window) {
  if (!window) return false;
  const int width = EM_ASM_INT({ return window.innerWidth; });
  const int height = EM_ASM_INT({ return window.innerHeight; });
  int shownWidth = 0;
  int shownHeight = 0;
  SDL_GetWindowSize(window, &shownWidth, &shownHeight);
  if (width <= 0 || height <= 0 || (width == shownWidth && height == shownHeight)) return false;
  SDL_SetWindowSize(window, width, height);
  return true;
}

}  // namespace

namespace platform {
namespace host {

bool DisplayServerPresent() { return true; }  // the page's canvas

bool WithoutDirectRendering(SDL_Window*) { return false; }

bool PresentCanWaitForBlank(bool) { return true; }

void SetRendererVsync(SDL_Renderer*, bool) {}

void BeforePresent(HostWindow window, SDL_Renderer* renderer) {
  if (FitWindowToPage(SDL_GetWindowFromID(window)) && renderer)
    SDL_RenderSetViewport(renderer, nullptr);
}

void AfterVsyncPresent() { WaitForAnimationFrame(); }

void SleepUntilCounter(std::uint64_t due) {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (now >= due) return;
  emscripten_sleep(static_cast<unsigned>((due - now) * 1000 / SDL_GetPerformanceFrequency()) + 1);
}

void ShowAsScreen(SDL_Window* window, bool) { FitWindowToPage(window); }

}  // namespace host
}  // namespace platform
