// Whether a Scream Tracker 3 module file holds everything its header points at. libopenmpt
// loads a cut-off module without complaint and plays what is missing as silence; the sound
// library refuses such a file instead.
#pragma once
#include <cstddef>

namespace platform {
namespace fmod {

// True when data looks like a Scream Tracker 3 module (its signature is in place).
bool LooksLikeS3m(const unsigned char* data, std::size_t size);

// True when every order, pointer table, sample header, sample's data and packed pattern that
// the module's header names lies inside the size bytes at data.
bool S3mIsComplete(const unsigned char* data, std::size_t size);

}  // namespace fmod
}  // namespace platform
