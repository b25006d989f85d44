#include "tests/controls/trace.h"

#include <mutex>

#include "platform/trace/call_trace.h"
#include "platform/win32/window_system.h"

namespace platform {
namespace {

// Any thread that makes platform calls may trace, so the kept lines have their own lock.
std::mutex linesLock;
std::vector<std::string> lines;

void Keep(const char* line) {
  std::lock_guard<std::mutex> hold(linesLock);
  lines.emplace_back(line);
}

}  // namespace

void TraceKeep(bool on) { trace::listener.store(on ? Keep : nullptr); }

void TraceClear() {
  std::lock_guard<std::mutex> hold(linesLock);
  lines.clear();
}

std::vector<std::string> TraceLines() {
  std::lock_guard<std::mutex> hold(linesLock);
  return lines;
}

std::vector<std::string> TraceLinesStartingWith(const std::string& prefix) {
  std::lock_guard<std::mutex> hold(linesLock);
  std::vector<std::string> matching;
  for (const std::string& line : lines)
    if (line.compare(0, prefix.size(), prefix) == 0) matching.push_back(line);
  return matching;
}

std::string AddressAsTraced(const void* address) { return trace::Address(address).text; }

std::string MessageAsTraced(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return win32::TraceMessage(window, message, wParam, lParam).text;
}

std::uint64_t TraceFormatCount() { return trace::formatsMade.load(std::memory_order_relaxed); }

}  // namespace platform
