// The sound library stand-in's state: what is loaded and playing, and the last error. The
// library's calls (sound_library.cpp) keep it; the controls read it and clear it.
#pragma once
#include <vector>

#include "platform/fmod/fmod_declarations.h"

namespace platform {
namespace fmod {

struct SoundLibrary {
  bool initialised = false;
  int mixRate = 0;
  int lastError = FMOD_ERR_NONE;
  int loads = 0;
  std::vector<FMUSIC_MODULE*> songs;    // every loaded song, until freed
  std::vector<FMUSIC_MODULE*> playing;  // read by the audio thread, under AudioOutputLock
};

// Never destroyed: when the process ends with output still open (a failed start-up ends that
// way), the audio thread keeps mixing during exit and must not find the lists gone.
SoundLibrary& Library();

// Stops a loaded song and frees it.
void ReleaseSong(SoundLibrary& library, FMUSIC_MODULE* song);

}  // namespace fmod
}  // namespace platform
