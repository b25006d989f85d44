// The tracker-music library's calls over our backends: libopenmpt decodes each song
// (tracker_module.cpp), and the host's sound output plays the mix (platform/host/sdl/audio_output.cpp
// on Linux, platform/winmm/audio_output.cpp in fmod.dll).
//
// Threads: the calls run on the caller's thread; the mix runs on the audio thread and reads
// only the playing list and the modules in it, which the caller changes only while holding
// AudioOutputLock. The last error is the caller's alone.
#include "platform/fmod/sound_library.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/audio_output.h"
#include "platform/fmod/fmod_declarations.h"
#include "platform/fmod/tracker_module.h"
#include "platform/trace/call_trace.h"

struct FMUSIC_MODULE {
  platform::fmod::TrackerModule* module;
  int serial;      // load number, for the call trace
  bool hasPlayed;  // a later PlaySong rewinds it first
};

namespace platform {
namespace fmod {

SoundLibrary& Library() {
  static SoundLibrary* library = new SoundLibrary;
  return *library;
}

namespace {

const int kMixRateLowest = 4000;
const int kMixRateHighest = 192000;

bool IsLoaded(const SoundLibrary& library, const FMUSIC_MODULE* song) {
  return song && std::find(library.songs.begin(), library.songs.end(), song) != library.songs.end();
}

// Whether the song is one the library loaded and hasn't freed; else the call that asks fails
// with "invalid param".
bool KnownSong(SoundLibrary& library, const FMUSIC_MODULE* song) {
  if (IsLoaded(library, song)) return true;
  library.lastError = FMOD_ERR_INVALID_PARAM;
  return false;
}

int SerialOf(const SoundLibrary& library, const FMUSIC_MODULE* song) {
  return IsLoaded(library, song) ? song->serial : 0;
}

std::int16_t Saturate(int value) {
  return static_cast<std::int16_t>(std::min(32767, std::max(-32768, value)));
}

// The audio thread's routine, with the output lock held. One song is rendered straight into
// the device's buffer, so what plays is exactly what libopenmpt renders; further songs are
// added on top.
void MixPlayingSongs(void* context, std::int16_t* stereo, int frames) {
  SoundLibrary& library = *static_cast<SoundLibrary*>(context);
  if (library.playing.empty()) {
    std::memset(stereo, 0, static_cast<std::size_t>(frames) * 2 * sizeof(std::int16_t));
    return;
  }
  library.playing[0]->module->Render(library.mixRate, stereo, frames);
  const int kChunkFrames = 256;
  std::int16_t chunk[2 * kChunkFrames];
  for (std::size_t index = 1; index < library.playing.size(); ++index) {
    for (int start = 0; start < frames; start += kChunkFrames) {
      const int count = std::min(kChunkFrames, frames - start);
      library.playing[index]->module->Render(library.mixRate, chunk, count);
      std::int16_t* into = stereo + 2 * start;
      for (int sample = 0; sample < 2 * count; ++sample) into[sample] = Saturate(into[sample] + chunk[sample]);
    }
  }
}

void StopPlaying(SoundLibrary& library, FMUSIC_MODULE* song) {
  AudioOutputLock hold;
  library.playing.erase(std::remove(library.playing.begin(), library.playing.end(), song),
                        library.playing.end());
}

}  // namespace

void ReleaseSong(SoundLibrary& library, FMUSIC_MODULE* song) {
  StopPlaying(library, song);
  library.songs.erase(std::remove(library.songs.begin(), library.songs.end(), song),
                      library.songs.end());
  delete song->module;
  delete song;
}

}  // namespace fmod
}  // namespace platform

using namespace platform::fmod;

QUENTHOR_FMOD_API(signed char) FSOUND_Init(int mixrate, int maxsoftwarechannels,
                                           unsigned int flags) {
  TraceCall("FSOUND_Init %d %d %u", mixrate, maxsoftwarechannels, flags);
  SoundLibrary& library = Library();
  if (library.initialised) {
    library.lastError = FMOD_ERR_BUSY;
    return 0;
  }
  if (mixrate < kMixRateLowest || mixrate > kMixRateHighest || maxsoftwarechannels < 0) {
    library.lastError = FMOD_ERR_INVALID_PARAM;
    return 0;
  }
  // The mix rate must be in place before the first callback can read it.
  library.mixRate = mixrate;
  if (!platform::AudioOutputOpen(mixrate, MixPlayingSongs, &library)) {
    library.lastError = FMOD_ERR_INIT;
    return 0;
  }
  library.initialised = true;
  library.lastError = FMOD_ERR_NONE;
  return 1;
}

QUENTHOR_FMOD_API(void) FSOUND_Close() {
  TraceCall("FSOUND_Close");
  SoundLibrary& library = Library();
  // Once the device is closed no callback runs, so the playing list needs no lock.
  platform::AudioOutputClose();
  library.playing.clear();
  library.initialised = false;
  library.lastError = FMOD_ERR_NONE;
}

QUENTHOR_FMOD_API(int) FSOUND_GetError() {
  TraceCall("FSOUND_GetError");
  return Library().lastError;
}

QUENTHOR_FMOD_API(FMUSIC_MODULE*) FMUSIC_LoadSong(const char* name) {
  TraceCall("FMUSIC_LoadSong %s", name ? name : "(null)");
  SoundLibrary& library = Library();
  if (!library.initialised) {
    library.lastError = FMOD_ERR_UNINITIALIZED;
    return nullptr;
  }
  if (!name) {
    library.lastError = FMOD_ERR_INVALID_PARAM;
    return nullptr;
  }
  TrackerModule* module = nullptr;
  const int result = TrackerModule::Load(name, &module);
  if (result != FMOD_ERR_NONE) {
    library.lastError = result;
    return nullptr;
  }
  FMUSIC_MODULE* song = new (std::nothrow) FMUSIC_MODULE{module, library.loads + 1, false};
  if (!song) {
    delete module;
    library.lastError = FMOD_ERR_MEMORY;
    return nullptr;
  }
  library.songs.push_back(song);
  ++library.loads;
  library.lastError = FMOD_ERR_NONE;
  return song;
}

QUENTHOR_FMOD_API(signed char) FMUSIC_PlaySong(FMUSIC_MODULE* song) {
  SoundLibrary& library = Library();
  TraceCall("FMUSIC_PlaySong %d", SerialOf(library, song));
  if (!KnownSong(library, song)) return 0;
  if (!library.initialised) {
    library.lastError = FMOD_ERR_UNINITIALIZED;
    return 0;
  }
  {
    platform::AudioOutputLock hold;
    if (song->hasPlayed) song->module->Rewind();
    song->hasPlayed = true;
    if (std::find(library.playing.begin(), library.playing.end(), song) == library.playing.end())
      library.playing.push_back(song);
  }
  platform::AudioOutputPlay();
  library.lastError = FMOD_ERR_NONE;
  return 1;
}

QUENTHOR_FMOD_API(signed char) FMUSIC_FreeSong(FMUSIC_MODULE* song) {
  SoundLibrary& library = Library();
  TraceCall("FMUSIC_FreeSong %d", SerialOf(library, song));
  if (!KnownSong(library, song)) return 0;
  ReleaseSong(library, song);
  library.lastError = FMOD_ERR_NONE;
  return 1;
}
