// One loaded tracker module, decoded by libopenmpt: the backend behind a song handle.
#pragma once
#include <cstdint>

struct openmpt_module;

namespace platform {
namespace fmod {

class TrackerModule {
 public:
  ~TrackerModule();
  TrackerModule(const TrackerModule&) = delete;
  TrackerModule& operator=(const TrackerModule&) = delete;

  // Loads the module file at path. On success *loaded owns the new module and the result is
  // FMOD_ERR_NONE; otherwise *loaded is null and the result says why: FMOD_ERR_FILE_NOTFOUND
  // (nothing by that name), FMOD_ERR_FILE_FORMAT (not a recognised module, or larger than any
  // module could be), FMOD_ERR_FILE_BAD (not a regular file, can't be read, or recognised but
  // fails to load), FMOD_ERR_MEMORY.
  static int Load(const char* path, TrackerModule** loaded);

  // Back to the first row of the first order, as at load time.
  void Rewind();

  // Renders frames of interleaved 16-bit stereo at rate Hz. The module repeats for ever, so the
  // whole request is filled unless decoding fails; the rest is then silence.
  void Render(int rate, std::int16_t* stereo, int frames);

 private:
  explicit TrackerModule(openmpt_module* module) : module_(module) {}
  openmpt_module* module_;
};

}  // namespace fmod
}  // namespace platform
