// measure_wine_show: runs the Windows package under Wine on a virtual display, with its sound
// going to a private null sink, and reports what a viewer and the machine see: time to the
// mode change and to the first frames, the white and picture phases' lengths on the screen,
// and the CPU time and peak memory of the show's process and of the whole Wine session.
// A measuring tool, not a test: its figures go in the README.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

#include "bench/show_figures.h"
#include "tests/support/child_process.h"
#include "tests/support/virtual_display.h"
#include "tests/wine/wine_session.h"

namespace {

using Clock = std::chrono::steady_clock;


// CPU seconds used so far by each process of the session.
std::map<pid_t, double> SessionCpu(const WinePrefix& prefix) {
  std::map<pid_t, double> used;
  for (pid_t pid : prefix.SessionProcesses()) used[pid] = CpuSeconds(pid);
  return used;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 12.0;
  WinePrefix prefix;
  if (!prefix.Ready()) {
    std::fprintf(stderr, "measure_wine_show: %s\n", prefix.Error().c_str());
    return 1;
  }
  VirtualDisplay display(640, 480);
  SoundServer sound;
  WineShow show(prefix);
  if (!show.Error().empty() || !display.Ready() || !sound.Ready()) {
    std::fprintf(stderr, "measure_wine_show: %s\n",
                 !show.Error().empty() ? show.Error().c_str()
                 : !display.Ready()    ? "Xvfb didn't start"
                                       : "pulseaudio didn't start");
    return 1;
  }

  Clock::time_point start = Clock::now();
  show.Start(display, sound.Address());
  pid_t pid = show.Process().Pid();

  // The mode change shrinks Wine's desktop to 320x240.
  int left = 0, top = 0, width = 0, height = 0;
  double modeSet = -1;
  while (SecondsSince(start) < 30 && show.Process().Running()) {
    if (display.FindWindow(kWineDesktopTitle, &left, &top, &width, &height) && width == 320 &&
        height == 240) {
      modeSet = SecondsSince(start);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (modeSet < 0) {
    std::fprintf(stderr, "measure_wine_show: the show never took the 320x240 mode\n");
    return 1;
  }

  // A 4x4 block near the top middle of the picture, which is white in none of the three
  // pictures. Until the show draws, it has the desktop's own colour.
  ScreenSpot spot(display.Name(), left + 159, top + 19);
  double firstBlack = -1, firstWhite = -1, lastChange = -1, cpuFrom = -1;
  bool white = false;
  std::vector<double> whitePhases, picturePhases;
  std::map<pid_t, double> cpuAtStart;
  double showCpuAtStart = 0;
  while (SecondsSince(start) < seconds) {
    bool uniform;
    unsigned long pixel = spot.Read(&uniform);
    double now = SecondsSince(start);
    if (firstBlack < 0 && firstWhite < 0 && uniform && pixel == 0) firstBlack = now;
    bool nowWhite = uniform && pixel == 0xFFFFFF;
    if (firstWhite < 0 && nowWhite) firstWhite = lastChange = now, white = true;
    // After the first white, every change between white and anything else ends a phase.
    if (firstWhite >= 0 && nowWhite != white) {
      (white ? whitePhases : picturePhases).push_back((now - lastChange) * 1000);
      white = nowWhite;
      lastChange = now;
    }
    if (cpuFrom < 0 && firstWhite >= 0 && now > firstWhite + 2.0) {
      cpuAtStart = SessionCpu(prefix);
      showCpuAtStart = CpuSeconds(pid);
      cpuFrom = now;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  double span = SecondsSince(start) - cpuFrom;
  double showCpu = CpuSeconds(pid), showCpuWhileRunning = showCpu - showCpuAtStart;
  double sessionCpu = 0, sessionCpuWhileRunning = 0;
  long sessionPeak = 0;
  std::vector<pid_t> session = prefix.SessionProcesses();
  for (const auto& [process, used] : SessionCpu(prefix)) {
    sessionCpu += used;
    auto before = cpuAtStart.find(process);
    sessionCpuWhileRunning += used - (before == cpuAtStart.end() ? 0 : before->second);
    sessionPeak += PeakKilobytes(process);
  }
  long showPeak = PeakKilobytes(pid);

  display.MovePointer(left + 160, top + 120);
  display.PressKey("Escape");
  int status = -1;
  bool ended = show.Process().WaitForExit(3000, &status);

  std::printf("time to the 320x240 mode: %.0f ms\n", modeSet * 1000);
  if (firstBlack >= 0)
    std::printf("time to the first frame (black) on screen: %.0f ms\n", firstBlack * 1000);
  else
    std::printf("time to the first frame (black) on screen: not seen\n");
  std::printf("time to the first white frame on screen: %.0f ms\n", firstWhite * 1000);
  std::printf("white phases seen: %s\n", DescribePhases(SummarisePhases(whitePhases)).c_str());
  std::printf("picture phases seen: %s\n", DescribePhases(SummarisePhases(picturePhases)).c_str());
  std::printf("CPU time of the show's process: %.2f s in all, %.1f%% of one core while running\n",
              showCpu, showCpuWhileRunning / span * 100);
  std::printf("CPU time of the Wine session (%zu processes): %.2f s in all, %.1f%% of one core "
              "while running\n",
              session.size(), sessionCpu, sessionCpuWhileRunning / span * 100);
  std::printf("peak memory (VmHWM) of the show's process: %.1f MiB\n", showPeak / 1024.0);
  std::printf("peak memory of the Wine session, summed over its processes: %.1f MiB\n",
              sessionPeak / 1024.0);
  std::printf("ended with Escape: %s, status %d\n", ended ? "yes" : "no", status);
  return ended && status == 0 ? 0 : 1;
}
