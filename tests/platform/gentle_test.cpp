// Gentle viewing at the picture: the filter's output, presented at a steady 60 Hz with a jitter,
// counted by the flash analyser. The strobe, and hard cases that any picture could be, stay
// under three flashes a second in every region; the show's strobe still looks like its
// pictures; and the analyser itself catches the filters that would be wrong.
#include "platform/host/gentle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "platform/gentleddraw/gentle_surface.h"
#include "tests/support/flash_analyser.h"
#include "tools/pictures.h"

namespace {

using platform::host::PixelLayout;

const int kWidth = 320;
const int kHeight = 240;
const size_t kPixels = static_cast<size_t>(kWidth) * kHeight;
typedef std::vector<std::uint32_t> Frame;

// The picture presented at now, and the screen drawn at once.
bool GentleFrame(const platform::host::Picture& picture, std::uint32_t now, Frame* shown) {
  if (!platform::host::GentleTake(picture, now)) return false;
  platform::host::GentleDraw(now, reinterpret_cast<std::uint8_t*>(shown->data()), kWidth * 4);
  return true;
}

Frame Solid(std::uint32_t colour) { return Frame(kPixels, colour); }

Frame HalfAndHalf(std::uint32_t left, std::uint32_t right) {
  Frame frame(kPixels);
  for (size_t i = 0; i < kPixels; i++) frame[i] = i % kWidth < kWidth / 2 ? left : right;
  return frame;
}

const std::vector<Frame>& OurPictures() {
  static const std::vector<Frame> pictures = {DrawPicture(1), DrawPicture(2), DrawPicture(3)};
  return pictures;
}

// What the show presents at show time ms: black for its first phase, then white and the picture
// of the moment in turn, each phase a little over 50 ms (the next 60 Hz pass after it).
typedef std::function<const Frame*(std::uint32_t ms, int phase)> Source;

// Turns what was presented into what the screen shows.
typedef std::function<void(const Frame& presented, bool same, std::uint32_t now, Frame* shown)>
    Filter;

void Gentle(const Frame& presented, bool same, std::uint32_t now, Frame* shown) {
  platform::host::Picture picture{reinterpret_cast<const std::uint8_t*>(presented.data()),
                                  kWidth * 4,
                                  kWidth,
                                  kHeight,
                                  PixelLayout::kXRGB32,
                                  same};
  ASSERT_TRUE(GentleFrame(picture, now, shown));
}

struct Watched {
  FlashAnalyser flashes{kWidth, kHeight, PictureArea{0, 0, kWidth, kHeight}};
  LikenessCheck likeness{kWidth, kHeight, PictureArea{0, 0, kWidth, kHeight}, OurPictures()};
  bool forLikeness = false;  // only the show's own pictures need it
};

// Strobes between first and second (or the show's pictures) for seconds, presenting at 60 Hz
// with up to 8 ms of jitter from a clock that starts at start, and analyses what is shown.
void Strobe(const Frame* first, const Frame* second, const Filter& filter, double seconds,
            Watched* run, std::uint32_t phaseMs = 50, std::uint32_t start = 12345) {
  platform::host::ResetGentle();
  std::mt19937 random(7);
  Frame black = Solid(0), white = Solid(0xFFFFFF), shown(kPixels);
  const Frame* last = nullptr;
  std::uint32_t lastChange = 0;
  bool whiteNext = true;
  const Frame* current = &black;
  const Frame* strobeWith = second ? second : &white;
  for (std::uint32_t ms = 0; ms < seconds * 1000; ms += 12 + random() % 9) {
    if (ms - lastChange > phaseMs) {
      const Frame* picture = first ? first : &OurPictures()[ms < 4000 ? 0 : ms < 8000 ? 1 : 2];
      current = whiteNext ? strobeWith : picture;
      whiteNext = !whiteNext;
      lastChange = ms;
    }
    filter(*current, current == last, start + ms, &shown);
    last = current;
    run->flashes.Add(ms / 1000.0, shown.data());
    if (run->forLikeness) run->likeness.Add(ms / 1000.0, shown.data());
  }
  if (run->forLikeness) run->likeness.End(seconds);
}

// Hard cases: each pair alternates, in phases a little over 50 ms as the show's do, or slower:
// slow enough to keep ahead of a filter whose averages are too short.
struct HardCase {
  const char* name;
  Frame a, b;
  std::uint32_t phaseMs = 50;
};

std::vector<HardCase> HardCases() {
  return {{"BlackAndWhite", Solid(0), Solid(0xFFFFFF)},
          {"SaturatedRedAndBlack", Solid(0xFF0000), Solid(0)},
          {"AllWhite", Solid(0xFFFFFF), Solid(0xFFFFFF)},
          {"HalfWhiteHalfBlackAndItsMirror", HalfAndHalf(0xFFFFFF, 0), HalfAndHalf(0, 0xFFFFFF)},
          {"SaturatedRedAndWhite", Solid(0xFF0000), Solid(0xFFFFFF)},
          {"BlackAndWhiteSlowly", Solid(0), Solid(0xFFFFFF), 140},
          {"RedAndBlackSlowly", Solid(0xFF0000), Solid(0), 140}};
}

TEST(GentleTest, TheShowsStrobeStaysUnderThreeFlashesAndStillShowsItsPictures) {
  Watched run;
  run.forLikeness = true;
  Strobe(nullptr, nullptr, Gentle, 12.0, &run);
  EXPECT_TRUE(run.flashes.Passes()) << run.flashes.Describe();
  EXPECT_EQ(12u, run.likeness.PerSecond().size());
  EXPECT_TRUE(run.likeness.Holds()) << run.likeness.Describe();
}

TEST(GentleTest, HardCasesStayUnderThreeFlashesInEveryRegion) {
  for (const HardCase& hard : HardCases()) {
    Watched run;
    Strobe(&hard.a, &hard.b, Gentle, 3.0, &run, hard.phaseMs);
    EXPECT_TRUE(run.flashes.Passes()) << hard.name << ": " << run.flashes.Describe();
  }
}

// A present that comes late, after the window was away for seconds, and a clock that wraps.
TEST(GentleTest, LatePresentsAndAWrappingClockKeepTheLimit) {
  Watched run;
  Frame white = Solid(0xFFFFFF), black = Solid(0);
  platform::host::ResetGentle();
  Frame shown(kPixels);
  const std::uint32_t start = 0xFFFFFFFFu - 1500;
  std::uint32_t ms = 0;
  for (int i = 0; i < 400; i++) {
    const Frame& picture = i % 2 ? white : black;
    Gentle(picture, false, start + ms, &shown);
    run.flashes.Add(ms / 1000.0, shown.data());
    ms += i % 50 == 49 ? 1700 : 17 + i % 5;
  }
  EXPECT_TRUE(run.flashes.Passes()) << run.flashes.Describe();
}

// At rest, the screen shows the picture's own colours, from each layout the screen takes.
TEST(GentleTest, AtRestEveryLayoutShowsThePicturesColours) {
  struct Layout {
    PixelLayout layout;
    int bytes;
    std::vector<std::uint8_t> red, green;  // memory order
  };
  const Layout layouts[] = {
      {PixelLayout::kXRGB32, 4, {0, 0, 0xFF, 0}, {0, 0xFF, 0, 0}},
      {PixelLayout::kXBGR32, 4, {0xFF, 0, 0, 0}, {0, 0xFF, 0, 0}},
      {PixelLayout::kRGB24, 3, {0, 0, 0xFF}, {0, 0xFF, 0}},
      {PixelLayout::kBGR24, 3, {0xFF, 0, 0}, {0, 0xFF, 0}},
      {PixelLayout::kRGB565, 2, {0x00, 0xF8}, {0xE0, 0x07}},
      {PixelLayout::kBGR565, 2, {0x1F, 0x00}, {0xE0, 0x07}},
      {PixelLayout::kRGB555, 2, {0x00, 0x7C}, {0xE0, 0x03}},
  };
  for (const Layout& layout : layouts) {
    platform::host::ResetGentle();
    const int pitch = kWidth * layout.bytes + 8;  // rows wider than the picture
    std::vector<std::uint8_t> bytes(static_cast<size_t>(pitch) * kHeight, 0xAB);
    for (int y = 0; y < kHeight; y++)
      for (int x = 0; x < kWidth; x++)
        std::memcpy(&bytes[static_cast<size_t>(y) * pitch + x * layout.bytes],
                    (x < kWidth / 2 ? layout.red : layout.green).data(), layout.bytes);
    platform::host::Picture picture{bytes.data(), pitch, kWidth, kHeight, layout.layout, false};
    Frame shown(kPixels, 0x12345678);
    for (std::uint32_t ms = 0; ms <= 3 * platform::host::kGentleKnotMs; ms += 50) {
      ASSERT_TRUE(GentleFrame(picture, 100 + ms, &shown));
      if (ms == 0) {
        EXPECT_EQ(0u, shown[0]) << "starts from black";
      }
      picture.sameAsLast = true;
    }
    EXPECT_EQ(0xFF0000u, shown[0]) << static_cast<int>(layout.layout);
    EXPECT_EQ(0x00FF00u, shown[kPixels - 1]) << static_cast<int>(layout.layout);
  }
  // Every value of every channel comes through linear light and back unchanged.
  Frame every(kPixels), shown(kPixels);
  for (size_t i = 0; i < kPixels; i++)
    every[i] = static_cast<std::uint32_t>((i & 0xFF) << 16 | ((i * 7 + 3) & 0xFF) << 8 |
                                          ((i * 13 + 5) & 0xFF));
  platform::host::ResetGentle();
  platform::host::Picture picture{reinterpret_cast<const std::uint8_t*>(every.data()),
                                  kWidth * 4,
                                  kWidth,
                                  kHeight,
                                  PixelLayout::kXRGB32,
                                  false};
  for (std::uint32_t ms = 0; ms <= 3 * platform::host::kGentleKnotMs; ms += 50) {
    ASSERT_TRUE(GentleFrame(picture, ms, &shown));
    picture.sameAsLast = true;
  }
  EXPECT_EQ(every, shown);
}

// The analyser has teeth: the wrong filters fail it. The screen showing what was presented
// flashes; one showing only black shows nothing of the show; an average over too short a time
// still flashes.
TEST(GentleTest, TheAnalyserCatchesWrongFilters) {
  Filter passThrough = [](const Frame& presented, bool, std::uint32_t, Frame* shown) {
    *shown = presented;
  };
  Filter black = [](const Frame&, bool, std::uint32_t, Frame* shown) {
    std::fill(shown->begin(), shown->end(), 0u);
  };
  // The mean of what was presented over the last 40 ms, in linear light (of solid pictures).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> recent;
  Filter shortAverage = [&recent](const Frame& presented, bool, std::uint32_t now, Frame* shown) {
    recent.emplace_back(now, presented[0]);
    while (now - recent.front().first > 40) recent.erase(recent.begin());
    std::uint32_t pixel = 0;
    for (int k = 0; k < 3; k++) {
      double sum = 0;
      for (const auto& colour : recent) sum += LinearLight(colour.second >> (8 * k));
      int v = 0;
      while (v < 255 && LinearLight(v + 1) <= sum / recent.size()) v++;
      pixel |= static_cast<std::uint32_t>(v) << (8 * k);
    }
    std::fill(shown->begin(), shown->end(), pixel);
  };
  Watched strobed, blackened, shortened;
  Strobe(nullptr, nullptr, passThrough, 6.0, &strobed);
  EXPECT_FALSE(strobed.flashes.Passes()) << strobed.flashes.Describe();
  EXPECT_GT(strobed.flashes.WorstGeneral(), 12);
  EXPECT_GT(strobed.flashes.WorstRed(), 12);
  blackened.forLikeness = true;
  Strobe(nullptr, nullptr, black, 6.0, &blackened);
  EXPECT_TRUE(blackened.flashes.Passes());
  EXPECT_EQ(6u, blackened.likeness.PerSecond().size());
  EXPECT_FALSE(blackened.likeness.Holds()) << blackened.likeness.Describe();
  Frame red = Solid(0xFF0000), none = Solid(0);
  Strobe(&red, &none, shortAverage, 3.0, &shortened);
  EXPECT_FALSE(shortened.flashes.Passes()) << shortened.flashes.Describe();
}

// The switch fails closed: only a plain no leaves the flashing show, and only a value that is
// neither plainly yes nor plainly no is named.
TEST(GentleTest, TheSwitchFailsClosed) {
  using platform::host::GentleAsked;
  const struct {
    const char* value;
    GentleAsked asked;
    bool named;
  } values[] = {
      {nullptr, GentleAsked::kNotSaid, false}, {"", GentleAsked::kNo, false},
      {"0", GentleAsked::kNo, false},          {"No", GentleAsked::kNo, false},
      {"FALSE", GentleAsked::kNo, false},      {"off", GentleAsked::kNo, false},
      {"1", GentleAsked::kYes, false},         {"yes", GentleAsked::kYes, false},
      {"Y", GentleAsked::kYes, false},         {"True", GentleAsked::kYes, false},
      {"ON", GentleAsked::kYes, false},        {"2", GentleAsked::kYes, true},
      {"nope", GentleAsked::kYes, true},       {" 0", GentleAsked::kYes, true},
      {"off please", GentleAsked::kYes, true}, {"noooooooo", GentleAsked::kYes, true},
  };
  for (const auto& row : values) {
    ::testing::internal::CaptureStderr();
    const GentleAsked asked = platform::host::GentleAskedBy(row.value);
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string name = row.value ? row.value : "(unset)";
    EXPECT_EQ(row.asked, asked) << name;
    EXPECT_EQ(row.named, said.find("QUENTHOR_DISPLAY_GENTLE=" + name) != std::string::npos)
        << name << ": " << said;
  }
}

// The analyser counts after the definitions: strobes shown as they are, each a general flash, a
// red flash, both or neither.
TEST(GentleTest, TheAnalyserCountsAfterTheDefinitions) {
  struct Verdict {
    const char* name;
    std::uint32_t a, b;
    bool general, red;  // fails for too many flashes of this kind
  };
  const Verdict verdicts[] = {
      {"WhiteAndBlack", 0xFFFFFF, 0, true, false},
      {"WhiteAndLightGrey", 0xFFFFFF, 0xF0F0F0, false, false},  // the darker state above 0.80
      {"RedAndBlack", 0xFF0000, 0, true, true},
      {"DarkRedAndBlack", 0x200000, 0, false, false},  // too little red, too little light
      {"BlueAndBlack", 0x0000FF, 0, false, false},     // blue has little luminance, no red
      {"RedAndWhite", 0xFF0000, 0xFFFFFF, true, true},
      {"PinkAndBlack", 0xFF8080, 0, true, false},  // red, but not saturated red
  };
  Filter passThrough = [](const Frame& presented, bool, std::uint32_t, Frame* shown) {
    *shown = presented;
  };
  for (const Verdict& verdict : verdicts) {
    Frame a = Solid(verdict.a), b = Solid(verdict.b);
    Watched run;
    Strobe(&a, &b, passThrough, 2.0, &run);
    EXPECT_EQ(verdict.general, run.flashes.WorstGeneral() > FlashAnalyser::kMostTransitions)
        << verdict.name << ": " << run.flashes.Describe();
    EXPECT_EQ(verdict.red, run.flashes.WorstRed() > FlashAnalyser::kMostTransitions)
        << verdict.name << ": " << run.flashes.Describe();
  }
}

// The Windows package's ddraw.dll at each flip, over a surface of every layout the show draws:
// the first flip shows the filter's start, not the show's picture; a picture held still comes
// to rest as exactly what the show drew, byte for byte in the surface's own layout, with the
// bytes past each row untouched; a layout the show doesn't draw is cleared to black.
TEST(GentleTest, TheWindowsFlipRestsOnThePictureInEverySurfaceLayout) {
  struct Format {
    const char* name;
    std::uint32_t bits, red, green, blue;
  };
  const Format formats[] = {
      {"xrgb32", 32, 0xFF0000, 0xFF00, 0xFF}, {"xbgr32", 32, 0xFF, 0xFF00, 0xFF0000},
      {"rgb24", 24, 0xFF0000, 0xFF00, 0xFF},  {"bgr24", 24, 0xFF, 0xFF00, 0xFF0000},
      {"rgb565", 16, 0xF800, 0x7E0, 0x1F},    {"bgr565", 16, 0x1F, 0x7E0, 0xF800},
      {"rgb555", 16, 0x7C00, 0x3E0, 0x1F},
  };
  // The unused byte of a 32-bit pixel is whatever the converter copies: the filter writes 0.
  Frame picture = OurPictures()[1];
  for (std::uint32_t& pixel : picture) pixel &= 0xFFFFFF;
  for (const Format& format : formats) {
    SCOPED_TRACE(format.name);
    const int rowBytes = kWidth * static_cast<int>(format.bits / 8);
    const int pitch = rowBytes + 12;
    std::vector<std::uint8_t> drawn(static_cast<size_t>(pitch) * kHeight, 0xAB);
    RowConverter converter = SelectRowConverter(format.bits, format.red, format.green, format.blue);
    for (int y = 0; converter && y < kHeight; y++)
      converter(picture.data() + y * kWidth, drawn.data() + y * pitch, kWidth);
    std::vector<std::uint8_t> surface;
    using platform::gentleddraw::GentleSurface;
    platform::gentleddraw::ForgetGentleSurface();
    int replaced = 0;
    for (std::uint32_t now = 5000; now <= 6500; now += 16) {
      surface = drawn;  // the show draws its picture anew before each flip
      platform::gentleddraw::LockedSurface locked{surface.data(), pitch,       kWidth,
                                                  kHeight,        format.bits, format.red,
                                                  format.green,   format.blue};
      replaced += GentleSurface(locked, now);
      if (now == 5000 && converter) {
        EXPECT_NE(surface, drawn) << "the first flip showed the show's own picture";
      }
    }
    if (!converter) {
      EXPECT_EQ(replaced, 0);
      for (int y = 0; y < kHeight; y++) {
        EXPECT_EQ(std::vector<std::uint8_t>(rowBytes, 0),
                  std::vector<std::uint8_t>(surface.begin() + y * pitch,
                                            surface.begin() + y * pitch + rowBytes));
      }
      continue;
    }
    EXPECT_EQ(replaced, (6500 - 5000) / 16 + 1);
    EXPECT_TRUE(surface == drawn) << "at rest the surface isn't the picture the show drew";
  }
  platform::gentleddraw::ForgetGentleSurface();
}

}  // namespace
