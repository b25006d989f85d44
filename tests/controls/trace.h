// The trace kept: the platform's calls in order, for tests to read back. Off unless a test turns
// it on, so a long run keeps no history.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32_api.h"

namespace platform {

void TraceKeep(bool on);
void TraceClear();
std::vector<std::string> TraceLines();
// Lines that start with the given prefix, in order (for example "Sleep" or "IDirectDraw").
std::vector<std::string> TraceLinesStartingWith(const std::string& prefix);

// How the lines write an address or a handle ("null", or "0x" and lower-case hex digits) and a
// message ({hwnd <h>, message 0x<m>, wParam 0x<w>, lParam 0x<l>}): the stand-ins' own formats.
std::string AddressAsTraced(const void* address);
std::string MessageAsTraced(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Formatting done for the trace so far: it stays put while nobody listens.
std::uint64_t TraceFormatCount();

}  // namespace platform
