// A virtual X display for one test, the show running on it, and what a person would do to it:
// look at the screen, press keys, ask the window to close.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class VirtualDisplay {
 public:
  VirtualDisplay(int width, int height);
  ~VirtualDisplay();
  bool Ready() const { return number_ >= 0; }
  std::string Name() const { return ":" + std::to_string(number_); }
  int width() const { return width_; }
  int height() const { return height_; }

  // The whole screen as 0x00RRGGBB values, row by row.
  std::vector<std::uint32_t> Screenshot() const;
  // Presses and releases a key by its X keysym name ("Escape", "space", "Return").
  void PressKey(const std::string& keysym) const;
  // Asks the window titled title to close, as a window manager does (WM_DELETE_WINDOW).
  bool RequestClose(const std::string& title) const;

 private:
  int number_ = -1;
  int width_, height_;
  pid_t server_ = -1;
};

// The show, started in a folder of its own with our assets, on the given display.
class ShowProcess {
 public:
  ShowProcess(const VirtualDisplay& display, const std::vector<std::string>& environment = {});
  ~ShowProcess();
  const std::string& folder() const { return folder_; }
  std::string SoundFile() const { return folder_ + "/sound.raw"; }
  // What the show wrote on standard output.
  std::string Printed() const;
  // Waits up to timeoutMs for the process to end; true with its exit status if it did.
  bool WaitForExit(int timeoutMs, int* status);
  bool Running();
  pid_t Pid() const { return pid_; }

 private:
  bool Reap(int timeoutMs);
  std::string folder_;
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
};
