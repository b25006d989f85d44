#include "platform/trace/call_trace.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

std::atomic<CallListener> callListener{nullptr};
std::atomic<std::uint64_t> traceFormatsMade{0};

namespace {

void Count() { traceFormatsMade.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

void SendTraceLine(const char* format, ...) {
  const CallListener hearing = callListener.load(std::memory_order_acquire);
  if (!hearing) return;
  Count();
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  hearing(line);
}

void TraceFormat(char* text, unsigned long size, const char* format, ...) {
  Count();
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, size, format, args);
  va_end(args);
}

TracedAddress TraceAddress(const void* address) {
  Count();
  TracedAddress traced;
  if (!address)
    std::snprintf(traced.text, sizeof traced.text, "null");
  else
    std::snprintf(traced.text, sizeof traced.text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return traced;
}

}  // namespace platform
