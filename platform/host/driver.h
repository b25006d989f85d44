// What every driver of the host shares (the desktop's, sdl/, and the page's, page/): what a
// Present decides, the hooks' defaults, the waits for the blank, and the making of an event.
// A driver only puts pixels on its screen, waits, and reads its own clock and events.
#pragma once
#include <cstdint>

#include "platform/host/screen.h"
#include "platform/host/video.h"

namespace platform {
namespace host {

// The driver's own clock, the hooks' default (hooks.h): milliseconds since it started.
std::uint32_t RealTicks();

// What a driver's screen holds of the Presents before.
struct ScreenMemory {
  bool showsLast;      // the picture of the last Present
  bool gentleSawLast;  // gentle viewing took the last Present's picture
  bool gentleDrawn;    // gentle viewing has drawn on this screen, last at gentleDrawnAt
  std::uint32_t gentleDrawnAt;
};

// What one Present does. Nothing is put up when the screen would show what it shows already,
// unless the driver puts its screen up at every Present (a renderer that waits for the blank
// there, or a watcher that sees each).
struct PresentPlan {
  enum Redraw { kNothing, kPicture, kGentle };
  bool shows;         // the screen shows this picture (or gentle viewing's of it)
  bool putUp;         // the screen is shown again
  Redraw redraw;      // what is drawn anew on it first
  std::uint32_t now;  // the host clock, when gentle viewing draws
};
// drawable: the driver has a screen for the window and the picture can go on it. Gentle
// viewing takes every picture that would be drawn (the choices in force, ChosenVideo), and
// draws when due. The driver calls GentleDrew once gentle viewing's picture is on its screen.
PresentPlan PlanPresent(ScreenMemory* memory, const Picture& picture, bool drawable,
                        bool putUpEach);
void GentleDrew(ScreenMemory* memory, std::uint32_t now);
// The screen lost what it held (a new texture): the next Present draws.
void ScreenLost(ScreenMemory* memory);
// The screen is gone: gentle viewing starts over, from black.
void ForgetScreen(ScreenMemory* memory);
// Whether a Present asked to wait for the blank may: never while time is steered, as the clock
// stands still between the steerer's moves.
bool MayWaitForBlank(bool asked);

// The next frames for the sound output: the open output's render routine's mix (silence without
// one), heard by the listener the hooks may set (audio_output.h).
void MixForOutput(std::int16_t* stereo, int frames);

// Fills in an event of the kind, for the window; true.
bool MadeEvent(HostEvent* event, HostEvent::Kind kind, HostWindow window);

}  // namespace host
}  // namespace platform
