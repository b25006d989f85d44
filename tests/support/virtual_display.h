// A virtual X display for one test, the show running on it, and what a person would do to it:
// look at the screen, press keys, ask the window to close.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

class VirtualDisplay {
 public:
  // depth: bits of the screen's colours (24, or 16 for a 5-6-5 screen).
  VirtualDisplay(int width, int height, int depth = 24);
  ~VirtualDisplay();
  bool Ready() const { return number_ >= 0; }
  std::string Name() const { return ":" + std::to_string(number_); }
  int width() const { return width_; }
  int height() const { return height_; }

  // The whole screen, or the given area of it, as 0x00RRGGBB values, row by row.
  std::vector<std::uint32_t> Screenshot() const;
  std::vector<std::uint32_t> Screenshot(int left, int top, int width, int height) const;
  // Where the window titled title is on the screen; false if there is no such window.
  bool FindWindow(const std::string& title, int* left, int* top, int* width, int* height) const;
  // Puts the pointer at (x, y). With no window manager, keys go to the window under it.
  void MovePointer(int x, int y) const;
  // Presses and releases a key by its X keysym name ("Escape", "space", "Return").
  void PressKey(const std::string& keysym) const;
  // Asks the window titled title to close, as a window manager does (WM_DELETE_WINDOW).
  bool RequestClose(const std::string& title) const;
  // Gives the window titled title a new size, as a window manager does when a person drags its
  // border; false if there is no such window.
  bool ResizeWindow(const std::string& title, int width, int height) const;
  // Makes Motif's decoration hints known to the display, as a desktop with a window manager has
  // them; until then SDL can't say whether a window wants a border (and makes every window
  // transient for the root instead).
  void KnowDecorationHints() const;
  // What the window titled title asks of a window manager: whether a person may resize it (no
  // maximum size, or one larger than its minimum) and whether it wants a border and title bar.
  // False if there is no such window.
  bool ManagerHints(const std::string& title, bool* resizable, bool* decorated) const;

 private:
  int number_ = -1;
  int width_, height_;
  pid_t server_ = -1;
};

// A program run on the given display in a folder of its own, its standard output kept in the
// folder. Environment entries are "NAME=value", applied last.
class ShowProcess {
 public:
  // The show, in a new folder with our assets.
  ShowProcess(const VirtualDisplay& display, const std::vector<std::string>& environment = {});
  // command (program and arguments, found on PATH) in folder, which the caller has filled and
  // which is removed with this object.
  ShowProcess(const VirtualDisplay& display, const std::string& folder,
              const std::vector<std::string>& command,
              const std::vector<std::string>& environment);
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
  void Start(const VirtualDisplay& display, const std::vector<std::string>& command,
             const std::vector<std::string>& environment);
  bool Reap(int timeoutMs);
  std::unique_ptr<ScratchFolder> own_;
  std::string folder_;
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
};
