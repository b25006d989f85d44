#include "tests/support/our_song.h"

#include <stdexcept>
#include <string>

#include "tools/song.h"

const std::vector<std::uint8_t>& OurSongBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    S3mModule song;
    std::string error;
    std::vector<std::uint8_t> encoded;
    if (!ComposeSong(&song, &error) || !EncodeS3m(song, &encoded, &error))
      throw std::runtime_error("our song can't be made: " + error);
    return encoded;
  }();
  return bytes;
}
