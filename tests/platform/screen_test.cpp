// The emulated screen: every layout the show converts to reads back as the colours written, on
// the emulated screen and in the real window; the two refusal layouts; the placing of the
// picture; and the layout a person picks by name.
#include "platform/host/screen.h"
#include "tests/platform/display_fixture.h"

namespace displaytest {
namespace {

using platform::ddraw::ScreenLayout;

struct LayoutCase {
  ScreenLayout layout;
  DWORD depth;
  // Red, green, blue and white, as the layout's bytes in memory order, written by hand.
  std::vector<std::vector<std::uint8_t>> colours;
};

void PrintTo(const LayoutCase& layoutCase, std::ostream* out) {
  *out << platform::ScreenLayoutName(layoutCase.layout);
}

const std::uint32_t kExpected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

const LayoutCase kCases[] = {
    {ScreenLayout::kXRGB32, 32, {{0, 0, 0xFF, 0}, {0, 0xFF, 0, 0}, {0xFF, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}}},
    {ScreenLayout::kXBGR32, 32, {{0xFF, 0, 0, 0}, {0, 0xFF, 0, 0}, {0, 0, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0}}},
    {ScreenLayout::kRGB24, 24, {{0, 0, 0xFF}, {0, 0xFF, 0}, {0xFF, 0, 0}, {0xFF, 0xFF, 0xFF}}},
    {ScreenLayout::kBGR24, 24, {{0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}, {0xFF, 0xFF, 0xFF}}},
    {ScreenLayout::kRGB565, 16, {{0x00, 0xF8}, {0xE0, 0x07}, {0x1F, 0x00}, {0xFF, 0xFF}}},
    {ScreenLayout::kBGR565, 16, {{0x1F, 0x00}, {0xE0, 0x07}, {0x00, 0xF8}, {0xFF, 0xFF}}},
};

class LayoutTest : public StandInsTest, public ::testing::WithParamInterface<LayoutCase> {
 protected:
  // Only this layout's depth is accepted, so the show's ladder would land on it.
  void UseOnly(const LayoutCase& layoutCase) {
    platform::ddraw::DisplayProfile profile;
    profile.accepts32 = layoutCase.depth == 32;
    profile.accepts24 = layoutCase.depth == 24;
    profile.accepts16 = layoutCase.depth == 16;
    profile.layout32 = profile.layout24 = profile.layout16 = layoutCase.layout;
    platform::SetDisplayProfile(profile);
    platform::DisplayFaults faults;
    faults.extraPitchBytes = 8;
    platform::SetDisplayFaults(faults);
  }

