#include "platform/win32/trace_records.h"

#include <cstdint>

#include "platform/trace/call_trace.h"

namespace platform {

TracedRecord TraceName(LPCSTR name) {
  TracedRecord traced;
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name);
  if (!name)
    TraceFormat(traced.text, sizeof traced.text, "null");
  else if (value < 0x10000)
    TraceFormat(traced.text, sizeof traced.text, "#%u", static_cast<unsigned>(value));
  else
    TraceFormat(traced.text, sizeof traced.text, "\"%.80s\"", name);
  return traced;
}

TracedRecord TraceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TracedRecord traced;
  TraceFormat(traced.text, sizeof traced.text,
              "{hwnd %s, message 0x%x, wParam 0x%llx, lParam 0x%llx}", TraceAddress(window).text,
              message, static_cast<unsigned long long>(wParam),
              static_cast<unsigned long long>(static_cast<std::uintptr_t>(lParam)));
  return traced;
}

}  // namespace platform
