// What the show's frame looks like on a screen: black, white, one of our three pictures or
// something else; and a record of that over time. Shared by the suites that watch a real run.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class Seen { kBlack, kWhite, kImage1, kImage2, kImage3, kOther };

const char* Name(Seen seen);

// How closely a frame is looked at. A screenshot, through scaling and capture, is judged by a
// grid of samples of which most must match the picture (all must be black, or white). A frame
// read straight from the show's surface is judged pixel by pixel: every one must match, and
// black and white exactly.
enum class Scrutiny { kSampled, kEveryPixel };

// frame: the show's 320x240 frame as a screen shows it, each of its pixels a scale x scale
// block, 0x00RRGGBB row by row. tolerance: per channel, for the colour steps of a 16-bit layout.
Seen Classify(const std::vector<std::uint32_t>& frame, int scale, int tolerance,
              Scrutiny scrutiny = Scrutiny::kSampled);

// What was seen when, in seconds on the watcher's clock.
class StrobeTimeline {
 public:
  void Add(double seconds, Seen seen) { samples_.emplace_back(seconds, seen); }
  // Samples, and samples showing seen, taken at or after from.
  int Samples(double from = -1e9) const;
  int Count(Seen seen, double from = -1e9) const;
  // Times of the first and last sample showing seen; 1e9 and -1e9 when it never showed.
  double First(Seen seen) const;
  double Last(Seen seen) const;
  // What was seen from when to when, for a failure's trace.
  std::string Log() const;

 private:
  std::vector<std::pair<double, Seen>> samples_;
};
