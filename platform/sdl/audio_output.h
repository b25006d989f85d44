// Sound output through SDL2 audio (the interface is platform/fmod/audio_output.h): one device,
// 16-bit stereo, fed on SDL's audio thread. The output lock does nothing while no device is
// open, when no callback can run.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/fmod/audio_output.h"

namespace platform {

// Frames per audio callback: about 23 ms at 44,100 Hz, short enough not to be heard as a lag
// and long enough that a busy two-core machine still refills it in time.
const int kAudioBufferFrames = 1024;

// Where the output can be steered or listened to from outside. The defaults are a real run's.
struct AudioOutputHooks {
  // Hears every block of frames handed to the device (interleaved 16-bit stereo, left first,
  // at the mix rate), on the audio thread. Null: nobody listens.
  std::atomic<void (*)(const std::int16_t* stereo, int frames)> played{nullptr};
  // Off: AudioOutputOpen finds no device, as on a machine without one.
  bool devicePresent = true;
};
extern AudioOutputHooks audioOutputHooks;

}  // namespace platform
