// The journal: every stand-in call, in the order the program made it, for tests to read back.
// Off unless a test turns it on, so a long run keeps no history.
#pragma once
#include <string>
#include <vector>

namespace platform {

// Stand-ins record through this; the format is printf's. A call costs one flag test when off.
void JournalRecord(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Test controls.
void JournalEnable(bool on);
void JournalClear();
std::vector<std::string> JournalEntries();
// Entries that start with the given prefix, in order (for example "Sleep" or "IDirectDraw").
std::vector<std::string> JournalEntriesStartingWith(const std::string& prefix);

}  // namespace platform
