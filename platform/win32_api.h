// The window system and kernel services the show calls. On Windows these are the system's own;
// elsewhere our stand-ins declare the same names, records and values.
#pragma once
#ifdef _WIN32
#include <windows.h>
#else
#include "platform/win32/win32_declarations.h"
#endif
