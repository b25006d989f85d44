// Figures of a running show for the measuring tools: the process's CPU time and peak memory,
// phase lengths, and a spot on the screen watched for the strobe.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// CPU seconds the process has used so far (user and system), from /proc; -1 if it is gone.
double CpuSeconds(pid_t pid);
// The process's peak resident memory (VmHWM) in KiB, from /proc; -1 if it is gone.
long PeakKilobytes(pid_t pid);

struct PhaseFigures {
  size_t count = 0;
  double medianMs = 0, minMs = 0, maxMs = 0, deviationMs = 0;
  int atOrUnder50Ms = 0;
};
PhaseFigures SummarisePhases(std::vector<double> lengthsMs);
// "N, median ... ms, min ..., max ..., std dev ..., K at or under 50 ms", for a report line.
std::string DescribePhases(const PhaseFigures& phases);

// A 4x4 block of the screen, read over one connection kept open so that reading is quick.
class ScreenSpot {
 public:
  ScreenSpot(const std::string& displayName, int x, int y);
  ~ScreenSpot();
  bool Ready() const { return display_ != nullptr; }
  // The block's top-left pixel as 0x00RRGGBB (on a 24-bit screen); *uniform says whether the
  // whole block has that colour.
  unsigned long Read(bool* uniform);

 private:
  struct _XDisplay* display_ = nullptr;
  int x_, y_;
};
