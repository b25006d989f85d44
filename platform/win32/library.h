// The state of the run-time libraries, for the test controls.
#pragma once

namespace platform {
namespace libraries {

// Libraries loaded and not yet freed.
int LoadedCount();
void ResetLibraries();

}  // namespace libraries
}  // namespace platform
