// Our song, as the tests of the music and of the asset tool meet it.
#pragma once
#include <cstdint>
#include <vector>

// The bytes the asset tool writes as "Terminal.s3m", composed in the test's own process.
const std::vector<std::uint8_t>& OurSongBytes();
