#include "platform/testing/sound_controls.h"

#include <chrono>
#include <thread>

#include "platform/fmod/sound_library.h"
#include "platform/sdl/audio_output.h"

namespace platform {

void SoundCaptureEnable(bool on) { AudioCaptureEnable(on); }
void SoundCaptureClear() { AudioCaptureClear(); }
std::vector<std::int16_t> SoundCapturedSamples() { return AudioCapturedSamples(); }
std::size_t SoundCapturedFrames() { return AudioCapturedFrames(); }

bool SoundWaitForCapturedFrames(std::size_t frames, unsigned timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (AudioCapturedFrames() < frames) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void SoundForceNoDevice(bool on) { AudioForceNoDevice(on); }
void SoundSetLastError(int code) { SoundLibrarySetLastError(code); }
bool SoundOutputIsOpen() { return AudioOutputIsOpen(); }
int SoundLoadedSongCount() { return SoundLibraryLoadedSongs(); }
int SoundPlayingSongCount() { return SoundLibraryPlayingSongs(); }

void ResetSoundControls() {
  SoundLibraryShutDown();
  AudioForceNoDevice(false);
  AudioCaptureEnable(false);
  AudioCaptureClear();
}

}  // namespace platform
