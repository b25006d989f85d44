// The tracker-music library's calls. No system header exists for it here, so our stand-in's
// declarations serve every host.
#pragma once
#include "platform/fmod/fmod_declarations.h"
