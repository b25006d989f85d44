#include "platform/controls/journal.h"

#include <mutex>

#include "platform/trace/call_trace.h"

namespace platform {
namespace {

// Any thread that makes platform calls may trace, so the journal has its own lock.
std::mutex journalLock;
std::vector<std::string> journal;

void Keep(const char* line) {
  std::lock_guard<std::mutex> hold(journalLock);
  journal.emplace_back(line);
}

}  // namespace

void JournalEnable(bool on) { ListenToCalls(on ? Keep : nullptr); }

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

std::string JournalAddress(const void* address) { return TraceAddress(address).text; }

}  // namespace platform