  // Quadrants: red top left, green top right, blue bottom left, white bottom right.
  static int Quadrant(int x, int y) { return (y >= 120 ? 2 : 0) + (x >= 160 ? 1 : 0); }
};

TEST_P(LayoutTest, TheScreenAndTheWindowShowTheColoursWritten) {
  const LayoutCase& layoutCase = GetParam();
  UseOnly(layoutCase);
  OpenShow(layoutCase.depth, 2);
  DDPIXELFORMAT format = PrimaryFormat();
  EXPECT_EQ(layoutCase.depth, format.dwRGBBitCount);

  platform::CaptureWindowFrames(true);
  DDSURFACEDESC lock = LockBack();
  const size_t bytes = layoutCase.colours[0].size();
  for (int y = 0; y < 240; y++) {
    std::uint8_t* row = static_cast<std::uint8_t*>(lock.lpSurface) + y * lock.lPitch;
    for (int x = 0; x < 320; x++)
      std::memcpy(row + x * bytes, layoutCase.colours[Quadrant(x, y)].data(), bytes);
  }
  back->Unlock(lock.lpSurface);
  ASSERT_EQ(DD_OK, primary->Flip(nullptr, DDFLIP_WAIT));

  EXPECT_EQ(layoutCase.layout, platform::ScreenPictureLayout());
  ASSERT_EQ(320, platform::ScreenWidth());
  ASSERT_EQ(240, platform::ScreenHeight());
  for (int y : {0, 119, 120, 239})
    for (int x : {0, 159, 160, 319})
      EXPECT_EQ(kExpected[Quadrant(x, y)], platform::ScreenPixel(x, y)) << x << "," << y;

  // The window: whole-number scale, centred, black around, the same colours.
  platform::WindowCapture capture = platform::LastWindowCapture();
  ASSERT_EQ(1, capture.count);
  ASSERT_GE(capture.width, 320);
  ASSERT_GE(capture.height, 240);
  const int scale = std::min(capture.width / 320, capture.height / 240);
  const int left = (capture.width - 320 * scale) / 2;
  const int top = (capture.height - 240 * scale) / 2;
  auto windowPixel = [&](int x, int y) {
    return capture.pixels[static_cast<size_t>(y) * capture.width + x] & 0xFFFFFF;
  };
  for (int y : {0, 119, 120, 239})
    for (int x : {0, 159, 160, 319})
      for (int corner = 0; corner < 2; corner++) {
        const int offset = corner * (scale - 1);  // first and last window pixel of the pixel
        EXPECT_EQ(kExpected[Quadrant(x, y)],
                  windowPixel(left + x * scale + offset, top + y * scale + offset))
            << x << "," << y;
      }
  if (left > 0) {
    EXPECT_EQ(0u, windowPixel(left - 1, top));
    EXPECT_EQ(0u, windowPixel(left + 320 * scale, top + 240 * scale - 1));
  }
  if (top > 0) {
    EXPECT_EQ(0u, windowPixel(left, top - 1));
  }
}

INSTANTIATE_TEST_SUITE_P(SixLayouts, LayoutTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return std::string(platform::ScreenLayoutName(info.param.layout));
                         });

class ScreenTest : public StandInsTest {};

// The two layouts the show refuses still report themselves as what they are.
TEST_F(ScreenTest, RefusedLayoutsReportThemselves) {
  platform::ddraw::DisplayProfile profile;
  profile.layout16 = ScreenLayout::kRGB555;
  profile.layout32 = ScreenLayout::kPalette8;
  platform::SetDisplayProfile(profile);

  OpenShow(16, 1);
  DDPIXELFORMAT format = PrimaryFormat();
  EXPECT_EQ(static_cast<DWORD>(DDPF_RGB), format.dwFlags);
  EXPECT_EQ(0x7C00u, format.dwRBitMask);
  EXPECT_EQ(0x03E0u, format.dwGBitMask);
  EXPECT_EQ(0x001Fu, format.dwBBitMask);
  FlipFilled(0x00);
  DDSURFACEDESC lock = LockBack();
  std::uint8_t* pixels = static_cast<std::uint8_t*>(lock.lpSurface);
  pixels[0] = 0x00, pixels[1] = 0x7C;  // red
  pixels[2] = 0xE0, pixels[3] = 0x03;  // green
  back->Unlock(lock.lpSurface);
  primary->Flip(nullptr, DDFLIP_WAIT);
  EXPECT_EQ(0xFF0000u, platform::ScreenPixel(0, 0));
  EXPECT_EQ(0x00FF00u, platform::ScreenPixel(1, 0));

  ASSERT_EQ(DD_OK, display->SetDisplayMode(320, 240, 32));
  primary->Release();
  DDSURFACEDESC description = ChainDescription(1);
  ASSERT_EQ(DD_OK, display->CreateSurface(&description, &primary, nullptr));
  DDSCAPS caps{DDSCAPS_BACKBUFFER};
  ASSERT_EQ(DD_OK, primary->GetAttachedSurface(&caps, &back));
  ASSERT_EQ(DD_OK, primary->GetPixelFormat(&format));
  EXPECT_EQ(0u, format.dwFlags & DDPF_RGB);
  EXPECT_EQ(8u, format.dwRGBBitCount);
  // Palette indices have no picture on the host's screen, and the show never flips them.
  EXPECT_EQ(DDERR_UNSUPPORTED, primary->Flip(nullptr, DDFLIP_WAIT));
  EXPECT_EQ(platform::ddraw::ScreenLayout::kRGB555, platform::ScreenPictureLayout());
}

// The screen (what the flips show) goes on in the desktop's mode while the program is inactive,
// but its window shows nothing of it until the program is active again.
TEST_F(ScreenTest, TheWindowShowsFlipsOnlyWhileTheProgramIsActive) {
  display = CreateDisplay();
  ASSERT_NE(nullptr, display);
  window = MakeWindow();
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE));
  DDSURFACEDESC description = ChainDescription(1);
  ASSERT_EQ(DD_OK, display->CreateSurface(&description, &primary, nullptr));
  DDSCAPS caps{DDSCAPS_BACKBUFFER};
  ASSERT_EQ(DD_OK, primary->GetAttachedSurface(&caps, &back));
  platform::CaptureWindowFrames(true);
  FlipFilled(0x10);
  EXPECT_EQ(1, platform::LastWindowCapture().count);

  platform::InjectActivation(false);
  FlipFilled(0x20);
  EXPECT_EQ(0x202020u, platform::ScreenPixel(0, 0));
  EXPECT_EQ(1, platform::LastWindowCapture().count);

  platform::InjectActivation(true);
  FlipFilled(0x30);
  const platform::WindowCapture capture = platform::LastWindowCapture();
  ASSERT_EQ(2, capture.count);
  ASSERT_FALSE(capture.pixels.empty());
  EXPECT_EQ(0x303030u, capture.pixels[capture.pixels.size() / 2 + capture.width / 2] & 0xFFFFFF);
}

