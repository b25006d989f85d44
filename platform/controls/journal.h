// The journal: the platform's call trace kept in order, for tests to read back. Off unless a
// test turns it on, so a long run keeps no history.
#pragma once
#include <string>
#include <vector>

namespace platform {

void JournalEnable(bool on);
void JournalClear();
std::vector<std::string> JournalEntries();
// Entries that start with the given prefix, in order (for example "Sleep" or "IDirectDraw").
std::vector<std::string> JournalEntriesStartingWith(const std::string& prefix);
// An address or handle as the entries write it: "null", or "0x" and lower-case hex digits.
std::string JournalAddress(const void* address);

}  // namespace platform
