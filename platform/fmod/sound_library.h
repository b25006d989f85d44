// The sound library stand-in's state, as its test controls see it.
#pragma once

namespace platform {

void SoundLibrarySetLastError(int code);
int SoundLibraryLoadedSongs();
int SoundLibraryPlayingSongs();
// Stops and frees every song, closes output and clears the last error.
void SoundLibraryShutDown();

}  // namespace platform