TEST(PicturePlacement, WholeScalesCentred) {
  platform::host::PicturePlace place = platform::host::PlacePicture(320, 240, 1024, 768);
  EXPECT_EQ(32, place.x);
  EXPECT_EQ(24, place.y);
  EXPECT_EQ(960, place.w);
  EXPECT_EQ(720, place.h);
  place = platform::host::PlacePicture(320, 240, 1920, 1080);
  EXPECT_EQ(1280, place.w);
  EXPECT_EQ(320, place.x);
  EXPECT_EQ(60, place.y);
  place = platform::host::PlacePicture(320, 240, 640, 480);
  EXPECT_EQ(0, place.x);
  EXPECT_EQ(640, place.w);
  // A window smaller than the picture shows it unscaled, centred and cut.
  place = platform::host::PlacePicture(320, 240, 300, 200);
  EXPECT_EQ(320, place.w);
  EXPECT_EQ(-10, place.x);
  EXPECT_EQ(-20, place.y);
}

TEST(LayoutNames, APersonPicksTheLayoutTheScreenOffers) {
  platform::ddraw::DisplayProfile profile;
  ASSERT_TRUE(platform::ddraw::ProfileForLayoutName("rgb565", &profile));
  EXPECT_FALSE(profile.accepts32);
  EXPECT_FALSE(profile.accepts24);
  EXPECT_TRUE(profile.accepts16);
  EXPECT_EQ(ScreenLayout::kRGB565, profile.layout16);
  ASSERT_TRUE(platform::ddraw::ProfileForLayoutName("xbgr32", &profile));
  EXPECT_TRUE(profile.accepts32);
  EXPECT_FALSE(profile.accepts16);
  EXPECT_EQ(ScreenLayout::kXBGR32, profile.layout32);
  ASSERT_TRUE(platform::ddraw::ProfileForLayoutName("bgr24", &profile));
  EXPECT_EQ(ScreenLayout::kBGR24, profile.layout24);
  EXPECT_FALSE(platform::ddraw::ProfileForLayoutName("RGB565 ", &profile));
  EXPECT_FALSE(platform::ddraw::ProfileForLayoutName("", &profile));
  EXPECT_FALSE(platform::ddraw::ProfileForLayoutName(nullptr, &profile));
  // Each name makes the screen offer its layout alone, at its depth; palette indices at 32 bits,
  // the depth the show asks for first.
  for (ScreenLayout layout : {ScreenLayout::kXRGB32, ScreenLayout::kRGB24, ScreenLayout::kBGR565,
                              ScreenLayout::kRGB555, ScreenLayout::kPalette8}) {
    ASSERT_TRUE(platform::ddraw::ProfileForLayoutName(platform::ScreenLayoutName(layout), &profile));
    const int bits = layout == ScreenLayout::kPalette8
                         ? 32
                         : 8 * platform::ScreenLayoutBytesPerPixel(layout);
    EXPECT_EQ(bits == 32, profile.accepts32) << platform::ScreenLayoutName(layout);
    EXPECT_EQ(bits == 24, profile.accepts24) << platform::ScreenLayoutName(layout);
    EXPECT_EQ(bits == 16, profile.accepts16) << platform::ScreenLayoutName(layout);
    EXPECT_EQ(layout, bits == 32 ? profile.layout32 : bits == 24 ? profile.layout24 : profile.layout16);
  }
  const platform::ddraw::DisplayProfile defaults{};
  EXPECT_TRUE(defaults.accepts32 && defaults.accepts24 && defaults.accepts16);
  EXPECT_EQ(ScreenLayout::kXRGB32, defaults.layout32);
  EXPECT_EQ(2, platform::DisplayFaults().maxBackBuffers);
}

}  // namespace
}  // namespace displaytest
