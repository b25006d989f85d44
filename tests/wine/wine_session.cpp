#include "tests/wine/wine_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

const char kWineDesktopTitle[] = "Default - Wine desktop";

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

// Whether something accepts connections on the Unix socket at path.
bool Answers(const std::string& path) {
  int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (socket < 0) return false;
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  bool answered = connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(socket);
  return answered;
}

// A command that runs a function of the private sound server's recipe (scripts/null-sound-server)
// with its arguments. The functions take the shell's place, so the process started is the server
// or the recorder itself.
std::vector<std::string> SoundServerRecipe(std::vector<std::string> call) {
  std::vector<std::string> command = {"bash", "-c", "source \"$0\" && \"$@\"",
                                      QUENTHOR_NULL_SOUND_SERVER_SCRIPT};
  command.insert(command.end(), call.begin(), call.end());
  return command;
}

}  // namespace

std::string WindowsPackagePath() {
  const char* chosen = std::getenv("QUENTHOR_WINDOWS_PACKAGE");
  return chosen && *chosen ? chosen : QUENTHOR_WINDOWS_PACKAGE;
}

WinePrefix::WinePrefix() : path_(QUENTHOR_WINE_PREFIX) {
  lock_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_ < 0) {
    error_ = "can't open " + path_ + ".lock";
    return;
  }
  auto deadline = Clock::now() + std::chrono::seconds(100);
  while (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    if (Clock::now() > deadline) {
      error_ = "another run has held the Wine prefix " + path_ + " for 100 s";
      close(lock_);
      lock_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!Exists(path_ + "/.quenthor-ready")) {
    // The scripts' own prefix recipe, so the suite runs the show as ./scripts/run-windows does.
    std::string log = path_ + ".log";
    int status = RunWithin({"bash", "-c", "set -e; source \"$0\"; use_wine_prefix \"$1\"",
                            QUENTHOR_WINE_PREFIX_SCRIPT, path_},
                           {"DISPLAY", "WAYLAND_DISPLAY"}, 300000, log);
    if (status != 0 || !Exists(path_ + "/.quenthor-ready")) {
      error_ = "making the Wine prefix " + path_ + " failed (status " + std::to_string(status) +
               "):\n" + ReadWholeFile(log);
      return;
    }
  }
  // A session left by an earlier run would still draw on that run's display.
  EndSession();
  if (!SetAnimations(true)) error_ = "no UserPreferencesMask in " + path_ + "/user.reg";
}

WinePrefix::~WinePrefix() {
  if (lock_ >= 0) close(lock_);
}

std::vector<std::string> WinePrefix::Environment() const {
  return {"WINEPREFIX=" + path_, "WINEARCH=win32", "WINEDEBUG=-all",
          // No .NET or HTML engine to install; sound through PulseAudio only, so a machine's
          // own sound card can't stand in for the server a test chose; the package's own
          // ddraw.dll before the system's, as Windows loads it from the program's folder.
          "WINEDLLOVERRIDES=mscoree,mshtml=;winealsa.drv,wineoss.drv=d;ddraw=n,b"};
}

bool WinePrefix::SetAnimations(bool on) const {
  EndSession();
  // Wine keeps the setting as a bit of the user's preference mask: 0x02 of its fifth byte.
  const std::string registry = path_ + "/user.reg";
  std::string text = ReadWholeFile(registry);
  const std::string key = "\n\"UserPreferencesMask\"=hex:";
  const size_t at = text.find(key);
  const size_t fifth = at + key.size() + 4 * 3;  // "30,00,02,80,": two digits and a comma each
  if (at == std::string::npos || fifth + 2 > text.size()) return false;
  unsigned value = std::stoul(text.substr(fifth, 2), nullptr, 16);
  value = on ? value | 0x02 : value & ~0x02u;
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02x", value);
  text.replace(fifth, 2, digits);
  std::ofstream(registry, std::ios::binary | std::ios::trunc) << text;
  return true;
}

void WinePrefix::EndSession() const {
  RunWithin({"wineserver", "-k"}, Environment(), 10000);
  RunWithin({"wineserver", "-w"}, Environment(), 10000);
}

std::vector<pid_t> WinePrefix::SessionProcesses() const {
  std::vector<pid_t> found;
  const std::string wanted = "WINEPREFIX=" + path_;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string environment = ReadWholeFile(entry.path().string() + "/environ");
    for (size_t at = 0; at < environment.size();) {
      size_t end = environment.find('\0', at);
      if (end == std::string::npos) end = environment.size();
      if (environment.compare(at, end - at, wanted) == 0) {
        found.push_back(static_cast<pid_t>(std::stol(name)));
        break;
      }
      at = end + 1;
    }
  }
  return found;
}

