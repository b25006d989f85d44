// A fresh folder of the test's own under the system's temporary folder, removed with everything
// in it when the object goes. Plain C++ (std::filesystem), so the Windows test programs use it too.
#pragma once
#include <cstddef>
#include <string>

class ScratchFolder {
 public:
  // name: a word for the folder's name, so a folder left behind says whose it was.
  explicit ScratchFolder(const std::string& name = "test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // Empty if no folder could be made.
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A whole file's bytes; empty if it can't be read.
std::string ReadWholeFile(const std::string& path);
// Writes size bytes as the whole file at path; false if it can't.
bool WriteWholeFile(const std::string& path, const void* bytes, std::size_t size);
