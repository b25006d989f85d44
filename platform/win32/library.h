// The run-time libraries seen from outside: how many are loaded, and a fresh start.
#pragma once

namespace platform {
namespace libraries {

// Libraries loaded and not yet freed.
int LoadedCount();
void ResetLibraries();

}  // namespace libraries
}  // namespace platform
