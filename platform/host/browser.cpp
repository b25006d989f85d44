#include "platform/host/browser.h"

#ifdef __EMSCRIPTEN__
#include <SDL.h>
#include <emscripten.h>

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

}  // namespace

namespace platform {
namespace host {

void WaitForBrowserFrame() { WaitForAnimationFrame(); }

bool FitWindowToPage(HostWindow id) {
  SDL_Window* window = SDL_GetWindowFromID(id);
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

void SleepInBrowser(unsigned milliseconds) { emscripten_sleep(milliseconds); }

}  // namespace host
}  // namespace platform
#endif
