#include "platform/host/clock.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/host/driver.h"
#include "platform/host/screen.h"
#include "platform/host/video.h"

namespace platform {
namespace host {

std::uint32_t RealTicks() { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

void SleepUntilCounter(std::uint64_t due) {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (now >= due) return;
  const Uint64 frequency = SDL_GetPerformanceFrequency();
  std::this_thread::sleep_for(std::chrono::nanoseconds((due - now) * 1000000000ull / frequency));
}

void SleepFor(std::uint32_t milliseconds) {
  if (milliseconds == 0)
    std::this_thread::yield();
  else
    SleepUntilCounter(SDL_GetPerformanceCounter() +
                      std::uint64_t{milliseconds} * SDL_GetPerformanceFrequency() / 1000);
}

void ShowMessageBox(const char* text, const char* caption, bool error) {
  if (DisplayServerPresent() &&
      SDL_ShowSimpleMessageBox(error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION, caption,
                               text, nullptr) == 0)
    return;
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

}  // namespace host
}  // namespace platform
