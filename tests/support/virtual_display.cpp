#include "tests/support/virtual_display.h"

#include "tests/support/child_process.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

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

VirtualDisplay::VirtualDisplay(int width, int height, int depth)
    : width_(width), height_(height) {
  // Xvfb picks a free display number itself and tells it through a pipe once it is ready.
  int ready[2];
  if (pipe(ready) != 0) return;
  std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  server_ = fork();
  if (server_ == 0) {
    // A test killed at its time limit takes its display with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
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
    if (!WaitWithin(server_, 5000, &status)) kill(server_, SIGKILL), waitpid(server_, nullptr, 0);
  }
}

std::vector<std::uint32_t> VirtualDisplay::Screenshot() const {
  return Screenshot(0, 0, width_, height_);
}

std::vector<std::uint32_t> VirtualDisplay::Screenshot(int left, int top, int width,
                                                      int height) const {
  std::vector<std::uint32_t> pixels;
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return pixels;
  XImage* image = XGetImage(display, DefaultRootWindow(display), left, top, width, height,
                            AllPlanes, ZPixmap);
  if (image) {
    // Each channel widened to 8 bits by repeating its top bits, as a 16-bit screen shows it.
    auto channel = [](unsigned long pixel, unsigned long mask) -> std::uint32_t {
      if (!mask) return 0;
      int shift = 0, bits = 0;
      while (!((mask >> shift) & 1)) shift++;
      while ((mask >> (shift + bits)) & 1) bits++;
      std::uint32_t value = static_cast<std::uint32_t>((pixel & mask) >> shift);
      std::uint32_t wide = 0;
      for (int filled = 0; filled < 8; filled += bits) wide = (wide << bits) | value;
      return (wide >> (((8 + bits - 1) / bits) * bits - 8)) & 0xFF;
    };
    pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; y++) {
      for (int x = 0; x < width; x++) {
        unsigned long pixel = XGetPixel(image, x, y);
        pixels[static_cast<size_t>(y) * width + x] = channel(pixel, image->red_mask) << 16 |
                                                     channel(pixel, image->green_mask) << 8 |
                                                     channel(pixel, image->blue_mask);
      }
    }
    XDestroyImage(image);
  }
  XCloseDisplay(display);
  return pixels;
}

bool VirtualDisplay::FindWindow(const std::string& title, int* left, int* top, int* width,
                                int* height) const {
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return false;
  Window root = DefaultRootWindow(display);
  Window window = FindWindowByName(display, root, title.c_str());
  XWindowAttributes attributes;
  Window child;
  bool found = window && XGetWindowAttributes(display, window, &attributes) &&
               XTranslateCoordinates(display, window, root, 0, 0, left, top, &child);
  if (found) *width = attributes.width, *height = attributes.height;
  XCloseDisplay(display);
  return found;
}

void VirtualDisplay::MovePointer(int x, int y) const {
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return;
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  XSync(display, False);
  XCloseDisplay(display);
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

bool VirtualDisplay::ResizeWindow(const std::string& title, int width, int height) const {
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return false;
  Window window = FindWindowByName(display, DefaultRootWindow(display), title.c_str());
  if (window) XResizeWindow(display, window, width, height), XSync(display, False);
  XCloseDisplay(display);
  return window != 0;
}

void VirtualDisplay::KnowDecorationHints() const {
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return;
  // Xvfb runs with -noreset, so the atom outlives this connection.
  XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XSync(display, False);
  XCloseDisplay(display);
}

bool VirtualDisplay::ManagerHints(const std::string& title, bool* resizable,
                                  bool* decorated) const {
  Display* display = XOpenDisplay(Name().c_str());
  if (!display) return false;
  Window window = FindWindowByName(display, DefaultRootWindow(display), title.c_str());
  if (window) {
    XSizeHints size = {};
    long supplied = 0;
    XGetWMNormalHints(display, window, &size, &supplied);
    *resizable = !(size.flags & PMaxSize) || !(size.flags & PMinSize) ||
                 size.max_width > size.min_width || size.max_height > size.min_height;
    // Motif's hints: flags, functions, decorations, ...; no decorations flag means the
    // window manager's own choice, a border.
    Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    *decorated = true;
    if (XGetWindowProperty(display, window, motif, 0, 5, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success && data) {
      const long* hints = reinterpret_cast<const long*>(data);
      if (format == 32 && count >= 3 && (hints[0] & 2)) *decorated = hints[2] != 0;
      XFree(data);
    }
  }
  XCloseDisplay(display);
  return window != 0;
}

ShowProcess::ShowProcess(const VirtualDisplay& display, const std::vector<std::string>& environment) {
  own_ = std::make_unique<ScratchFolder>("e2e");
  folder_ = own_->path();
  if (folder_.empty()) return;
  std::string assets = std::string(QUENTHOR_ASSETS_BINARY) + " " + folder_ + " >/dev/null";
  if (std::system(assets.c_str()) != 0) return;
  std::vector<std::string> settings = {
      "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + SoundFile(),
      // In a sanitizer build the desktop libraries' own leaks would decide the exit status; the
      // show's own memory is checked in-process by the other tests.
      "ASAN_OPTIONS=detect_leaks=0"};
  settings.insert(settings.end(), environment.begin(), environment.end());
  Start(display, {QUENTHOR_BINARY}, settings);
}

ShowProcess::ShowProcess(const VirtualDisplay& display, const std::string& folder,
                         const std::vector<std::string>& command,
                         const std::vector<std::string>& environment)
    : folder_(folder) {
  Start(display, command, environment);
}

void ShowProcess::Start(const VirtualDisplay& display, const std::vector<std::string>& command,
                        const std::vector<std::string>& environment) {
  std::vector<char*> arguments;
  for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (chdir(folder_.c_str()) != 0) _exit(126);
    if (!std::freopen("show.out", "w", stdout)) _exit(126);
    setenv("DISPLAY", display.Name().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    for (const std::string& setting : environment) putenv(strdup(setting.c_str()));
    execvp(arguments[0], arguments.data());
    _exit(127);
  }
}

ShowProcess::~ShowProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  // A folder the caller gave is removed here; one of our own goes with own_.
  if (!own_ && !folder_.empty()) std::filesystem::remove_all(folder_);
}

bool ShowProcess::Reap(int timeoutMs) {
  if (pid_ <= 0) return false;
  if (!ended_) ended_ = WaitWithin(pid_, timeoutMs, &status_);
  return ended_;
}

bool ShowProcess::WaitForExit(int timeoutMs, int* status) {
  if (!Reap(timeoutMs)) return false;
  *status = status_;
  return true;
}

bool ShowProcess::Running() { return pid_ > 0 && !Reap(0); }

std::string ShowProcess::Printed() const { return ReadWholeFile(folder_ + "/show.out"); }
