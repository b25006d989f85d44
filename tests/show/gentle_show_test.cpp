// The whole show in one process, seen in its window as a person would see it, through the flash
// analyser: as it is, it flashes far too much; in gentle viewing it stays under three flashes a
// second in every region and each second still looks like the picture being strobed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/host/screen.h"
#include "tests/controls/display_controls.h"
#include "tests/show/show_harness.h"
#include "tests/support/flash_analyser.h"
#include "tests/support/screen_classifier.h"

namespace {

class GentleShowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(show.Ready()); }
  void TearDown() override {
    unsetenv("QUENTHOR_DISPLAY_GENTLE");
    platform::CaptureWindowFrames(false);
  }

  // Runs the show for seconds at 60 passes a second and analyses every window it renders.
  void Watch(double seconds) {
    platform::CaptureWindowFrames(true);
    const std::vector<std::uint32_t> times =
        EvenPasses(17, static_cast<std::uint32_t>(seconds * 1000));
    show.SetRecording(false);
    show.SetPassHook([&](size_t pass) {
      const platform::WindowCapture capture = platform::LastWindowCapture();
      ASSERT_GT(capture.width, 0);
      if (!flashes) {
        const platform::host::PicturePlace place =
            platform::host::PlacePicture(320, 240, capture.width, capture.height);
        const PictureArea area{place.x, place.y, place.w, place.h};
        width = capture.width, height = capture.height;
        flashes = std::make_unique<FlashAnalyser>(width, height, area);
        likeness = std::make_unique<LikenessCheck>(width, height, area, pictures);
      }
      ASSERT_EQ(width, capture.width);
      ASSERT_EQ(height, capture.height);
      flashes->Add(times[pass] / 1000.0, capture.pixels.data());
      likeness->Add(times[pass] / 1000.0, capture.pixels.data());
    });
    ASSERT_EQ(0, show.Run(1000, times));
    ASSERT_TRUE(flashes);
    likeness->End(times.back() / 1000.0 + 0.017);
  }

  ShowHarness show;
  std::vector<std::vector<std::uint32_t>> pictures = std::vector<std::vector<std::uint32_t>>(3);
  int width = 0, height = 0;
  std::unique_ptr<FlashAnalyser> flashes;
  std::unique_ptr<LikenessCheck> likeness;

  void ReadPictures() {
    const char* names[] = {"min.raw", "min2.raw", "min3.raw"};
    for (int p = 0; p < 3; p++)
      ASSERT_TRUE(ReadPicture(show.folder() + "/" + names[p], &pictures[p]));
  }
};

TEST_F(GentleShowTest, AsItIsTheShowFlashesInEveryRegion) {
  ReadPictures();
  Watch(3.0);
  EXPECT_FALSE(flashes->Passes()) << flashes->Describe();
  EXPECT_GT(flashes->WorstGeneral(), 12) << flashes->Describe();
  EXPECT_GT(flashes->WorstRed(), 12) << flashes->Describe();
}

TEST_F(GentleShowTest, GentleViewingStaysUnderThreeFlashesAndStillShowsThePictures) {
  ReadPictures();
  setenv("QUENTHOR_DISPLAY_GENTLE", "1", 1);
  Watch(12.0);
  EXPECT_TRUE(flashes->Passes()) << flashes->Describe();
  EXPECT_EQ(12u, likeness->PerSecond().size());
  EXPECT_TRUE(likeness->Holds()) << likeness->Describe();
}

// The switch fails closed: a value that is neither a plain yes nor a plain no is named, and the
// show is shown gently all the same.
TEST_F(GentleShowTest, AnUnclearChoiceIsNamedAndGivesGentleViewing) {
  ReadPictures();
  setenv("QUENTHOR_DISPLAY_GENTLE", "please", 1);
  ::testing::internal::CaptureStderr();
  Watch(1.0);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, said.find("QUENTHOR_DISPLAY_GENTLE=please is not a plain yes or no"))
      << said;
  EXPECT_TRUE(flashes->Passes()) << flashes->Describe();
}

}  // namespace
