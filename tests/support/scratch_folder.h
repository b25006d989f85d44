// A fresh folder of the test's own under the system's temporary folder, removed with everything
// in it when the object goes. Plain C++ (std::filesystem), so the Windows test programs use it too.
#pragma once
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
