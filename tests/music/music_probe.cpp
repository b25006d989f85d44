// music_probe start: starts the music in the current folder as the show does; a song that
//   fails to load is reported (status 1), a loaded one plays briefly and stops (status 0).
// music_probe report CODE: reports CODE as the sound library's last error.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL.h>

#include "music/music.h"
#include "platform/fmod_api.h"
#include "tests/controls/sound_controls.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "start") == 0) {
    FMUSIC_MODULE* song = StartMusic();
    if (!song) ReportSoundError();
    FMUSIC_PlaySong(song);
    SDL_Delay(100);
    StopMusic(song);
    std::printf("played\n");
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "report") == 0) {
    platform::SoundSetLastError(std::atoi(argv[2]));
    ReportSoundError();
  }
  std::fprintf(stderr, "usage: %s start | report CODE\n", argv[0]);
  return 2;
}
