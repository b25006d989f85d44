#include "platform/ddraw/reports.h"

#include "platform/ddraw/direct_draw_hooks.h"
#include "platform/ddraw/layouts.h"
#include "platform/trace/call_trace.h"

namespace platform {
namespace ddraw {

HRESULT Outcome(const char* interfaceName, HRESULT result, const char* call) {
  if (result < 0)
    TraceCall("%s::%s -> 0x%08x", interfaceName, call, static_cast<unsigned>(result));
  else
    TraceCall("%s::%s", interfaceName, call);
  return result;
}

HRESULT Unsupported(const char* interfaceName, const char* method) {
  return Outcome(interfaceName, DDERR_UNSUPPORTED, method);
}

void ReportPixelFormat(ScreenLayout layout, DDPIXELFORMAT* format) {
  FillPixelFormat(layout, format);
  if (directDrawHooks.rgbFlagMissing) format->dwFlags &= ~static_cast<DWORD>(DDPF_RGB);
}

}  // namespace ddraw
}  // namespace platform
