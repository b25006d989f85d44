#include "tests/support/our_song.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
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

std::vector<std::int16_t> RenderWithLibopenmpt(const std::vector<std::uint8_t>& module, int rate,
                                               std::size_t frames, std::size_t chunkFrames) {
  openmpt_module* decoder = openmpt_module_create_from_memory2(
      module.data(), module.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, nullptr, nullptr, nullptr);
  if (!decoder) throw std::runtime_error("libopenmpt can't load the module");
  openmpt_module_set_repeat_count(decoder, -1);
  openmpt_module_ctl_set_integer(decoder, "dither", 0);
  std::vector<std::int16_t> samples(2 * frames);
  std::size_t done = 0;
  while (done < frames) {
    const std::size_t want = std::min(chunkFrames, frames - done);
    const std::size_t got = openmpt_module_read_interleaved_stereo(decoder, rate, want, samples.data() + 2 * done);
    if (got == 0) break;
    done += got;
  }
  openmpt_module_destroy(decoder);
  samples.resize(2 * done);
  return samples;
}
