// Counts flashes on a sequence of frames the way a person sensitive to flashing light would be
// affected by them, after the WCAG 2.3.1 "three flashes or below threshold" definitions, and
// checks that each second still shows the picture the show is strobing.
//
// The choices this analyser makes where the definitions leave room:
// - The picture is taken as filling the screen. A region is a quarter of a 10-degree visual
//   field: a sixth of the picture's width by a sixth of its height (WCAG's 10-degree field is
//   341x256 on a 1024x768 screen, a third by a third). Regions are slid over the picture in
//   steps of half a region: the picture is cut into 12 x 12 blocks, and each region is 2 x 2
//   of them (121 regions).
// - A region's state at a frame is the average of its pixels' linear R, G and B (sRGB
//   linearised); its relative luminance is 0.2126 R + 0.7152 G + 0.0722 B of that average, its
//   red 320 (R - G - B) (negative as 0), and it is saturated red when R / (R + G + B) >= 0.8.
// - A general transition is a swing of relative luminance by 0.1 or more between a local
//   minimum and maximum where the darker of the two is below 0.80. It is counted at the frame
//   where the value has come 0.1 back from the last extreme (hysteresis: smaller wiggles never
//   count), or, if the darker state only later drops below 0.80 in the same swing, there.
// - A red transition is a swing of red by more than 20 where either end of the swing is
//   saturated red, counted the same way.
// - A flash is a pair of opposing transitions. A region fails when more than 6 transitions of
//   either kind (more than three flashes) fall in any one second, [t, t + 1).
// - Likeness: for each whole second, the time-weighted mean of the frames (linear light) is
//   sampled at the centre of each of the picture's pixels; the Pearson correlation of its
//   relative luminance with each picture's must be at least 0.8 for the picture being shown,
//   and higher than for the other two. The show strobes picture 1 until 4 s, picture 2 until
//   8 s and picture 3 after. A change may take half a second to appear, so the seconds in
//   which the picture changes (4 and 8) are judged from their half second on. Each steady
//   second (not the first, which holds the show's black start, nor one whose picture changes)
//   must also keep the picture's look: measured in sRGB levels of relative luminance (0..255),
//   its standard deviation at least 90% of the picture's, and its mean within 10 of the
//   picture's.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Where the picture lies in a frame, in frame pixels.
struct PictureArea {
  int x = 0, y = 0, width = 0, height = 0;
};

// Relative luminance of a 0x00RRGGBB sRGB pixel, and the linear light of an 8-bit sRGB value.
double Luminance(std::uint32_t rgb);
double LinearLight(int srgb);

// Transitions counted per region; frames are 0x00RRGGBB, row by row, frameWidth apart.
class FlashAnalyser {
 public:
  FlashAnalyser(int frameWidth, int frameHeight, PictureArea area);
  // The frame shown from seconds on (times must not go back).
  void Add(double seconds, const std::uint32_t* pixels);

  struct Second {
    int general = 0;  // the most general transitions of any region in this whole second
    int red = 0;
    double generalMean = 0;  // the mean over the regions
    double redMean = 0;
  };
  // Per whole second from the first frame's second to the last frame's.
  std::vector<Second> PerSecond() const;
  // The most transitions of any region in any one second, [t, t + 1).
  int WorstGeneral() const { return Worst(0); }
  int WorstRed() const { return Worst(1); }
  static const int kMostTransitions = 6;
  bool Passes() const {
    return WorstGeneral() <= kMostTransitions && WorstRed() <= kMostTransitions;
  }
  int Regions() const { return static_cast<int>(regions_.size()); }
  int Frames() const { return frames_; }
  // One line for a failure's message: the worst counts, and where and when.
  std::string Describe() const;

 private:
  struct Swing {
    bool started = false;
    int direction = 0;         // +1 rising, -1 falling, 0 not yet moved
    double low = 0, high = 0;  // before the first move: the extremes so far
    bool lowSaturated = false, highSaturated = false;
    double extreme = 0;  // the running extreme of the current swing
    bool extremeSaturated = false;
    double from = 0;  // the extreme the current swing started from
    bool fromSaturated = false;
    bool counted = false;  // the current swing has been counted
  };
  static const int kBlocks = 12;
  struct Region {
    int block;       // its top left block
    double pixels;   // how many it covers
    Swing swing[2];  // general, red
    std::vector<double> times[2];
  };
  void Track(Region& region, int kind, double seconds, double value, bool saturated);
  int Worst(int kind) const;
  int width_;
  PictureArea area_;
  std::vector<int> blockColumn_, blockRow_;  // of each pixel of the area
  std::vector<Region> regions_;
  std::vector<double> blocks_;  // each block's summed linear R, G, B in the frame being added
  int frames_ = 0;
  double first_ = 0, last_ = 0;
};

// The mean frame of each whole second beside the three pictures.
class LikenessCheck {
 public:
  // pictures: the show's three 320x240 pictures, 0x00RRGGBB (the extra byte ignored). Seconds
  // count from showStart, the time of the show's first frame.
  LikenessCheck(int frameWidth, int frameHeight, PictureArea area,
                const std::vector<std::vector<std::uint32_t>>& pictures, double showStart = 0);
  // The frame shown from seconds on, until the next one or the end.
  void Add(double seconds, const std::uint32_t* pixels);
  void End(double seconds);

  struct Second {
    long second;            // from the show's start
    int shown;              // 0, 1 or 2: the picture the show strobes in this second
    double from;            // the part of the second judged, from this many seconds in
    double correlation[3];  // with each picture
    double contrast;        // standard deviation of levels, as a share of the shown picture's
    double level;           // mean level less the shown picture's
    // >= 0.8 with the shown one and higher than with the others; in a steady second, the look
    // kept too.
    bool Holds() const;
  };
  // Every whole second that the frames cover completely.
  const std::vector<Second>& PerSecond() const { return seconds_; }
  bool Holds() const;
  std::string Describe() const;
  static constexpr double kChangeAllowance = 0.5;  // seconds a change may take to appear
  static constexpr double kLeastContrast = 0.9;
  static constexpr double kMostLevelShift = 10;
  static const int kPictureWidth = 320;
  static const int kPictureHeight = 240;

 private:
  void Spread(double from, double to);
  void Close();
  int frameWidth_, frameHeight_;
  PictureArea area_;
  double showStart_;
  std::vector<double> pictureLuminance_[3];
  std::vector<int> sampleAt_;  // frame pixel index of each picture pixel
  std::vector<double> held_;   // linear R, G, B of the held frame at each sample
  bool holding_ = false;
  double heldSince_ = 0;
  long second_ = -1;  // the whole second being summed, -1 before the first
  double covered_ = 0;
  std::vector<double> sum_;  // linear R, G, B times seconds
  std::vector<Second> seconds_;
};

// Reads one of the show's 320x240 raw pictures (4 bytes a pixel, blue first); false if it
// can't be read whole.
bool ReadPicture(const std::string& path, std::vector<std::uint32_t>* pixels);
