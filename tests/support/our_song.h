// Our song, as the tests of the music, the capture and the asset tool meet it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes the asset tool writes as "Terminal.s3m", composed in the test's own process.
const std::vector<std::uint8_t>& OurSongBytes();

// Interleaved 16-bit stereo of the module file at path, rendered by libopenmpt at rate for
// frames frames, repeating for ever and without dither, as the stand-in plays it.
std::vector<std::int16_t> RenderWithLibopenmpt(const std::vector<std::uint8_t>& module, int rate,
                                               std::size_t frames, std::size_t chunkFrames);
