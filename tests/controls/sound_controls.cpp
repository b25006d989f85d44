#include "tests/controls/sound_controls.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/audio_output.h"
#include "platform/fmod/sound_library.h"
#include "platform/host/audio_output.h"

namespace platform {
namespace {

// The capture is filled on the audio thread and read on the test's, also after the device is
// closed. Never destroyed: a process that ends with the device still open (a failed start-up
// ends that way) has the audio thread running during exit.
struct CaptureState {
  std::mutex lock;
  bool on = false;  // checked under the lock, so nothing is kept once the capture is off
  std::vector<std::int16_t> samples;
};
CaptureState& Capture() {
  static CaptureState* state = new CaptureState;
  return *state;
}

void KeepPlayed(const std::int16_t* stereo, int frames) {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  if (capture.on) capture.samples.insert(capture.samples.end(), stereo, stereo + 2 * frames);
}

}  // namespace

void SoundCaptureEnable(bool on) {
  CaptureState& capture = Capture();
  {
    std::lock_guard<std::mutex> hold(capture.lock);
    capture.on = on;
  }
  host::audioOutputHooks.played.store(on ? KeepPlayed : nullptr);
}

void SoundCaptureClear() {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  std::vector<std::int16_t>().swap(capture.samples);
}

std::vector<std::int16_t> SoundCapturedSamples() {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  return capture.samples;
}

std::size_t SoundCapturedFrames() {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  return capture.samples.size() / 2;
}

bool SoundWaitForCapturedFrames(std::size_t frames, unsigned timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (SoundCapturedFrames() < frames) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void SoundForceNoDevice(bool on) { host::audioOutputHooks.devicePresent = !on; }
void SoundSetLastError(int code) { fmod::Library().lastError = code; }
bool SoundOutputIsOpen() { return host::audioOutput.device != 0; }
int SoundLoadedSongCount() { return static_cast<int>(fmod::Library().songs.size()); }

int SoundPlayingSongCount() {
  AudioOutputLock hold;
  return static_cast<int>(fmod::Library().playing.size());
}

void ResetSoundControls() {
  // Every song stopped and freed, the output closed, the last error cleared.
  fmod::SoundLibrary& library = fmod::Library();
  AudioOutputClose();
  library.initialised = false;
  library.playing.clear();
  while (!library.songs.empty()) fmod::ReleaseSong(library, library.songs.back());
  library.lastError = FMOD_ERR_NONE;
  library.loads = 0;
  host::audioOutputHooks.devicePresent = true;
  SoundCaptureEnable(false);
  SoundCaptureClear();
}

}  // namespace platform
