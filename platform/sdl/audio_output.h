// Sound output through SDL2 audio: one device, 16-bit stereo, fed by a render routine on SDL's
// audio thread. The render routine runs with the output lock held, so whatever it reads is safe
// to change from another thread while holding AudioOutputLock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Fills frames of interleaved 16-bit stereo. Runs on the audio thread.
typedef void (*AudioRenderRoutine)(void* context, std::int16_t* stereo, int frames);

// Frames per audio callback: about 23 ms at 44,100 Hz, short enough not to be heard as a lag
// and long enough that a busy two-core machine still refills it in time.
const int kAudioBufferFrames = 1024;

// Opens the default output device at rate Hz and starts calling render. False when no device
// can be opened (or one is already open).
bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context);
// Stops the callbacks (waiting for a running one to finish) and closes the device.
void AudioOutputClose();
bool AudioOutputIsOpen();

// Holds the audio thread off while the caller changes what the render routine reads. Does
// nothing while no device is open, when no callback can run.
class AudioOutputLock {
 public:
  AudioOutputLock();
  ~AudioOutputLock();
  AudioOutputLock(const AudioOutputLock&) = delete;
  AudioOutputLock& operator=(const AudioOutputLock&) = delete;

 private:
  unsigned device_;
};

// Test controls, reached through platform/testing/sound_controls.h.
void AudioCaptureEnable(bool on);
void AudioCaptureClear();
std::vector<std::int16_t> AudioCapturedSamples();
std::size_t AudioCapturedFrames();
void AudioForceNoDevice(bool on);
int AudioOutputRate();

}  // namespace platform
