#include "tests/e2e/virtual_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

bool WaitForChild(pid_t pid, int timeoutMs, int* status) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int raw = 0;
    pid_t done = waitpid(pid, &raw, WNOHANG);
    if (done == pid) {
      *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      return true;
    }
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

Window FindWindowByName(Display* display, Window parent, const char* title) {
  char* name = nullptr;
  if (XFetchName(display, parent, &name) && name) {
    bool match = std::strcmp(name, title) == 0;
    XFree(name);
    if (match) return parent;
  }
  Window root, up, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(display, parent, &root, &up, &children, &count)) {
    for (unsigned i = 0; i < count && !found; i++)
      found = FindWindowByName(display, children[i], title);
    if (children) XFree(children);
  }
  return found;
}

}  // namespace

VirtualDisplay::VirtualDisplay(int width, int height) : width_(width), height_(height) {
  // Xvfb picks a free display number itself and tells it through a pipe once it is ready.
  int ready[2];
  if (pipe(ready) != 0) return;
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server_ = fork();
  if (server_ == 0) {
    close(ready[0]);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::string fd = std::to_string(ready[1]);
    // No reset when the last client leaves: a reset refuses connections for a moment.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  // Read up to the line's end: Xvfb writes the number and the newline separately, and dies if
  // the pipe is gone before the second write.
  std::string text;
  char c;
  while (read(ready[0], &c, 1) == 1 && c != '\n') text += c;
  close(ready[0]);
  if (!text.empty()) number_ = std::atoi(text.c_str());
}

VirtualDisplay::~VirtualDisplay() {
  if (server_ > 0) {
    kill(server_, SIGTERM);
    int status;
    if (!WaitForChild(server_, 5000, &status)) kill(server_, SIGKILL), waitpid(server_, nullptr, 0);
  }
}

std::vector<std::uint32_t> VirtualDisplay::Screenshot() const {
  std::vector<std::uint32_t> pixels;
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return pixels;
  XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, width_, height_, AllPlanes,
                            ZPixmap);
  if (image) {
    pixels.resize(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; y++)
      for (int x = 0; x < width_; x++)
        pixels[static_cast<size_t>(y) * width_ + x] = XGetPixel(image, x, y) & 0xFFFFFF;
    XDestroyImage(image);
  }
  XCloseDisplay(display);
  return pixels;
}

void VirtualDisplay::PressKey(const std::string& keysym) const {
  std::string command = "DISPLAY=" + Name() + " xdotool key " + keysym;
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

bool VirtualDisplay::RequestClose(const std::string& title) const {
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return false;
  Window window = FindWindowByName(display, DefaultRootWindow(display), title.c_str());
  if (window) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
  }
  XCloseDisplay(display);
  return window != 0;
}

ShowProcess::ShowProcess(const VirtualDisplay& display, const std::vector<std::string>& environment) {
  char pattern[] = "/tmp/quenthor-e2e-XXXXXX";
  if (!mkdtemp(pattern)) return;
  folder_ = pattern;
  std::string assets = std::string(QUENTHOR_ASSETS_BINARY) + " " + folder_ + " >/dev/null";
  if (std::system(assets.c_str()) != 0) return;
  std::string sound = SoundFile();
  pid_ = fork();
  if (pid_ == 0) {
    if (chdir(folder_.c_str()) != 0) _exit(126);
    if (!std::freopen("show.out", "w", stdout)) _exit(126);
    setenv("DISPLAY", display.Name().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", sound.c_str(), 1);
    // In a sanitizer build the desktop libraries' own leaks would decide the exit status; the
    // show's own memory is checked in-process by the other tests.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    for (const std::string& setting : environment) putenv(strdup(setting.c_str()));
    execl(QUENTHOR_BINARY, QUENTHOR_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
}

ShowProcess::~ShowProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

bool ShowProcess::Reap(int timeoutMs) {
  if (pid_ <= 0) return false;
  if (!ended_) ended_ = WaitForChild(pid_, timeoutMs, &status_);
  return ended_;
}

bool ShowProcess::WaitForExit(int timeoutMs, int* status) {
  if (!Reap(timeoutMs)) return false;
  *status = status_;
  return true;
}

bool ShowProcess::Running() { return pid_ > 0 && !Reap(0); }

std::string ShowProcess::Printed() const {
  std::string text;
  std::FILE* file = std::fopen((folder_ + "/show.out").c_str(), "rb");
  if (!file) return text;
  char buffer[256];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}
