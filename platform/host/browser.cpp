// The browser page's side of the host (see host_specific.h): built instead of desktop.cpp.
#include <SDL.h>
#include <emscripten.h>

#include "platform/host/host_specific.h"

namespace {

// Asyncify saves the show's stack, the page runs, and the next animation frame resumes it.
// Pages the browser hides get no animation frames: a timer then resumes it instead, whenever the
// page is hidden (before or during the wait), so the show's clock and sound go on as on a desktop
// that lost the focus. A show that ends while resumed leaves by emscripten's ExitStatus, which is
// the end, not an error; anything else thrown from the show aborts it, so that the page hears of
// it (onAbort) instead of a frozen picture over a song that plays on.
EM_JS(void, WaitForAnimationFrame, (), {
  Asyncify.handleSleep(function(wakeUp) {
    var woken = false;
    function hidden() {
      if (document.hidden) setTimeout(wake, 100);
    }
    function wake() {
      if (woken) return;
      woken = true;
      document.removeEventListener('visibilitychange', hidden);
      try {
        wakeUp();
      } catch (thrown) {
        if (thrown instanceof ExitStatus) return;
        try {
          abort(thrown && thrown.message ? thrown.message : String(thrown));
        } catch (aborted) {
          // abort() throws for its callers; the page has been told.
        }
      }
    }
    requestAnimationFrame(wake);
    document.addEventListener('visibilitychange', hidden);
    hidden();
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

Uint32 WindowFlags() { return SDL_WINDOW_ALLOW_HIGHDPI; }

void ShowAsScreen(SDL_Window* window, bool) { FitWindowToPage(window); }

}  // namespace host
}  // namespace platform
