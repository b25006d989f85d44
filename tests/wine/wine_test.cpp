// The Windows package under Wine on a virtual display, watched, driven and heard from outside:
// the real window system and DirectDraw, our fmod.dll playing through waveOut into a private
// sound server.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/flash_analyser.h"
#include "tests/support/screen_classifier.h"
#include "tests/support/show_checks.h"
#include "tests/support/virtual_display.h"
#include "tests/wine/song_match.h"
#include "tests/wine/wine_session.h"
#include "tools/assets.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Area {
  int left = 0, top = 0, width = 0, height = 0;
};

enum class Sound { kNullSink, kServerWithoutSink, kNoServer };

const char kNoDeviceMessage[] =
    "This command failed because FSOUND_Init was not called or called properly";
// The C runtime's standard output is in text mode on Windows, where a line ends in CR LF.
const char kLineEnd[] = "\r\n";

class WindowsPackage : public ::testing::Test {
 protected:
  // Declared in the order they must be set up; they are taken down in reverse, the show first.
  WinePrefix prefix;
  std::unique_ptr<VirtualDisplay> display;
  std::unique_ptr<SoundServer> sound;
  WineShow show{prefix};

  void SetUp() override {
    ASSERT_TRUE(prefix.Ready()) << prefix.Error();
    ASSERT_TRUE(show.Error().empty()) << show.Error();
  }

  // A virtual screen of depth bits, the sound server asked for (recording from the start when
  // it has a sink), then the show (or the package's other program) with extra environment.
  void Start(Sound kind = Sound::kNullSink, int depth = 24,
             const std::vector<std::string>& environment = {},
             const std::string& program = "quenthor.exe") {
    display = std::make_unique<VirtualDisplay>(640, 480, depth);
    ASSERT_TRUE(display->Ready()) << "Xvfb didn't start";
    std::string address = "unix:" + show.Folder() + "/../no-sound-server.sock";
    if (kind != Sound::kNoServer) {
      sound = std::make_unique<SoundServer>(kind == Sound::kNullSink);
      ASSERT_TRUE(sound->Ready()) << "pulseaudio didn't start";
      if (kind == Sound::kNullSink) {
        ASSERT_TRUE(sound->StartRecording()) << "parec didn't start";
      }
      address = sound->Address();
    }
    show.Start(*display, address, environment, program);
  }

