// DirectDraw, first version. On Windows the system's own header; elsewhere our stand-in's.
#pragma once
#include "platform/win32_api.h"
#ifdef _WIN32
#include <ddraw.h>
#else
#include "platform/ddraw/ddraw_declarations.h"
#endif
