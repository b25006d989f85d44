// The song as libopenmpt renders it, and where a recording of the show holds it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

const int kSongRate = 44100;

// The first seconds of the module file at path, rendered by libopenmpt at 44,100 Hz in
// interleaved 16-bit stereo with dither off, as our sound library plays it. Empty, with a
// reason in *error, if libopenmpt can't load it.
std::vector<std::int16_t> RenderSong(const std::string& path, double seconds, std::string* error);

struct SongMatch {
  long offset = -1;          // the frame of the recording where the render's first frame lies
  double correlation = 0;    // of the two over the compared stretch, both channels
};

// Finds render in recording (both interleaved stereo): first roughly, by the loudness of 10 ms
// blocks, then to the frame; then compares compareSeconds of the two from there.
SongMatch FindSong(const std::vector<std::int16_t>& recording,
                   const std::vector<std::int16_t>& render, double compareSeconds);

// How the recording departs from the render within the first seconds after match: how long
// it follows the song, then by how much it slips (what an output that runs dry leaves) or
// that it stops following. For failure messages.
std::string DescribeDeparture(const std::vector<std::int16_t>& recording,
                              const std::vector<std::int16_t>& render, const SongMatch& match,
                              double seconds);
