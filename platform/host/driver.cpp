#include "platform/host/driver.h"

#include <cstring>

#include "platform/host/audio_output.h"
#include "platform/host/gentle.h"
#include "platform/host/hooks.h"

namespace platform {
namespace host {

AudioOutputHooks audioOutputHooks;
AudioOutputState audioOutput;

void MixForOutput(std::int16_t* stereo, int frames) {
  if (frames <= 0) return;
  if (audioOutput.render)
    audioOutput.render(audioOutput.context, stereo, frames);
  else
    std::memset(stereo, 0, static_cast<std::size_t>(frames) * 2 * sizeof stereo[0]);
  const auto listener = audioOutputHooks.played.load(std::memory_order_acquire);
  if (listener) listener(stereo, frames);
}

const Hooks kRealHooks = {RealTicks, PacedBlank, WaitForPacedBlankAfter, false, nullptr};
Hooks hooks = {RealTicks, PacedBlank, WaitForPacedBlankAfter, false, nullptr};

std::uint64_t CurrentBlank() { return hooks.currentBlank(); }

void WaitForBlankAfter(std::uint64_t blank) { hooks.waitForBlankAfter(blank); }

PicturePlace PlacePicture(int pictureWidth, int pictureHeight, int outputWidth, int outputHeight) {
  int scale = 1;
  if (pictureWidth > 0 && pictureHeight > 0) {
    const int across = outputWidth / pictureWidth;
    const int down = outputHeight / pictureHeight;
    scale = across < down ? across : down;
    if (scale < 1) scale = 1;
  }
  const int w = pictureWidth * scale;
  const int h = pictureHeight * scale;
  return PicturePlace{(outputWidth - w) / 2, (outputHeight - h) / 2, w, h};
}

bool MayWaitForBlank(bool asked) { return asked && !hooks.steered; }

PresentPlan PlanPresent(ScreenMemory* memory, const Picture& picture, bool drawable,
                        bool putUpEach) {
  PresentPlan plan = {false, false, PresentPlan::kNothing, 0};
  if (!drawable) {
    memory->showsLast = false;
    memory->gentleSawLast = false;
    return plan;
  }
  const bool watched = hooks.rendered != nullptr;
  if (ChosenVideo().gentle) {
    plan.now = hooks.ticks();
    memory->gentleSawLast = GentleTakePresented(picture, memory->gentleSawLast, plan.now);
    if (!memory->gentleSawLast) {
      memory->showsLast = false;
      return plan;
    }
    if (!memory->gentleDrawn || watched || plan.now - memory->gentleDrawnAt >= kGentleRedrawMs)
      plan.redraw = PresentPlan::kGentle;
  } else if (!memory->showsLast || !picture.sameAsLast || watched) {
    // Three flips in four show the picture before: it is drawn once.
    plan.redraw = PresentPlan::kPicture;
  }
  plan.shows = true;
  plan.putUp = putUpEach || watched || !memory->showsLast || plan.redraw != PresentPlan::kNothing;
  if (plan.putUp) memory->showsLast = true;
  return plan;
}

void GentleDrew(ScreenMemory* memory, std::uint32_t now) {
  memory->gentleDrawn = true;
  memory->gentleDrawnAt = now;
}

void ScreenLost(ScreenMemory* memory) {
  memory->showsLast = false;
  memory->gentleDrawn = false;
}

void ForgetScreen(ScreenMemory* memory) {
  *memory = ScreenMemory();
  ResetGentle();
}

bool MadeEvent(HostEvent* event, HostEvent::Kind kind, HostWindow window) {
  *event = HostEvent();
  event->kind = kind;
  event->window = window;
  return true;
}

}  // namespace host
}  // namespace platform
