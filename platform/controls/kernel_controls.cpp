#include "platform/controls/kernel_controls.h"

#include "platform/host/clock.h"
#include "platform/win32/kernel_hooks.h"

namespace platform {
namespace {

struct KernelControls {
  bool manualClock = false;
  std::uint32_t manualNow = 0;
  std::uint32_t stepPerReading = 0;
  std::uint32_t readingsSinceSleep = 0;
  std::function<void(std::uint32_t)> sleepHook;
  CapturedMessageBox lastBox;
};
KernelControls controls;

std::uint32_t ManualTicks() { return controls.manualNow; }

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
    win32::kRealKernel.sleep(milliseconds);
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
  host::clockHooks = controls.manualClock ? host::ClockHooks{ManualTicks, true} : host::kRealClock;
  win32::kernelHooks.ticksRead = controls.manualClock ? AfterManualReading : win32::kRealKernel.ticksRead;
  win32::kernelHooks.sleep =
      controls.manualClock || controls.sleepHook ? ControlledSleep : win32::kRealKernel.sleep;
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
std::uint32_t ClockNow() { return host::clockHooks.ticks(); }

void SetSleepHook(std::function<void(std::uint32_t)> hook) {
  controls.sleepHook = std::move(hook);
  SteerTime();
}

void TrapExitProcess(bool on) {
  win32::kernelHooks.exitProcess = on ? TrappedExit : win32::kRealKernel.exitProcess;
}

void CaptureMessageBoxes(bool on) {
  win32::kernelHooks.messageBox = on ? CapturedBox : win32::kRealKernel.messageBox;
  controls.lastBox = CapturedMessageBox();
}
CapturedMessageBox LastMessageBox() { return controls.lastBox; }

void ResetKernelControls() {
  controls = KernelControls();
  win32::kernelHooks = win32::kRealKernel;
  host::clockHooks = host::kRealClock;
}

}  // namespace platform
