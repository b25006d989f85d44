#include "platform/trace/call_trace.h"

#include <cstdarg>
#include <cstdio>

namespace platform {
namespace trace {

std::atomic<Listener> listener{nullptr};
std::atomic<std::uint64_t> formatsMade{0};

namespace {

void Count() { formatsMade.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

void SendLine(const char* format, ...) {
  const Listener hearing = listener.load(std::memory_order_acquire);
  if (!hearing) return;
  Count();
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  hearing(line);
}

void Format(char* text, unsigned long size, const char* format, ...) {
  Count();
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, size, format, args);
  va_end(args);
}

TracedAddress Address(const void* address) {
  Count();
  TracedAddress traced;
  if (!address)
    std::snprintf(traced.text, sizeof traced.text, "null");
  else
    std::snprintf(traced.text, sizeof traced.text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return traced;
}

}  // namespace trace
}  // namespace platform
