#include "tests/show/show_harness.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "display/display.h"
#include "show/show.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/trace.h"
#include "tests/support/controls_reset.h"
#include "tools/assets.h"

ShowHarness::ShowHarness() {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (folder_.empty()) return;
  previous_ = std::filesystem::current_path().string();
  if (!WritePictures(folder_) || !WriteSong(folder_)) return;
  if (chdir(folder_.c_str()) != 0) return;
  ResetControlsAndGlobals();
  ready_ = true;
}

ShowHarness::~ShowHarness() {
  ResetControlsAndGlobals();
  if (!previous_.empty() && chdir(previous_.c_str()) != 0) std::perror("chdir");
}

int ShowHarness::RunWithSleepHook(std::uint32_t start,
                                   std::function<void(std::uint32_t)> everySleep) {
  platform::ClockUseManual(start);
  platform::ClockStepPerReading(clockStep_);
  platform::TrapExitProcess(true);
  escapedYields_ = -1;
  // A show that yields on and on after Escape was pressed never ends by itself: it is stopped
  // from its own Sleep, so the test fails at once rather than at ctest's time-out.
  platform::SetSleepHook([this, everySleep](std::uint32_t milliseconds) {
    everySleep(milliseconds);
    if (escapedYields_ >= 0 && ++escapedYields_ > kYieldsAfterEscapeLimit) throw EscapeIgnored{};
  });
  int status = -1;
  returned_ = -1;
  try {
    returned_ = RunShow();
  } catch (const platform::ProcessExitTrapped& exit) {
    status = static_cast<int>(exit.status);
  } catch (const platform::ClockStuck&) {
    status = kClockStuck;
  } catch (const EscapeIgnored&) {
    status = kEscapeIgnored;
  }
  platform::SetSleepHook(nullptr);
  platform::ClockStepPerReading(0);
  return status;
}

int ShowHarness::Run(std::uint32_t start, const std::vector<std::uint32_t>& elapsedPerPass) {
  passes_.clear();
  int flipsSeen = 0;
  size_t passCount = 0;
  bool done = false, flipless = false;
  int yieldsWithoutFlip = 0;
  // The show yields once at the end of every pass that flipped: the pass's screen is read, then
  // the clock moves on to the next pass's time. A show whose flips all fail would wait for ever
  // on a clock that moves only with them: it is ended instead, and the run says so.
  const int status = RunWithSleepHook(start, [&](std::uint32_t) {
    if (done) return;
    if (platform::FlipCount() == flipsSeen) {
      if (++yieldsWithoutFlip < kYieldsWithoutFlipLimit) return;
      done = flipless = true;
      PressEscape();
      return;
    }
    yieldsWithoutFlip = 0;
    flipsSeen = platform::FlipCount();
    if (recording_)
      passes_.push_back({elapsedPerPass[passCount],
                         Classify(platform::ScreenPixels(), 1, tolerance_, Scrutiny::kEveryPixel)});
    if (passHook_) passHook_(passCount);
    passCount++;
    if (passCount < elapsedPerPass.size()) {
      platform::ClockSet(start + elapsedPerPass[passCount]);
    } else {
      done = true;
      PressEscape();
    }
  });
  return flipless ? kNoFlips : status;
}

void ShowHarness::PressEscape() {
  platform::InjectKeyDown(VK_ESCAPE);
  if (escapedYields_ < 0) escapedYields_ = 0;
}

std::vector<std::uint32_t> EvenPasses(std::uint32_t stepMs, std::uint32_t untilMs) {
  std::vector<std::uint32_t> times;
  for (std::uint32_t t = 0; t <= untilMs; t += stepMs) times.push_back(t);
  return times;
}

void ExpectStrobeAndSchedule(const std::vector<Pass>& passes) {
  ASSERT_FALSE(passes.empty());
  // Phases: runs of passes showing the same thing.
  std::vector<Pass> phases;
  for (const Pass& pass : passes)
    if (phases.empty() || phases.back().seen != pass.seen) phases.push_back(pass);
  std::string story;
  for (const Pass& phase : phases)
    story += std::to_string(phase.elapsed) + " " + Name(phase.seen) + "\n";
  SCOPED_TRACE(story);

  ASSERT_EQ(phases[0].seen, Seen::kBlack);
  EXPECT_EQ(phases[0].elapsed, 0u);
  bool seen[3] = {false, false, false};
  for (size_t i = 1; i < phases.size(); i++) {
    const Pass& phase = phases[i];
    ASSERT_NE(phase.seen, Seen::kOther) << "at " << phase.elapsed;
    ASSERT_NE(phase.seen, Seen::kBlack) << "at " << phase.elapsed;
    // White first, then a picture, in turn.
    EXPECT_EQ(phase.seen == Seen::kWhite, i % 2 == 1) << "phase " << i << " at " << phase.elapsed;
    if (phase.seen != Seen::kWhite) {
      Seen wanted = phase.elapsed < 4000   ? Seen::kImage1
                    : phase.elapsed < 8000 ? Seen::kImage2
                                           : Seen::kImage3;
      EXPECT_EQ(Name(phase.seen), std::string(Name(wanted))) << "at " << phase.elapsed;
      seen[static_cast<int>(phase.seen) - static_cast<int>(Seen::kImage1)] = true;
    }
    EXPECT_GT(phase.elapsed - phases[i - 1].elapsed, 50u) << "phase " << i - 1;
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
}
