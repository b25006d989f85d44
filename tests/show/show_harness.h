// Runs the whole show in the test's own process on the stand-ins: a folder with our assets as
// the current directory, the manual clock stepped pass by pass, the screen read after each flip.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/controls/display_controls.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/screen_classifier.h"

struct Pass {
  std::uint32_t elapsed;  // show time of the pass's first clock reading, ms
  Seen seen;              // the screen after its flip
};

class ShowHarness {
 public:
  ShowHarness();
  ~ShowHarness();
  bool Ready() const { return ready_; }

  // Runs the show with the tick counter at start when it begins. Pass i runs at show time
  // elapsedPerPass[i] (the first must be 0); after the last, Escape is pressed. Returns the exit
  // status, -1 if the show returned instead of ending the process (Returned() says with what),
  // kClockStuck if it spun
  // without yielding under the standing clock, kNoFlips if it yielded on and on unflipped, or
  // kEscapeIgnored if it went on long after Escape.
  int Run(std::uint32_t start, const std::vector<std::uint32_t>& elapsedPerPass);
  // Runs the show with the tick counter at start, calling everySleep at the end of each Sleep it
  // makes, with the argument; the test moves the clock, reads the screen and presses keys from
  // there. Same results as Run.
  int RunWithSleepHook(std::uint32_t start, std::function<void(std::uint32_t)> everySleep);
  static const int kClockStuck = -2;
  // What RunShow returned in the last run, or -1 when it ended the process or was stopped.
  int Returned() const { return returned_; }
  // Run's result when the show went on yielding without one successful flip.
  static const int kNoFlips = -3;
  // The result when the show went on yielding long after PressEscape.
  static const int kEscapeIgnored = -4;
  // Presses Escape on the show's desktop; the show must end within a few passes.
  void PressEscape();
  // The clock moves on by step after every reading (see platform::ClockStepPerReading), so the
  // readings within a pass differ; pass i's first reading is still at elapsedPerPass[i].
  void SetClockStep(std::uint32_t step) { clockStep_ = step; }
  const std::vector<Pass>& passes() const { return passes_; }
  // What the screen showed at each recorded pass, in order.
  std::vector<Seen> Screens() const {
    std::vector<Seen> screens;
    for (const Pass& pass : passes_) screens.push_back(pass.seen);
    return screens;
  }
  // Screen tolerance per channel when classifying, for layouts that drop low bits.
  void SetTolerance(int tolerance) { tolerance_ = tolerance; }
  // Off: passes are neither classified nor kept, only counted and handed to the pass hook, so a
  // long run holds no record that grows with it.
  void SetRecording(bool on) { recording_ = on; }
  // Called after every recorded pass, with its index.
  void SetPassHook(std::function<void(size_t)> hook) { passHook_ = std::move(hook); }
  const std::string& folder() const { return folder_; }

 private:
  static const int kYieldsWithoutFlipLimit = 10000;
  static const int kYieldsAfterEscapeLimit = 1000;
  struct EscapeIgnored {};
  int escapedYields_ = -1;  // yields since PressEscape, or -1 before it
  int returned_ = -1;
  bool ready_ = false;
  ScratchFolder scratch_{"show"};
  std::string folder_ = scratch_.path(), previous_;
  int tolerance_ = 0;
  std::uint32_t clockStep_ = 0;
  bool recording_ = true;
  std::vector<Pass> passes_;
  std::function<void(size_t)> passHook_;
};

// Show times from 0 up to untilMs in steps of stepMs.
std::vector<std::uint32_t> EvenPasses(std::uint32_t stepMs, std::uint32_t untilMs);

// Checks a whole run as a viewer would see it: black first, then white and a picture in turn,
// every phase longer than 50 ms, image 1 before 4 s, image 2 until 8 s, image 3 after.
void ExpectStrobeAndSchedule(const std::vector<Pass>& passes);
