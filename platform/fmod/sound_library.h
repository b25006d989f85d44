// The sound library stand-in seen from outside: what is loaded and playing, the last error, and
// a shutdown of everything.
#pragma once

namespace platform {

void SoundLibrarySetLastError(int code);
int SoundLibraryLoadedSongs();
int SoundLibraryPlayingSongs();
// Stops and frees every song, closes output and clears the last error.
void SoundLibraryShutDown();

}  // namespace platform
