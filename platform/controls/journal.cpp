#include "platform/testing/journal.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

// The audio thread may record too, so the journal has its own lock.
std::mutex journalLock;
bool journalOn = false;
std::vector<std::string> journal;

}  // namespace

void JournalRecord(const char* format, ...) {
  std::lock_guard<std::mutex> hold(journalLock);
  if (!journalOn) return;
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  journal.emplace_back(line);
}

void JournalEnable(bool on) {
  std::lock_guard<std::mutex> hold(journalLock);
  journalOn = on;
}

void JournalClear() {
  std::lock_guard<std::mutex> hold(journalLock);
  journal.clear();
}

std::vector<std::string> JournalEntries() {
  std::lock_guard<std::mutex> hold(journalLock);
  return journal;
}

std::vector<std::string> JournalEntriesStartingWith(const std::string& prefix) {
  std::lock_guard<std::mutex> hold(journalLock);
  std::vector<std::string> matching;
  for (const std::string& entry : journal)
    if (entry.compare(0, prefix.size(), prefix) == 0) matching.push_back(entry);
  return matching;
}

}  // namespace platform
