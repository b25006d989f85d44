// measure_show: runs the real show on a virtual display for a few seconds and reports what a
// viewer and the machine see: time to the first frame, phase lengths on the screen, CPU use and
// peak memory. A measuring tool, not a test: its figures go in the README.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/e2e/virtual_display.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU seconds the process has used so far, from /proc.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  size_t end = text.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(text.substr(end + 2));
  std::string field;
  unsigned long user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; i++) {
    if (i == 14) user = std::stoul(field);
    if (i == 15) system = std::stoul(field);
  }
  return static_cast<double>(user + system) / sysconf(_SC_CLK_TCK);
}

long PeakKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 12.0;
  VirtualDisplay display(640, 480);
  if (!display.Ready()) {
    std::fprintf(stderr, "measure_show: Xvfb didn't start\n");
    return 1;
  }
  Display* x = XOpenDisplay(display.Name().c_str());
  Clock::time_point start = Clock::now();
  ShowProcess show(display);
  pid_t pid = show.Pid();

  // A 4x4 block near the top middle of the picture, which is white in none of the three
  // pictures. The empty root window is a black-and-white weave,
  // the show's first frame is solid black, its white phases solid white.
  auto sample = [&](bool* uniform) {
    XImage* image = XGetImage(x, DefaultRootWindow(x), 318, 38, 4, 4, AllPlanes, ZPixmap);
    unsigned long first = XGetPixel(image, 0, 0) & 0xFFFFFF;
    *uniform = true;
    for (int yy = 0; yy < 4; yy++)
      for (int xx = 0; xx < 4; xx++) *uniform &= (XGetPixel(image, xx, yy) & 0xFFFFFF) == first;
    XDestroyImage(image);
    return first;
  };

  double firstFrame = -1, cpuStart = -1, cpuStartTime = 0;
  std::vector<double> changes;
  int lastWhite = -1;
  while (Seconds(start) < seconds) {
    bool uniform;
    unsigned long pixel = sample(&uniform);
    double now = Seconds(start);
    if (firstFrame < 0 && uniform && pixel == 0) firstFrame = now;
    // After the first frame, every change between white and anything else is a phase change.
    if (firstFrame >= 0) {
      int white = uniform && pixel == 0xFFFFFF;
      if (lastWhite >= 0 && white != lastWhite) changes.push_back(now);
      lastWhite = white;
    }
    if (cpuStart < 0 && now > 2.0) cpuStart = CpuSeconds(pid), cpuStartTime = now;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  double cpu = (CpuSeconds(pid) - cpuStart) / (Seconds(start) - cpuStartTime);
  long peak = PeakKilobytes(pid);
  display.PressKey("Escape");
  int status = -1;
  bool ended = show.WaitForExit(2000, &status);
  XCloseDisplay(x);

  std::vector<double> phases;
  for (size_t i = 1; i < changes.size(); i++) phases.push_back((changes[i] - changes[i - 1]) * 1000);
  std::sort(phases.begin(), phases.end());
  double mean = 0, spread = 0;
  for (double p : phases) mean += p;
  if (!phases.empty()) mean /= phases.size();
  for (double p : phases) spread += (p - mean) * (p - mean);
  if (!phases.empty()) spread = std::sqrt(spread / phases.size());
  int short_ = std::count_if(phases.begin(), phases.end(), [](double p) { return p <= 50.0; });

  std::printf("time to first frame on screen: %.0f ms\n", firstFrame * 1000);
  if (!phases.empty())
    std::printf("phases seen: %zu, median %.1f ms, min %.1f ms, max %.1f ms, std dev %.1f ms, "
                "%d at or under 50 ms\n",
                phases.size(), phases[phases.size() / 2], phases.front(), phases.back(), spread,
                short_);
  std::printf("CPU use while running: %.1f%% of one core\n", cpu * 100);
  std::printf("peak memory (VmHWM): %.1f MiB\n", peak / 1024.0);
  std::printf("ended with Escape: %s, status %d\n", ended ? "yes" : "no", status);
  return ended && status == 0 ? 0 : 1;
}
