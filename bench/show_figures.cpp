#include "bench/show_figures.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The name in parentheses may hold spaces; the fields after it don't.
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

PhaseFigures SummarisePhases(std::vector<double> lengthsMs) {
  PhaseFigures figures;
  if (lengthsMs.empty()) return figures;
  std::sort(lengthsMs.begin(), lengthsMs.end());
  double mean = 0, spread = 0;
  for (double p : lengthsMs) mean += p;
  mean /= lengthsMs.size();
  for (double p : lengthsMs) spread += (p - mean) * (p - mean);
  figures.count = lengthsMs.size();
  figures.medianMs = lengthsMs[lengthsMs.size() / 2];
  figures.minMs = lengthsMs.front();
  figures.maxMs = lengthsMs.back();
  figures.deviationMs = std::sqrt(spread / lengthsMs.size());
  figures.atOrUnder50Ms = static_cast<int>(
      std::count_if(lengthsMs.begin(), lengthsMs.end(), [](double p) { return p <= 50.0; }));
  return figures;
}

std::string DescribePhases(const PhaseFigures& phases) {
  char line[200];
  std::snprintf(line, sizeof line,
                "%zu, median %.1f ms, min %.1f ms, max %.1f ms, std dev %.1f ms, "
                "%d at or under 50 ms",
                phases.count, phases.medianMs, phases.minMs, phases.maxMs, phases.deviationMs,
                phases.atOrUnder50Ms);
  return line;
}

ScreenSpot::ScreenSpot(const std::string& displayName, int x, int y)
    : display_(XOpenDisplay(displayName.c_str())), x_(x), y_(y) {}

ScreenSpot::~ScreenSpot() {
  if (display_) XCloseDisplay(display_);
}

unsigned long ScreenSpot::Read(bool* uniform) {
  *uniform = false;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x_, y_, 4, 4, AllPlanes, ZPixmap);
  if (!image) return 0;
  unsigned long first = XGetPixel(image, 0, 0) & 0xFFFFFF;
  *uniform = true;
  for (int yy = 0; yy < 4; yy++)
    for (int xx = 0; xx < 4; xx++) *uniform &= (XGetPixel(image, xx, yy) & 0xFFFFFF) == first;
  XDestroyImage(image);
  return first;
}
