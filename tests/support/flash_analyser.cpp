#include "tests/support/flash_analyser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

struct LinearTable {
  double value[256];
  LinearTable() {
    for (int v = 0; v < 256; v++) {
      const double c = v / 255.0;
      value[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
  }
};
const LinearTable kLinear;

double Red(double r, double g, double b) { return std::max(0.0, (r - g - b) * 320.0); }
bool SaturatedRed(double r, double g, double b) {
  const double sum = r + g + b;
  return sum > 0 && r / sum >= 0.8;
}
double LuminanceOf(double r, double g, double b) { return 0.2126 * r + 0.7152 * g + 0.0722 * b; }

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const double n = static_cast<double>(a.size());
  double ma = 0, mb = 0;
  for (size_t i = 0; i < a.size(); i++) ma += a[i], mb += b[i];
  ma /= n, mb /= n;
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < a.size(); i++) {
    ab += (a[i] - ma) * (b[i] - mb);
    aa += (a[i] - ma) * (a[i] - ma);
    bb += (b[i] - mb) * (b[i] - mb);
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

}  // namespace

double LinearLight(int srgb) { return kLinear.value[srgb & 0xFF]; }

double Luminance(std::uint32_t rgb) {
  return LuminanceOf(LinearLight(rgb >> 16), LinearLight(rgb >> 8), LinearLight(rgb));
}

FlashAnalyser::FlashAnalyser(int frameWidth, int frameHeight, PictureArea area)
    : width_(frameWidth) {
  area.x = std::clamp(area.x, 0, std::max(0, frameWidth - 1));
  area.y = std::clamp(area.y, 0, std::max(0, frameHeight - 1));
  area.width = std::clamp(area.width, 1, frameWidth - area.x);
  area.height = std::clamp(area.height, 1, frameHeight - area.y);
  area_ = area;
  // The picture cut into kBlocks x kBlocks blocks; a region is 2 x 2 of them.
  for (int x = 0; x < area.width; x++) blockColumn_.push_back(x * kBlocks / area.width);
  for (int y = 0; y < area.height; y++) blockRow_.push_back(y * kBlocks / area.height);
  std::vector<int> columnPixels(kBlocks, 0), rowPixels(kBlocks, 0);
  for (int column : blockColumn_) columnPixels[column]++;
  for (int row : blockRow_) rowPixels[row]++;
  for (int by = 0; by + 1 < kBlocks; by++)
    for (int bx = 0; bx + 1 < kBlocks; bx++) {
      Region region;
      region.block = by * kBlocks + bx;
      region.pixels = static_cast<double>(columnPixels[bx] + columnPixels[bx + 1]) *
                      (rowPixels[by] + rowPixels[by + 1]);
      regions_.push_back(region);
    }
  blocks_.assign(static_cast<size_t>(kBlocks) * kBlocks * 3, 0.0);
}

void FlashAnalyser::Add(double seconds, const std::uint32_t* pixels) {
  if (frames_ == 0) first_ = seconds;
  last_ = seconds;
  frames_++;
  std::fill(blocks_.begin(), blocks_.end(), 0.0);
  for (int y = 0; y < area_.height; y++) {
    const std::uint32_t* line = pixels + static_cast<size_t>(area_.y + y) * width_ + area_.x;
    double* row = &blocks_[static_cast<size_t>(blockRow_[y]) * kBlocks * 3];
    for (int x = 0; x < area_.width; x++) {
      const std::uint32_t c = line[x];
      double* block = row + 3 * blockColumn_[x];
      block[0] += kLinear.value[c >> 16 & 0xFF];
      block[1] += kLinear.value[c >> 8 & 0xFF];
      block[2] += kLinear.value[c & 0xFF];
    }
  }
  for (Region& region : regions_) {
    double mean[3];
    for (int k = 0; k < 3; k++) {
      const double* b = &blocks_[static_cast<size_t>(region.block) * 3 + k];
      const size_t down = static_cast<size_t>(kBlocks) * 3;
      mean[k] = (b[0] + b[3] + b[down] + b[down + 3]) / region.pixels;
    }
    const bool saturated = SaturatedRed(mean[0], mean[1], mean[2]);
    Track(region, 0, seconds, LuminanceOf(mean[0], mean[1], mean[2]), saturated);
    Track(region, 1, seconds, Red(mean[0], mean[1], mean[2]), saturated);
  }
}

void FlashAnalyser::Track(Region& region, int kind, double seconds, double value, bool saturated) {
  Swing& s = region.swing[kind];
  // General: 0.1 or more (a hair of rounding allowed); red: more than 20.
  auto big = [kind](double change) { return kind == 0 ? change >= 0.1 - 1e-9 : change > 20; };
  auto count = [&]() {
    if (s.counted) return;
    const bool counts =
        kind == 0 ? std::min(s.from, s.extreme) < 0.80 : s.fromSaturated || s.extremeSaturated;
    if (!counts) return;
    region.times[kind].push_back(seconds);
    s.counted = true;
  };
  auto turn = [&](int direction, double from, bool fromSaturated) {
    s.direction = direction;
    s.from = from, s.fromSaturated = fromSaturated;
    s.extreme = value, s.extremeSaturated = saturated;
    s.counted = false;
    count();
  };
  if (!s.started) {
    s.started = true;
    s.low = s.high = value;
    s.lowSaturated = s.highSaturated = saturated;
    return;
  }
  if (s.direction == 0) {
    if (value < s.low) {
      s.low = value, s.lowSaturated = saturated;
      if (big(s.high - value)) turn(-1, s.high, s.highSaturated);
    } else if (value > s.high) {
      s.high = value, s.highSaturated = saturated;
      if (big(value - s.low)) turn(+1, s.low, s.lowSaturated);
    }
    return;
  }
  const double onward = (value - s.extreme) * s.direction;
  if (onward >= 0) {
    s.extreme = value, s.extremeSaturated = saturated;
    count();  // the darker end may only now have gone below 0.80
  } else if (big(-onward)) {
    turn(-s.direction, s.extreme, s.extremeSaturated);
  }
}

int FlashAnalyser::Worst(int kind) const {
  int worst = 0;
  for (const Region& region : regions_) {
    const std::vector<double>& times = region.times[kind];
    size_t end = 0;
    for (size_t i = 0; i < times.size(); i++) {
      while (end < times.size() && times[end] < times[i] + 1.0 - 1e-9) end++;
      worst = std::max(worst, static_cast<int>(end - i));
    }
  }
  return worst;
}

std::vector<FlashAnalyser::Second> FlashAnalyser::PerSecond() const {
  std::vector<Second> seconds;
  if (frames_ == 0) return seconds;
  const long begin = static_cast<long>(std::floor(first_));
  const long end = static_cast<long>(std::floor(last_));
  seconds.resize(static_cast<size_t>(end - begin + 1));
  for (const Region& region : regions_)
    for (int kind = 0; kind < 2; kind++) {
      std::vector<int> counts(seconds.size(), 0);
      for (double t : region.times[kind]) counts[static_cast<size_t>(std::floor(t) - begin)]++;
      for (size_t i = 0; i < seconds.size(); i++) {
        int& most = kind == 0 ? seconds[i].general : seconds[i].red;
        double& mean = kind == 0 ? seconds[i].generalMean : seconds[i].redMean;
        most = std::max(most, counts[i]);
        mean += counts[i] / static_cast<double>(regions_.size());
      }
    }
  return seconds;
}

std::string FlashAnalyser::Describe() const {
  std::ostringstream out;
  out << "over " << frames_ << " frames and " << regions_.size()
      << " regions, the most transitions in one second: general " << WorstGeneral() << ", red "
      << WorstRed() << " (at most " << kMostTransitions
      << " pass); per whole second (worst region):";
  for (const Second& second : PerSecond()) out << " " << second.general << "/" << second.red;
  return out.str();
}

LikenessCheck::LikenessCheck(int frameWidth, int frameHeight, PictureArea area,
                             const std::vector<std::vector<std::uint32_t>>& pictures,
                             double showStart)
    : frameWidth_(frameWidth), frameHeight_(frameHeight), area_(area), showStart_(showStart) {
  const size_t pixels = static_cast<size_t>(kPictureWidth) * kPictureHeight;
  for (int p = 0; p < 3; p++) {
    pictureLuminance_[p].assign(pixels, 0.0);
    if (p < static_cast<int>(pictures.size()) && pictures[p].size() >= pixels)
      for (size_t i = 0; i < pixels; i++) pictureLuminance_[p][i] = Luminance(pictures[p][i]);
  }
  for (int y = 0; y < kPictureHeight; y++)
    for (int x = 0; x < kPictureWidth; x++) {
      const int fx = std::clamp(area.x + static_cast<int>((x + 0.5) * area.width / kPictureWidth),
                                0, frameWidth - 1);
      const int fy = std::clamp(area.y + static_cast<int>((y + 0.5) * area.height / kPictureHeight),
                                0, frameHeight - 1);
      sampleAt_.push_back(fy * frameWidth + fx);
    }
  held_.assign(pixels * 3, 0.0);
  sum_.assign(pixels * 3, 0.0);
}

void LikenessCheck::Add(double seconds, const std::uint32_t* pixels) {
  if (holding_) Spread(heldSince_, seconds);
  for (size_t i = 0; i < sampleAt_.size(); i++) {
    const std::uint32_t c = pixels[sampleAt_[i]];
    held_[3 * i] = LinearLight(c >> 16);
    held_[3 * i + 1] = LinearLight(c >> 8);
    held_[3 * i + 2] = LinearLight(c);
  }
  holding_ = true;
  heldSince_ = seconds;
}

void LikenessCheck::End(double seconds) {
  if (holding_) Spread(heldSince_, seconds);
  holding_ = false;
  Close();
  second_ = -1;
}

namespace {

// The mean and standard deviation of relative luminances, as sRGB levels.
struct Look {
  double level = 0, spread = 0;
};
Look LookOf(const std::vector<double>& luminance) {
  Look look;
  double squares = 0;
  for (double y : luminance) {
    const double v = 255.0 * (y <= 0.0031308 ? y * 12.92 : 1.055 * std::pow(y, 1 / 2.4) - 0.055);
    look.level += v;
    squares += v * v;
  }
  const double n = static_cast<double>(luminance.size());
  look.level /= n;
  look.spread = std::sqrt(std::max(0.0, squares / n - look.level * look.level));
  return look;
}

int ShownIn(long second) { return second < 4 ? 0 : second < 8 ? 1 : 2; }

// Where the judged part of a second starts: after the allowance in a second whose picture changes.
double JudgedFrom(long second) {
  return second > 0 && ShownIn(second) != ShownIn(second - 1) ? LikenessCheck::kChangeAllowance
                                                              : 0.0;
}

}  // namespace

void LikenessCheck::Spread(double from, double to) {
  double a = std::max(0.0, from - showStart_);
  const double b = to - showStart_;
  while (a < b) {
    const long second = static_cast<long>(std::floor(a));
    if (second != second_) {
      Close();
      second_ = second;
      covered_ = 0;
      std::fill(sum_.begin(), sum_.end(), 0.0);
    }
    const double until = std::min(b, static_cast<double>(second + 1));
    const double judgedFrom = second + JudgedFrom(second);
    const double weight = until - std::max(a, judgedFrom);
    if (weight > 0) {
      for (size_t i = 0; i < sum_.size(); i++) sum_[i] += held_[i] * weight;
      covered_ += weight;
    }
    a = until;
  }
}

void LikenessCheck::Close() {
  if (second_ < 0 || covered_ < 1.0 - JudgedFrom(second_) - 1e-6) return;
  std::vector<double> mean(sampleAt_.size());
  for (size_t i = 0; i < mean.size(); i++)
    mean[i] = LuminanceOf(sum_[3 * i], sum_[3 * i + 1], sum_[3 * i + 2]) / covered_;
  Second second;
  second.second = second_;
  second.shown = ShownIn(second_);
  second.from = JudgedFrom(second_);
  for (int p = 0; p < 3; p++) second.correlation[p] = Correlation(mean, pictureLuminance_[p]);
  const Look shown = LookOf(mean), picture = LookOf(pictureLuminance_[second.shown]);
  second.contrast = picture.spread > 0 ? shown.spread / picture.spread : 1.0;
  second.level = shown.level - picture.level;
  seconds_.push_back(second);
  covered_ = 0;
}

bool LikenessCheck::Second::Holds() const {
  for (int p = 0; p < 3; p++)
    if (p != shown && correlation[p] >= correlation[shown]) return false;
  if (correlation[shown] < 0.8) return false;
  const bool steady = second > 0 && from == 0;
  return !steady || (contrast >= kLeastContrast && std::fabs(level) <= kMostLevelShift);
}

bool LikenessCheck::Holds() const {
  if (seconds_.empty()) return false;
  for (const Second& second : seconds_)
    if (!second.Holds()) return false;
  return true;
}

std::string LikenessCheck::Describe() const {
  std::ostringstream out;
  out.precision(3);
  out << "correlation with pictures 1, 2, 3 per second:";
  for (const Second& second : seconds_) {
    out << " [" << second.second + second.from << ": " << second.correlation[0] << " "
        << second.correlation[1] << " " << second.correlation[2] << ", contrast "
        << second.contrast << ", level " << second.level << (second.Holds() ? "" : " FAILS")
        << "]";
  }
  return out.str();
}

bool ReadPicture(const std::string& path, std::vector<std::uint32_t>* pixels) {
  const size_t count =
      static_cast<size_t>(LikenessCheck::kPictureWidth) * LikenessCheck::kPictureHeight;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<unsigned char> bytes(count * 4);
  const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  if (read != bytes.size()) return false;
  pixels->resize(count);
  for (size_t i = 0; i < count; i++)
    (*pixels)[i] =
        bytes[4 * i] | bytes[4 * i + 1] << 8 | static_cast<std::uint32_t>(bytes[4 * i + 2]) << 16;
  return true;
}
