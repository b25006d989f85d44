// What a run of the Windows package under Wine needs around it: the suite's Wine prefix, a
// private sound server whose output can be recorded, and the package unpacked and started.
// Everything started here is ended by its owner's destructor, on failure too.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/virtual_display.h"

// The suite's 32-bit Wine prefix in the build tree, made once by scripts/wine-prefix and held
// for as long as this object lives: other processes that want it wait, so that no two runs
// share its wineserver (the first Wine process of a session fixes its display).
class WinePrefix {
 public:
  WinePrefix();
  ~WinePrefix();
  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // WINEPREFIX and the settings every Wine command of the suite runs with.
  std::vector<std::string> Environment() const;
  // Ends every process of the prefix's session and waits until its wineserver is gone.
  void EndSession() const;
  // The processes running in the prefix now: the program's, wineserver's and Wine's own
  // services (found by their WINEPREFIX).
  std::vector<pid_t> SessionProcesses() const;
  // Turns Windows' "Show animations in Windows" on or off in the prefix's registry (what
  // SystemParametersInfo(SPI_GETCLIENTAREAANIMATION) answers), ending the session first: the
  // registry is read when a session starts. The prefix turns it on whenever it is taken, so a
  // run that stopped halfway leaves nothing behind. False if the setting isn't where Wine keeps it.
  bool SetAnimations(bool on) const;

 private:
  std::string path_, error_;
  int lock_ = -1;
};

// A private PulseAudio on a socket in a folder of its own: with a null sink "quenthor" playing
// 16-bit stereo at 44,100 Hz in real time, whose monitor can be recorded, or with no sink.
class SoundServer {
 public:
  explicit SoundServer(bool withSink = true);
  ~SoundServer();
  bool Ready() const { return ready_; }
  // For PULSE_SERVER.
  std::string Address() const { return "unix:" + folder_ + "/pulse.sock"; }
  // Records the sink's monitor from now on; false if the recorder doesn't start.
  bool StartRecording();
  // Stops the recorder; what it heard, interleaved stereo.
  std::vector<std::int16_t> StopRecording();

 private:
  ScratchFolder scratch_{"sound"};
  std::string folder_ = scratch_.path();
  pid_t server_ = -1, recorder_ = -1;
  bool ready_ = false;
};

// The Windows package unpacked into a folder of its own, then run there with `wine quenthor.exe`.
class WineShow {
 public:
  explicit WineShow(const WinePrefix& prefix);
  ~WineShow();
  // Empty once the package is unpacked; otherwise what is wrong, and how to build it.
  const std::string& Error() const { return error_; }
  // The unpacked quenthor-VERSION-windows folder, which a test may change before Start.
  const std::string& Folder() const { return folder_; }
  // Starts program (the show, or the package's other program) on display, with
  // PULSE_SERVER=soundAddress and extra environment.
  void Start(const VirtualDisplay& display, const std::string& soundAddress,
             const std::vector<std::string>& environment = {},
             const std::string& program = "quenthor.exe");
  ShowProcess& Process() { return *process_; }

 private:
  const WinePrefix& prefix_;
  ScratchFolder scratch_{"wine"};
  std::string root_ = scratch_.path(), folder_, error_;
  std::unique_ptr<ShowProcess> process_;
};

// Where the Windows package is read from: QUENTHOR_WINDOWS_PACKAGE in the environment if set,
// else build-windows/quenthor-VERSION-windows.zip.
std::string WindowsPackagePath();

// The title of the X window Wine's virtual desktop draws in.
extern const char kWineDesktopTitle[];
