// Sound output through SDL2 audio (the interface is platform/fmod/audio_output.h): one device,
// 16-bit stereo, fed on SDL's audio thread. The output lock does nothing while no device is
// open, when no callback can run. Also the output's test controls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/fmod/audio_output.h"

namespace platform {

// Frames per audio callback: about 23 ms at 44,100 Hz, short enough not to be heard as a lag
// and long enough that a busy two-core machine still refills it in time.
const int kAudioBufferFrames = 1024;

// Test controls, reached through platform/testing/sound_controls.h.
void AudioCaptureEnable(bool on);
void AudioCaptureClear();
std::vector<std::int16_t> AudioCapturedSamples();
std::size_t AudioCapturedFrames();
void AudioForceNoDevice(bool on);
int AudioOutputRate();

}  // namespace platform
