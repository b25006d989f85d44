#include "tests/controls/kernel_controls.h"

#include "platform/host/hooks.h"
#include "platform/host/screen.h"
#include "platform/win32/hooks.h"

namespace platform {
namespace {

struct KernelControls {
  bool manualClock = false;
  std::uint32_t manualNow = 0;
  std::uint32_t stepPerReading = 0;
  std::uint32_t readingsSinceSleep = 0;
  std::function<void(std::uint32_t)> sleepHook;
  CapturedMessageBox lastBox;
  // Blanks waited for under the manual clock: each came at once.
  std::uint64_t blanksWaited = 0;
};
KernelControls controls;

std::uint32_t ManualTicks() { return controls.manualNow; }

// The screen's refresh under the manual clock: 60 blanks in every 1000 ms of it (its wrap reads
// as one more blank), plus every blank something waited for, which comes at once, the clock
// standing still.
std::uint64_t ManualBlank() {
  return static_cast<std::uint64_t>(controls.manualNow) * 60 / 1000 + controls.blanksWaited;
}

void WaitForManualBlankAfter(std::uint64_t blank) {
  if (ManualBlank() == blank) controls.blanksWaited++;
}

void AfterManualReading() {
  controls.manualNow += controls.stepPerReading;
  if (++controls.readingsSinceSleep >= kClockReadingsWithoutSleep) {
    controls.readingsSinceSleep = 0;
    throw ClockStuck{controls.manualNow};
  }
}

// Under the manual clock a sleep moves time on and returns at once.
void ControlledSleep(std::uint32_t milliseconds) {
  controls.readingsSinceSleep = 0;
  if (controls.manualClock)
    controls.manualNow += milliseconds;
  else
    win32::kRealHooks.sleep(milliseconds);
  if (controls.sleepHook) controls.sleepHook(milliseconds);
}

void TrappedExit(unsigned status) { throw ProcessExitTrapped{status}; }

int CapturedBox(const char* text, const char* caption, unsigned type) {
  controls.lastBox.count++;
  controls.lastBox.text = text;
  controls.lastBox.caption = caption;
  controls.lastBox.type = type;
  return 1;  // IDOK
}

// The tick source and Sleep follow the controls only while a control needs them to.
void SteerTime() {
  // One switch for time: the tick counter, and the screen's refresh that follows it.
  const bool manual = controls.manualClock;
  host::hooks.ticks = manual ? ManualTicks : host::kRealHooks.ticks;
  host::hooks.currentBlank = manual ? ManualBlank : host::kRealHooks.currentBlank;
  host::hooks.waitForBlankAfter =
      manual ? WaitForManualBlankAfter : host::kRealHooks.waitForBlankAfter;
  host::hooks.steered = manual;
  win32::hooks.ticksRead = controls.manualClock ? AfterManualReading : win32::kRealHooks.ticksRead;
  win32::hooks.sleep =
      controls.manualClock || controls.sleepHook ? ControlledSleep : win32::kRealHooks.sleep;
  controls.readingsSinceSleep = 0;
}

}  // namespace

void ClockUseManual(std::uint32_t now) {
  controls.manualClock = true;
  controls.manualNow = now;
  SteerTime();
}
void ClockSet(std::uint32_t now) { controls.manualNow = now; }
void ClockAdvance(std::uint32_t milliseconds) { controls.manualNow += milliseconds; }
void ClockUseReal() {
  controls.manualClock = false;
  SteerTime();
}
void ClockStepPerReading(std::uint32_t step) {
  controls.stepPerReading = step;
  SteerTime();
}
std::uint32_t ClockNow() { return host::hooks.ticks(); }

void SetSleepHook(std::function<void(std::uint32_t)> hook) {
  controls.sleepHook = std::move(hook);
  SteerTime();
}

void TrapExitProcess(bool on) {
  win32::hooks.exitProcess = on ? TrappedExit : win32::kRealHooks.exitProcess;
}

void CaptureMessageBoxes(bool on) {
  win32::hooks.messageBox = on ? CapturedBox : win32::kRealHooks.messageBox;
  controls.lastBox = CapturedMessageBox();
}
CapturedMessageBox LastMessageBox() { return controls.lastBox; }

void ResetKernelControls() {
  controls = KernelControls();
  SteerTime();
  TrapExitProcess(false);
  CaptureMessageBoxes(false);
}

}  // namespace platform