SoundServer::SoundServer(bool withSink) {
  if (folder_.empty()) return;
  server_ = Spawn(SoundServerRecipe({"run_null_sound_server", folder_, withSink ? "" : "no-sink"}),
                  {}, folder_ + "/pulse.log");
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!ready_ && Clock::now() < deadline) {
    int status;
    if (WaitWithin(server_, 0, &status)) {
      server_ = -1;
      std::fprintf(stderr, "pulseaudio ended:\n%s", ReadWholeFile(folder_ + "/pulse.log").c_str());
      return;
    }
    ready_ = Answers(folder_ + "/pulse.sock");
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

SoundServer::~SoundServer() {
  EndChild(recorder_, SIGKILL, 2000);
  EndChild(server_, SIGTERM, 3000);
}

bool SoundServer::StartRecording() {
  std::string recording = folder_ + "/recording.raw";
  recorder_ = Spawn(SoundServerRecipe({"record_null_sink"}), {"PULSE_SERVER=" + Address()},
                    recording);
  // The monitor streams silence while nothing plays: bytes arriving mean the recorder is in.
  auto deadline = Clock::now() + std::chrono::seconds(5);
  std::error_code error;
  while (Clock::now() < deadline) {
    if (std::filesystem::file_size(recording, error) > 0 && !error) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::vector<std::int16_t> SoundServer::StopRecording() {
  EndChild(recorder_, SIGINT, 2000);
  recorder_ = -1;
  std::string bytes = ReadWholeFile(folder_ + "/recording.raw");
  std::vector<std::int16_t> samples(bytes.size() / 4 * 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
  return samples;
}

WineShow::WineShow(const WinePrefix& prefix) : prefix_(prefix) {
  std::string package = WindowsPackagePath();
  if (!Exists(package)) {
    error_ = "There is no Windows package at " + package +
             ". Build it with `cmake --preset windows && cmake --build --preset windows`.";
    return;
  }
  if (root_.empty()) {
    error_ = "can't make a folder in /tmp";
    return;
  }
  std::string log = root_ + "/unpack.log";
  int status = RunWithin({QUENTHOR_CMAKE, "-E", "chdir", root_, QUENTHOR_CMAKE, "-E", "tar", "xf",
                          std::filesystem::absolute(package).string()},
                         {}, 30000, log);
  if (status != 0) {
    error_ = "Unpacking " + package + " failed:\n" + ReadWholeFile(log) +
             "Build it again with `cmake --build --preset windows`.";
    return;
  }
  folder_ = root_ + "/" + QUENTHOR_WINDOWS_PACKAGE_FOLDER;
  for (const char* file : {"quenthor.exe", "fmod.dll", "ddraw.dll", "Quenthor without flashing.exe",
                           "min.raw", "min2.raw", "min3.raw",
                           "Terminal.s3m", "README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"}) {
    if (!Exists(folder_ + "/" + file)) {
      error_ += std::string(error_.empty() ? "" : "\n") + package + " lacks " +
                QUENTHOR_WINDOWS_PACKAGE_FOLDER + "/" +
                file + "; build it with `cmake --build --preset windows`.";
    }
  }
  // The licences travel with the binaries: ours, and libopenmpt's BSD licence in the notice.
  const struct {
    const char* file;
    const char* text;
  } licences[] = {{"LICENSE.txt", "MIT License"},
                  {"THIRD-PARTY-NOTICES.txt", "libopenmpt"},
                  {"THIRD-PARTY-NOTICES.txt", "Redistribution and use in source and binary forms"},
                  {"THIRD-PARTY-NOTICES.txt", "mingw-w64"}};
  for (const auto& licence : licences) {
    if (Exists(folder_ + "/" + licence.file) &&
        ReadWholeFile(folder_ + "/" + licence.file).find(licence.text) == std::string::npos) {
      error_ += std::string(error_.empty() ? "" : "\n") + package + ": " + licence.file +
                " doesn't contain \"" + licence.text + "\"";
    }
  }
}

WineShow::~WineShow() {
  if (process_) {
    prefix_.EndSession();
    process_.reset();
  }
}

void WineShow::Start(const VirtualDisplay& display, const std::string& soundAddress,
                     const std::vector<std::string>& environment, const std::string& program) {
  std::vector<std::string> settings = prefix_.Environment();
  settings.push_back("PULSE_SERVER=" + soundAddress);
  // Wine keeps only about 20 ms queued at the sound server, whatever the program has queued at
  // waveOut; on a busy two-core machine its feeding threads are held off longer than that, and
  // the server plays silence meanwhile. With 60 ms the recording holds what the show played
  // rather than the machine's scheduling.
  settings.push_back("PULSE_LATENCY_MSEC=60");
  settings.insert(settings.end(), environment.begin(), environment.end());
  // The process removes the folder it ran in; the rest of root_ goes with this object.
  process_ = std::make_unique<ShowProcess>(display, folder_,
                                           std::vector<std::string>{"wine", program},
                                           settings);
}
