#include "tests/music/music_test_support.h"

#include <libopenmpt/libopenmpt.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>


void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (!WriteWholeFile(path, bytes.data(), bytes.size()))
    throw std::runtime_error("can't write " + path);
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(count);
  std::uint32_t state = seed;
  for (std::uint8_t& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

ChildResult RunMusicProbe(const std::string& folder, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment) {
  // Everything the child needs is built before the fork: in the child only exec-safe calls.
  std::vector<std::string> variables(environment.begin(), environment.end());
  for (char** entry = environ; *entry; ++entry) variables.push_back(*entry);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(MUSIC_PROBE_PATH));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // A probe that blocks is ended by the time limit, and counts as a crash.
  return RunInChild(
      [&] {
        if (chdir(folder.c_str()) != 0) return 126;
        execve(MUSIC_PROBE_PATH, argv.data(), envp.data());
        return 127;
      },
      kProbeTimeLimitSeconds);
}

