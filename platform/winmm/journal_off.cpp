// fmod.dll ships without the test controls, so nobody reads its journal: recording is a no-op.
#include "platform/testing/journal.h"

namespace platform {

void JournalRecord(const char* /*format*/, ...) {}

}  // namespace platform
