// measure_show: runs the real show on a virtual display for a few seconds and reports what a
// viewer and the machine see: time to the first frame, phase lengths on the screen, CPU use and
// peak memory. A measuring tool, not a test: its figures go in the README.
// Usage: measure_show [SECONDS] [--gentle]; with --gentle the show runs in gentle viewing, whose
// screen has no phases to count.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/show_figures.h"
#include "tests/support/child_process.h"
#include "tests/support/virtual_display.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
  double seconds = 12.0;
  std::vector<std::string> environment;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--gentle") == 0)
      environment.push_back("QUENTHOR_DISPLAY_GENTLE=1");
    else
      seconds = std::atof(argv[i]);
  }
  VirtualDisplay display(640, 480);
  if (!display.Ready()) {
    std::fprintf(stderr, "measure_show: Xvfb didn't start\n");
    return 1;
  }
  // A 4x4 block near the top middle of the picture, which is white in none of the three
  // pictures. The empty root window is a black-and-white weave,
  // the show's first frame is solid black, its white phases solid white.
  ScreenSpot spot(display.Name(), 318, 38);
  Clock::time_point start = Clock::now();
  ShowProcess show(display, environment);
  pid_t pid = show.Pid();

  double firstFrame = -1, cpuStart = -1, cpuStartTime = 0;
  std::vector<double> changes;
  int lastWhite = -1;
  while (SecondsSince(start) < seconds) {
    bool uniform;
    unsigned long pixel = spot.Read(&uniform);
    double now = SecondsSince(start);
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
  double cpu = (CpuSeconds(pid) - cpuStart) / (SecondsSince(start) - cpuStartTime);
  long peak = PeakKilobytes(pid);
  display.PressKey("Escape");
  int status = -1;
  bool ended = show.WaitForExit(2000, &status);

  std::vector<double> phases;
  for (size_t i = 1; i < changes.size(); i++) phases.push_back((changes[i] - changes[i - 1]) * 1000);

  std::printf("time to first frame on screen: %.0f ms\n", firstFrame * 1000);
  if (!phases.empty()) std::printf("phases seen: %s\n", DescribePhases(SummarisePhases(phases)).c_str());
  std::printf("CPU use while running: %.1f%% of one core\n", cpu * 100);
  std::printf("peak memory (VmHWM): %.1f MiB\n", peak / 1024.0);
  std::printf("ended with Escape: %s, status %d\n", ended ? "yes" : "no", status);
  return ended && status == 0 ? 0 : 1;
}
