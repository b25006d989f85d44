// File sizes past 2 GiB on 32-bit hosts too (Windows, i686): a huge file is refused by its
// real size, never read as its size modulo 2^32.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include "platform/fmod/tracker_module.h"

#include <libopenmpt/libopenmpt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/fmod/fmod_declarations.h"
#include "platform/fmod/s3m_extent.h"
#include "platform/files_api.h"

namespace platform {
namespace fmod {
namespace {

// Larger than any module could be: such a file is no song, and is refused before it is read.
const long long kLargestSongBytes = 64ll << 20;

// The whole file in memory, so that recognising the format and loading it look at the same
// bytes, and so that a missing file is told apart from a broken one.
struct FileBytes {
  unsigned char* data = nullptr;
  std::size_t size = 0;
};

// Nothing at the name is "not found"; something there that can't be read, "bad".
int OpenFailure(int error) {
  return error == ENOENT || error == ENOTDIR ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD;
}

// What the file's status says of it as a song: a regular file of a size a module can have.
int Examine(const struct stat& status) {
  if (!S_ISREG(status.st_mode)) return FMOD_ERR_FILE_BAD;
  if (status.st_size > kLargestSongBytes) return FMOD_ERR_FILE_FORMAT;
  return FMOD_ERR_NONE;
}

int ReadWholeFile(const char* path, FileBytes* file) {
  // Opened without waiting, then asked what it is: a named pipe or a device put at the name at
  // any moment is refused, and never read.
  const int descriptor = OpenFileToRead(path);
  if (descriptor < 0) return OpenFailure(errno);
  struct stat status;
  int result = fstat(descriptor, &status) == 0 ? Examine(status) : FMOD_ERR_FILE_BAD;
  std::FILE* stream = result == FMOD_ERR_NONE ? fdopen(descriptor, "rb") : nullptr;
  if (!stream) {
    close(descriptor);
    return result == FMOD_ERR_NONE ? FMOD_ERR_FILE_BAD : result;
  }
  const std::size_t size = static_cast<std::size_t>(status.st_size);
  // One spare byte so that an empty file still gets a valid buffer.
  file->data = static_cast<unsigned char*>(std::malloc(size + 1));
  if (!file->data) {
    result = FMOD_ERR_MEMORY;
  } else {
    file->size = std::fread(file->data, 1, size, stream);
    if (file->size != size || std::ferror(stream)) result = FMOD_ERR_FILE_BAD;
  }
  std::fclose(stream);
  if (result != FMOD_ERR_NONE) {
    std::free(file->data);
    file->data = nullptr;
    file->size = 0;
  }
  return result;
}

int ErrorFromOpenmpt(int error) {
  return error == OPENMPT_ERROR_OUT_OF_MEMORY ? FMOD_ERR_MEMORY : FMOD_ERR_FILE_BAD;
}

}  // namespace

TrackerModule::~TrackerModule() { openmpt_module_destroy(module_); }

int TrackerModule::Load(const char* path, TrackerModule** loaded) {
  *loaded = nullptr;
  FileBytes file;
  int result = ReadWholeFile(path, &file);
  if (result != FMOD_ERR_NONE) return result;

  int error = OPENMPT_ERROR_OK;
  // The whole file and its size are given, so "want more data" means the file ends inside
  // the header a format needs: nothing libopenmpt could recognise.
  const int probe = openmpt_probe_file_header(
      OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, file.data, file.size, file.size,
      openmpt_log_func_silent, nullptr, openmpt_error_func_store, nullptr, &error, nullptr);
  if (probe == OPENMPT_PROBE_FILE_HEADER_RESULT_ERROR) {
    result = ErrorFromOpenmpt(error);
  } else if (probe != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS) {
    result = FMOD_ERR_FILE_FORMAT;
  } else if (LooksLikeS3m(file.data, file.size) && !S3mIsComplete(file.data, file.size)) {
    result = FMOD_ERR_FILE_BAD;  // cut off: libopenmpt would play the missing part as silence
  } else {
    error = OPENMPT_ERROR_OK;
    openmpt_module* module = openmpt_module_create_from_memory2(
        file.data, file.size, openmpt_log_func_silent, nullptr, openmpt_error_func_store,
        nullptr, &error, nullptr, nullptr);
    if (!module) {
      result = ErrorFromOpenmpt(error);
    } else {
      // Play on for ever: when the order list ends the song starts over, as the module's own
      // jumps direct.
      openmpt_module_set_repeat_count(module, -1);
      // No dither: the same song gives the same samples on every run, so what was played can
      // be checked against a render.
      openmpt_module_ctl_set_integer(module, "dither", 0);
      *loaded = new (std::nothrow) TrackerModule(module);
      if (!*loaded) {
        openmpt_module_destroy(module);
        result = FMOD_ERR_MEMORY;
      }
    }
  }
  std::free(file.data);
  return result;
}

void TrackerModule::Rewind() { openmpt_module_set_position_order_row(module_, 0, 0); }

void TrackerModule::Render(int rate, std::int16_t* stereo, int frames) {
  std::size_t done = 0;
  const std::size_t wanted = static_cast<std::size_t>(frames);
  while (done < wanted) {
    const std::size_t got =
        openmpt_module_read_interleaved_stereo(module_, rate, wanted - done, stereo + 2 * done);
    if (got == 0) break;
    done += got;
  }
  std::memset(stereo + 2 * done, 0, (wanted - done) * 2 * sizeof(std::int16_t));
}

}  // namespace fmod
}  // namespace platform
