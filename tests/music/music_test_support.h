// Shared by the music tests: our song's bytes, test files and the music probe's runs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/our_song.h"
#include "tests/support/scratch_folder.h"

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// The same bytes for the same seed, on every run.
std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed);

// Seconds a music probe may run before it is ended; each one takes well under one.
const unsigned kProbeTimeLimitSeconds = 20;
// Runs the music probe with arguments in folder, with extra "NAME=value" environment entries.
ChildResult RunMusicProbe(const std::string& folder, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment = {});
