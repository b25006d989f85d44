#include "tests/support/screen_classifier.h"

#include <cstdio>
#include <cstdlib>

#include "tools/pictures.h"

namespace {

const int kFrameWidth = 320, kFrameHeight = 240;

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(difference) > tolerance) return false;
  }
  return true;
}

}  // namespace

const char* Name(Seen seen) {
  switch (seen) {
    case Seen::kBlack: return "black";
    case Seen::kWhite: return "white";
    case Seen::kImage1: return "image 1";
    case Seen::kImage2: return "image 2";
    case Seen::kImage3: return "image 3";
    default: return "other";
  }
}

Seen Classify(const std::vector<std::uint32_t>& frame, int scale, int tolerance,
              Scrutiny scrutiny) {
  static const std::vector<std::uint32_t> pictures[3] = {DrawPicture(1), DrawPicture(2),
                                                         DrawPicture(3)};
  const int width = kFrameWidth * scale;
  if (frame.size() != static_cast<size_t>(width) * kFrameHeight * scale) return Seen::kOther;
  const bool everyPixel = scrutiny == Scrutiny::kEveryPixel;
  const int step = everyPixel ? 1 : 3;
  const int shadeTolerance = everyPixel ? 0 : tolerance;
  const int samples = ((kFrameHeight + step - 1) / step) * ((kFrameWidth + step - 1) / step);
  // Whether the frame shows what wanted(x, y) gives, at all samples or at the share needed.
  auto shows = [&](auto wanted, int near, int percentNeeded) {
    const int missesAllowed = samples - (samples * percentNeeded + 99) / 100;
    int misses = 0;
    for (int y = 0; y < kFrameHeight; y += step) {
      for (int x = 0; x < kFrameWidth; x += step) {
        // The middle of each block: nearest-neighbour scaling puts the show pixel there exactly.
        const std::uint32_t shown =
            frame[static_cast<size_t>(scale * y + scale / 2) * width + scale * x + scale / 2];
        if (!Near(shown, wanted(x, y), near) && ++misses > missesAllowed) return false;
      }
    }
    return true;
  };
  if (shows([](int, int) { return 0u; }, shadeTolerance, 100)) return Seen::kBlack;
  if (shows([](int, int) { return 0xFFFFFFu; }, shadeTolerance, 100)) return Seen::kWhite;
  for (int i = 0; i < 3; i++) {
    auto pixel = [&](int x, int y) { return pictures[i][y * kFrameWidth + x]; };
    if (shows(pixel, tolerance, everyPixel ? 100 : 97))
      return static_cast<Seen>(static_cast<int>(Seen::kImage1) + i);
  }
  return Seen::kOther;
}

int StrobeTimeline::Samples(double from) const {
  int count = 0;
  for (const auto& sample : samples_) count += sample.first >= from;
  return count;
}

int StrobeTimeline::Count(Seen seen, double from) const {
  int count = 0;
  for (const auto& sample : samples_) count += sample.first >= from && sample.second == seen;
  return count;
}

double StrobeTimeline::First(Seen seen) const {
  for (const auto& sample : samples_)
    if (sample.second == seen) return sample.first;
  return 1e9;
}

double StrobeTimeline::Last(Seen seen) const {
  for (auto sample = samples_.rbegin(); sample != samples_.rend(); ++sample)
    if (sample->second == seen) return sample->first;
  return -1e9;
}

std::string StrobeTimeline::Log() const {
  // One line per run of equal samples: "from-to what (samples)".
  std::string log;
  for (size_t i = 0; i < samples_.size();) {
    size_t end = i;
    while (end + 1 < samples_.size() && samples_[end + 1].second == samples_[i].second) end++;
    char line[64];
    std::snprintf(line, sizeof line, "%.3f-%.3f %s (%zu)\n", samples_[i].first,
                  samples_[end].first, Name(samples_[i].second), end - i + 1);
    log += line;
    i = end + 1;
  }
  return log;
}
