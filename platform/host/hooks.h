// Where the host can be steered or watched from outside (the controls set these): the clock
// everything above reads, and a look at the rendered window. The defaults are a real run's. The
// sound output has its own record (audio_output.h), which the audio thread reads.
#pragma once
#include <cstdint>

namespace platform {
namespace host {

struct Hooks {
  // The clock of the kernel's tick counter, the window system's message stamps and the screen's
  // refresh. Milliseconds now, wrapping at 2^32, read without side effects. Real: since SDL
  // started.
  std::uint32_t (*ticks)();
  // The screen's refresh, counted in vertical blanks, and the wait until a blank after the
  // given count has come (the count differs from it: a steered clock may wrap). Real: the
  // screen's paced refresh (screen.h).
  std::uint64_t (*currentBlank)();
  void (*waitForBlankAfter)(std::uint64_t blank);
  // On while time is steered from outside (a test's manual clock): time moves only when the
  // steerer moves it, so nothing may wait for real time, nor a renderer for a real blank.
  bool steered;
  // Sees every rendered window, read back as width x height 0x00RRGGBB pixels (null, and
  // 0 x 0, when it can't be read), just before it is presented. While set, every Present
  // renders, even on a headless driver and even an unchanged picture. Null: nobody watches.
  void (*rendered)(const std::uint32_t* pixels, int width, int height);
};
// Both constant-initialised, so they hold before any code runs.
extern Hooks hooks;
extern const Hooks kRealHooks;

}  // namespace host
}  // namespace platform