  // Waits until Wine's desktop has taken the show's 320x240 mode; where it is on the screen.
  bool WaitForTheMode(Area* desktop) {
    auto start = Clock::now();
    while (SecondsSince(start) < 20) {
      if (display->FindWindow(kWineDesktopTitle, &desktop->left, &desktop->top, &desktop->width,
                              &desktop->height) &&
          desktop->width == 320 && desktop->height == 240)
        return true;
      if (!show.Process().Running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // The desktop is the mode's size, so each show pixel is one screen pixel; colours exact.
  Seen Look(const Area& desktop, std::vector<std::uint32_t>* frame = nullptr) {
    std::vector<std::uint32_t> shot = display->Screenshot(desktop.left, desktop.top, 320, 240);
    Seen seen = Classify(shot, 1, 0);
    if (frame) *frame = std::move(shot);
    return seen;
  }

  // Waits until the strobe is on the screen.
  bool WaitForPicture(Area* desktop) {
    if (!WaitForTheMode(desktop)) return false;
    auto start = Clock::now();
    while (SecondsSince(start) < 10) {
      Seen seen = Look(*desktop);
      if (seen == Seen::kWhite || seen == Seen::kImage1) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Keys go to the window under the pointer, there being no window manager.
  void PressKey(const Area& desktop, const char* key) {
    display->MovePointer(desktop.left + desktop.width / 2, desktop.top + desktop.height / 2);
    display->PressKey(key);
  }

  void ExpectEndsWith(int expected, int timeoutMs) {
    ::ExpectEndsWith(show.Process(), expected, timeoutMs);
  }

  // Screenshots from now on, each into the timeline and the flash analyser, for as long as
  // keepOn (the seconds since the first, what was seen) says.
  void Watch(const Area& desktop, StrobeTimeline* seen, FlashAnalyser* flashes,
             const std::function<bool(double, Seen)>& keepOn) {
    auto start = Clock::now();
    std::vector<std::uint32_t> frame;
    for (;;) {
      Seen now = Look(desktop, &frame);
      double time = SecondsSince(start);
      seen->Add(time, now);
      flashes->Add(time, frame.data());
      if (!keepOn(time, now)) return;
    }
  }
};

TEST_F(WindowsPackage, StrobeShowsWhiteAndThePicturesInOrderInExactColours) {
  ASSERT_NO_FATAL_FAILURE(Start());
  Area desktop;
  ASSERT_TRUE(WaitForTheMode(&desktop)) << "Wine's desktop never took the 320x240 mode";
  // From the mode change, which comes before show time starts, until 10.5 s after the first
  // white. Before the strobe the desktop shows Wine's own background, then the black first
  // frame; Wine's first presentation takes about as long as that phase, so the black is often
  // gone before it can be seen.
  StrobeTimeline seen;
  FlashAnalyser flashes(320, 240, PictureArea{0, 0, 320, 240});
  double white = -1;
  Watch(desktop, &seen, &flashes, [&white](double time, Seen now) {
    if (white < 0 && now == Seen::kWhite) white = time;
    return time < 20 && (white < 0 || time < white + 10.5);
  });
  ASSERT_TRUE(show.Process().Running());
  PressKey(desktop, "Escape");
  ExpectEndsWith(0, 2000);

  SCOPED_TRACE(seen.Log());
  ASSERT_GE(white, 0) << "no white phase";
  EXPECT_GT(seen.First(Seen::kImage1), white) << "white comes first";
  EXPECT_GT(seen.Count(Seen::kWhite), 5);
  EXPECT_GT(seen.Count(Seen::kImage1), 2);
  EXPECT_GT(seen.Count(Seen::kImage2), 2);
  EXPECT_GT(seen.Count(Seen::kImage3), 2);
  // One way only: 1, 2, 3.
  EXPECT_LT(seen.Last(Seen::kImage1), seen.First(Seen::kImage2));
  EXPECT_LT(seen.Last(Seen::kImage2), seen.First(Seen::kImage3));
  // Show time starts after the mode change and more than a phase before the first white. Each
  // image gives way at the first white-to-image change after its time, within a strobe cycle;
  // Wine's presentation and our sampling add a little.
  EXPECT_GT(seen.First(Seen::kImage2), 4.0);
  EXPECT_LT(seen.Last(Seen::kImage1), white + 4.0 + 0.35);
  double second = seen.First(Seen::kImage3) - seen.First(Seen::kImage2);
  EXPECT_GT(second, 4.0 - 0.2) << "image 2 showed for too short a time";
  EXPECT_LT(second, 4.0 + 0.3) << "image 2 showed for too long";
  // Once it has started, nothing but white and the pictures in their exact colours, bar a
  // few frames caught while they were being replaced.
  EXPECT_LE(seen.Count(Seen::kOther, white) + seen.Count(Seen::kBlack, white),
            seen.Samples(white) / 20);
  // The same screenshots as gentle mode's are judged by: the show as it is fails the flash
  // thresholds by far.
  RecordProperty("worst_general", flashes.WorstGeneral());
  RecordProperty("worst_red", flashes.WorstRed());
  EXPECT_GT(flashes.WorstGeneral(), 3 * FlashAnalyser::kMostTransitions / 2) << flashes.Describe();
}

// The ways into gentle mode on Windows, and the plain no that wins over the system's setting:
// what the screen shows from the mode change on, through the flash analyser, then Escape.
struct GentleDoor {
  const char* name;
  std::vector<std::string> environment;
  bool animations;  // Windows' "Show animations in Windows"
  const char* program;
  bool gentle;          // gentle viewing expected, else the strobe
  double seconds;       // watched from the mode change
  const char* printed;  // the show's standard output, without its line end
};

void PrintTo(const GentleDoor& door, std::ostream* out) { *out << door.name; }

const char kSystemSettingLine[] =
    "Gentle mode: Windows is set not to show animations, so the show runs without the flashing "
    "(QUENTHOR_DISPLAY_GENTLE=0 shows it as it is)";

class WindowsPackageGentle : public WindowsPackage,
                             public ::testing::WithParamInterface<GentleDoor> {
 protected:
  void TearDown() override {
    // The show goes first, so that its session doesn't write the registry back afterwards.
    if (!GetParam().animations) {
      prefix.EndSession();
      EXPECT_TRUE(prefix.SetAnimations(true));
    }
  }
};

TEST_P(WindowsPackageGentle, ShowsThePicturesWithinTheFlashThresholdsAndEscapeEndsIt) {
  const GentleDoor& door = GetParam();
  if (!door.animations) {
    ASSERT_TRUE(prefix.SetAnimations(false));
  }
  ASSERT_NO_FATAL_FAILURE(Start(Sound::kNullSink, 24, door.environment, door.program));
  Area desktop;
  ASSERT_TRUE(WaitForTheMode(&desktop)) << "Wine's desktop never took the 320x240 mode";
  StrobeTimeline seen;
  FlashAnalyser flashes(320, 240, PictureArea{0, 0, 320, 240});
  Watch(desktop, &seen, &flashes, [&door](double time, Seen) { return time < door.seconds; });
  ASSERT_TRUE(show.Process().Running());
  PressKey(desktop, "Escape");
  ExpectEndsWith(0, 2000);

  SCOPED_TRACE(seen.Log());
  RecordProperty("worst_general", flashes.WorstGeneral());
  RecordProperty("worst_red", flashes.WorstRed());
  EXPECT_EQ(show.Process().Printed(),
            door.printed[0] ? door.printed + std::string(kLineEnd) : std::string());
  if (!door.gentle) {
    EXPECT_GT(seen.Count(Seen::kWhite), 5);
    EXPECT_FALSE(flashes.Passes()) << flashes.Describe();
    return;
  }
  EXPECT_EQ(seen.Count(Seen::kWhite), 0);
  EXPECT_TRUE(flashes.Passes()) << flashes.Describe();
  EXPECT_GT(flashes.Frames(), 50);
  // At rest the screen holds the picture in its exact colours, in the surface's own layout.
  EXPECT_GT(seen.Count(Seen::kImage1), 5);
  if (door.seconds > 8) {
    EXPECT_GT(seen.Count(Seen::kImage2), 5);
    EXPECT_LT(seen.Last(Seen::kImage1), seen.First(Seen::kImage2));
  }
}

INSTANTIATE_TEST_SUITE_P(
    , WindowsPackageGentle,
    ::testing::Values(
        GentleDoor{"Variable", {"QUENTHOR_DISPLAY_GENTLE=1"}, true, "quenthor.exe", true, 9.5, ""},
        GentleDoor{"UnclearVariable", {"QUENTHOR_DISPLAY_GENTLE=please"}, true, "quenthor.exe",
                   true, 4, ""},
        GentleDoor{"SystemSetting", {}, false, "quenthor.exe", true, 4, kSystemSettingLine},
        GentleDoor{"PlainNoOverSystemSetting", {"QUENTHOR_DISPLAY_GENTLE=0"}, false,
                   "quenthor.exe", false, 4, ""},
        GentleDoor{"Launcher", {}, true, "Quenthor without flashing.exe", true, 4, ""}),
    [](const ::testing::TestParamInfo<GentleDoor>& info) { return info.param.name; });

TEST_F(WindowsPackage, OnlyEscapeEndsTheShowWithStatusZero) {
  ASSERT_NO_FATAL_FAILURE(Start());
  Area desktop;
  ASSERT_TRUE(WaitForPicture(&desktop));
  for (const char* key : {"space", "Return", "a", "Left", "1"}) PressKey(desktop, key);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  ASSERT_TRUE(show.Process().Running()) << "a key other than Escape ended the show";
  PressKey(desktop, "Escape");
  ExpectEndsWith(0, 1500);
}

TEST_F(WindowsPackage, CloseRequestEndsTheShowWithStatusZero) {
  ASSERT_NO_FATAL_FAILURE(Start());
  Area desktop;
  ASSERT_TRUE(WaitForPicture(&desktop));
  // Wine gives each top-level window an X window of its own inside the desktop's, named
  // after it; WM_DELETE_WINDOW there becomes the window's close request.
  ASSERT_TRUE(display->RequestClose("Quenthor"));
  ExpectEndsWith(0, 1500);
}

// The song as the sound server heard it, against libopenmpt's rendering of it.
class WindowsPackageSound : public WindowsPackage {
 protected:
  void ExpectTheSong(const std::vector<std::string>& environment);
};

// Each run by its own ctest entry, up to three times (tests/wine/CMakeLists.txt): under Wine on
// two cores the recording sometimes departs from the song a few seconds in.
TEST_F(WindowsPackageSound, DISABLED_SoundIsTheSongAsLibopenmptRendersIt) { ExpectTheSong({}); }

// Our ddraw.dll draws gentle viewing in the show's own thread: the song mustn't suffer for it.
TEST_F(WindowsPackageSound, DISABLED_SoundInGentleModeIsTheSameSong) {
  ExpectTheSong({"QUENTHOR_DISPLAY_GENTLE=1"});
}

void WindowsPackageSound::ExpectTheSong(const std::vector<std::string>& environment) {
  ASSERT_NO_FATAL_FAILURE(Start(Sound::kNullSink, 24, environment));
  Area desktop;
  ASSERT_TRUE(WaitForTheMode(&desktop));
  // The song starts a moment after the mode change. Nothing watches the screen meanwhile, so
  // that the sound has the machine to itself, as it would with nobody measuring.
  std::this_thread::sleep_for(std::chrono::milliseconds(5000));
  ASSERT_TRUE(show.Process().Running());
  PressKey(desktop, "Escape");
  ExpectEndsWith(0, 1500);
  std::vector<std::int16_t> heard = sound->StopRecording();

  // Our song, made afresh, as the reference.
  ScratchFolder folder("song");
  std::string error = "the asset tool couldn't write the song";
  std::vector<std::int16_t> song;
  if (WriteSong(folder.path())) song = RenderSong(folder.File("Terminal.s3m"), 8.0, &error);
  ASSERT_FALSE(song.empty()) << error;

  ASSERT_GT(heard.size(), static_cast<size_t>(2 * kSongRate * 4)) << "under 4 s recorded";
  ExpectHeard(heard);

  const double compared = 3.0;
  SongMatch match = FindSong(heard, song, compared);
  RecordProperty("correlation", std::to_string(match.correlation));
  EXPECT_GE(match.correlation, 0.99)
      << "best fit at " << match.offset / double(kSongRate) << " s into the recording of "
      << heard.size() / 2.0 / kSongRate << " s: " << DescribeDeparture(heard, song, match, compared);
}

TEST_F(WindowsPackage, SixteenBitScreenEndsTheShowWithStatusOneSilently) {
  // On a screen whose pixels aren't 32 bits wide, Wine accepts the 24-bit mode, which comes
  // before 16 bits in the show's order, and then can't build its flipping surfaces for it:
  // a start-up failure, so status 1 and nothing printed.
  ASSERT_NO_FATAL_FAILURE(Start(Sound::kNullSink, 16));
  ExpectEndsWith(1, 20000);
  EXPECT_EQ(show.Process().Printed(), "");
}

// A start-up that fails in the sound library: its one line on standard output, status 1.
struct SoundFailure {
  const char* name;
  Sound sound;
  void (*changeFolder)(const std::string& folder);
  const char* printed;
};

void PrintTo(const SoundFailure& failure, std::ostream* out) { *out << failure.name; }

void KeepThePackage(const std::string&) {}

void RemoveTheSong(const std::string& folder) {
  std::filesystem::remove(folder + "/Terminal.s3m");
}

void MakeTheSongRandomBytes(const std::string& folder) {
  std::mt19937 random(20260101);
  std::ofstream song(folder + "/Terminal.s3m", std::ios::binary | std::ios::trunc);
  for (int i = 0; i < 65536; i++) song.put(static_cast<char>(random() & 0xFF));
}

class WindowsPackageFailure : public WindowsPackage,
                              public ::testing::WithParamInterface<SoundFailure> {};

TEST_P(WindowsPackageFailure, PrintsTheSoundLibrarysMessageAndEndsWithStatusOne) {
  GetParam().changeFolder(show.Folder());
  ASSERT_NO_FATAL_FAILURE(Start(GetParam().sound));
  ExpectEndsWith(1, 20000);
  EXPECT_EQ(show.Process().Printed(), GetParam().printed + std::string(kLineEnd));
}

INSTANTIATE_TEST_SUITE_P(
    , WindowsPackageFailure,
    ::testing::Values(
        SoundFailure{"MissingSong", Sound::kNullSink, RemoveTheSong, "File not found"},
        SoundFailure{"SongOfRandomBytes", Sound::kNullSink, MakeTheSongRandomBytes,
                     "Unknown file format"},
        SoundFailure{"NoSoundServer", Sound::kNoServer, KeepThePackage, kNoDeviceMessage},
        SoundFailure{"SoundServerWithoutSink", Sound::kServerWithoutSink, KeepThePackage,
                     kNoDeviceMessage}),
    [](const ::testing::TestParamInfo<SoundFailure>& info) { return info.param.name; });

}  // namespace
