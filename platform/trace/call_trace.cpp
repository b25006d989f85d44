#include "platform/trace/call_trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace platform {
namespace {

std::atomic<CallListener> listener{nullptr};

}  // namespace

void ListenToCalls(CallListener replacement) { listener.store(replacement); }

void TraceCall(const char* format, ...) {
  const CallListener hearing = listener.load(std::memory_order_acquire);
  if (!hearing) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  hearing(line);
}

TracedAddress TraceAddress(const void* address) {
  TracedAddress traced;
  if (!address)
    std::snprintf(traced.text, sizeof traced.text, "null");
  else
    std::snprintf(traced.text, sizeof traced.text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return traced;
}

}  // namespace platform
