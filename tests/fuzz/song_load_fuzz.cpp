// Fuzzes song loading through the sound library stand-in: arbitrary bytes as the module file,
// loaded with FMUSIC_LoadSong and, when they load, decoded for a moment.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fmod/tracker_module.h"
#include "platform/fmod_api.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string path = "/tmp/quenthor-fuzz-song-" + std::to_string(getpid());
  static bool initialised = [] {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FSOUND_Init(44100, 64, 0);
    return true;
  }();
  (void)initialised;

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);

  FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
  int error = FSOUND_GetError();
  if (song) {
    if (error != FMOD_ERR_NONE) std::abort();  // a handle comes with no error
    FMUSIC_FreeSong(song);
  } else if (error != FMOD_ERR_FILE_NOTFOUND && error != FMOD_ERR_FILE_FORMAT &&
             error != FMOD_ERR_FILE_BAD && error != FMOD_ERR_MEMORY) {
    std::abort();  // a failed load says why with a file error
  }

  // The decoder itself, a few hundred milliseconds of it, without the audio thread's pacing.
  platform::fmod::TrackerModule* module = nullptr;
  if (platform::fmod::TrackerModule::Load(path.c_str(), &module) == 0 && module) {
    static std::vector<std::int16_t> stereo(2 * 4096);
    for (int block = 0; block < 4; block++) module->Render(44100, stereo.data(), 4096);
    delete module;
  }
  return 0;
}
