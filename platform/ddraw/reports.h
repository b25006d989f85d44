// How the DirectDraw interfaces report: every call traced with its result, and the pixel format
// a surface reports.
#pragma once
#include "platform/ddraw/ddraw_declarations.h"
#include "platform/ddraw/device.h"

namespace platform {
namespace ddraw {

// Traces "<interfaceName>::<call>", with " -> 0x<result>" when the result is a failure, and
// returns the result.
HRESULT Outcome(const char* interfaceName, HRESULT result, const char* call);
// A method the emulated screen doesn't offer: DDERR_UNSUPPORTED.
HRESULT Unsupported(const char* interfaceName, const char* method);

// The pixel format a surface of the layout reports, as the profile's driver reports it.
void ReportPixelFormat(ScreenLayout layout, DDPIXELFORMAT* format);

}  // namespace ddraw
}  // namespace platform
