// The sound library stand-in in the test's own process, on SDL's dummy audio driver: the
// contracts of its six calls, its failures, and the mixed output against libopenmpt's own.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "music/music.h"
#include "platform/fmod_api.h"
#include "tests/controls/sound_controls.h"
#include "tests/controls/trace.h"
#include "tests/music/music_test_support.h"
#include "tests/support/controls_reset.h"
#include "tools/s3m_writer.h"

namespace {

const int kRate = 44100;

class SoundLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ResetControlsAndGlobals();
    WriteFileBytes(songPath, OurSongBytes());
  }
  void TearDown() override {
    ResetControlsAndGlobals();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  ScratchFolder folder;
  const std::string songPath = folder.File("Terminal.s3m");
};

TEST_F(SoundLibrary, LoadBeforeInitIsRefusedAsUninitialised) {
  EXPECT_EQ(FMUSIC_LoadSong(songPath.c_str()), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_EQ(platform::SoundLoadedSongCount(), 0);
}

TEST_F(SoundLibrary, NoAudioDeviceFailsInitAndThenTheLoad) {
  platform::SoundForceNoDevice(true);
  EXPECT_EQ(FSOUND_Init(kRate, 64, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INIT);
  EXPECT_FALSE(platform::SoundOutputIsOpen());
  EXPECT_EQ(FMUSIC_LoadSong(songPath.c_str()), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  FSOUND_Close();  // harmless when nothing was opened

  platform::SoundForceNoDevice(false);
  EXPECT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  EXPECT_TRUE(platform::SoundOutputIsOpen());
}

TEST_F(SoundLibrary, NoAudioDriverFailsInit) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_EQ(FSOUND_Init(kRate, 64, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INIT);
  EXPECT_FALSE(platform::SoundOutputIsOpen());
}

TEST_F(SoundLibrary, InitTwiceIsRefusedUntilClosed) {
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
  EXPECT_EQ(FSOUND_Init(kRate, 64, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
  EXPECT_TRUE(platform::SoundOutputIsOpen());
  FSOUND_Close();
  EXPECT_FALSE(platform::SoundOutputIsOpen());
  EXPECT_EQ(FSOUND_Init(kRate, 64, 0), 1);
}

TEST_F(SoundLibrary, InitRefusesUnusableArguments) {
  EXPECT_EQ(FSOUND_Init(0, 64, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  EXPECT_EQ(FSOUND_Init(-44100, 64, 0), 0);
  EXPECT_EQ(FSOUND_Init(kRate, -1, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  EXPECT_FALSE(platform::SoundOutputIsOpen());
}

// Our song followed by a hole up to size bytes (sparse: nothing is written past the song).
void WriteSongPaddedTo(const std::string& path, std::uintmax_t size) {
  WriteFileBytes(path, OurSongBytes());
  std::error_code error;
  std::filesystem::resize_file(path, size, error);
  ASSERT_FALSE(error) << path << ": " << error.message();
}

// Root reads every file: an unreadable file is loaded as nobody's file-system user, as a person
// would meet it. setfsuid changes only this thread's file access, and gives it back after.
struct AsNobodyForFiles {
  AsNobodyForFiles() : root(geteuid() == 0) {
    if (root) setfsuid(65534);
  }
  ~AsNobodyForFiles() {
    if (root) setfsuid(0);
  }
  const bool root;
};

TEST_F(SoundLibrary, LoadFailuresSayWhy) {
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  const std::vector<std::uint8_t>& song = OurSongBytes();
  struct Case {
    const char* what;
    std::string path;
    int error;
  };
  const std::string folderPath = folder.File("a-folder");
  ASSERT_EQ(mkdir(folderPath.c_str(), 0700), 0);
  WriteFileBytes(folder.File("random"), RandomBytes(4096, 7));
  WriteFileBytes(folder.File("empty"), {});
  WriteFileBytes(folder.File("header-only"), std::vector<std::uint8_t>(song.begin(), song.begin() + 96));
  WriteFileBytes(folder.File("half"), std::vector<std::uint8_t>(song.begin(), song.begin() + song.size() / 2));
  WriteFileBytes(folder.File("unreadable"), song);
  ASSERT_EQ(chmod(folder.File("unreadable").c_str(), 0), 0);
  ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);  // nobody may look inside
  // A song with more after it than any module could hold: refused by its size, unread. Past
  // 4 GiB its size modulo 2^32 is the song's own.
  const std::uintmax_t kLimit = std::uintmax_t{64} << 20;
  ASSERT_NO_FATAL_FAILURE(WriteSongPaddedTo(folder.File("over-limit"), kLimit + 1));
  ASSERT_NO_FATAL_FAILURE(
      WriteSongPaddedTo(folder.File("past-4-GiB"), (std::uintmax_t{1} << 32) + song.size()));
  const Case cases[] = {
      {"missing", folder.File("missing.s3m"), FMOD_ERR_FILE_NOTFOUND},
      {"inside a file", folder.File("random/missing.s3m"), FMOD_ERR_FILE_NOTFOUND},
      {"folder", folderPath, FMOD_ERR_FILE_BAD},
      {"unreadable", folder.File("unreadable"), FMOD_ERR_FILE_BAD},
      {"random", folder.File("random"), FMOD_ERR_FILE_FORMAT},
      {"empty", folder.File("empty"), FMOD_ERR_FILE_FORMAT},
      {"header only", folder.File("header-only"), FMOD_ERR_FILE_FORMAT},
      {"over the limit", folder.File("over-limit"), FMOD_ERR_FILE_FORMAT},
      {"past 4 GiB", folder.File("past-4-GiB"), FMOD_ERR_FILE_FORMAT},
      {"half", folder.File("half"), FMOD_ERR_FILE_BAD},
  };
  {
    AsNobodyForFiles nobody;  // setfsuid(-1) changes nothing and tells the user in force
    ASSERT_TRUE(!nobody.root || setfsuid(static_cast<uid_t>(-1)) == 65534) << "no setfsuid";
  }
  for (const Case& load : cases) {
    AsNobodyForFiles nobody;
    EXPECT_EQ(FMUSIC_LoadSong(load.path.c_str()), nullptr) << load.what;
    EXPECT_EQ(FSOUND_GetError(), load.error) << load.what;
  }
  EXPECT_EQ(FMUSIC_LoadSong(nullptr), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  EXPECT_EQ(platform::SoundLoadedSongCount(), 0);

  // At the limit, the song still loads.
  ASSERT_NO_FATAL_FAILURE(WriteSongPaddedTo(folder.File("at-limit"), kLimit));
  FMUSIC_MODULE* loaded = FMUSIC_LoadSong(folder.File("at-limit").c_str());
  EXPECT_NE(loaded, nullptr) << FSOUND_GetError();
  EXPECT_EQ(FMUSIC_FreeSong(loaded), 1);
}

TEST_F(SoundLibrary, FreeThenCloseAfterAFailedLoad) {
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(folder.File("missing.s3m").c_str());
  ASSERT_EQ(song, nullptr);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  FSOUND_Close();
  EXPECT_FALSE(platform::SoundOutputIsOpen());
  EXPECT_EQ(platform::SoundLoadedSongCount(), 0);
}

TEST_F(SoundLibrary, CloseThenFreeAfterAFailedLoad) {
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(folder.File("missing.s3m").c_str());
  ASSERT_EQ(song, nullptr);
  FSOUND_Close();
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  EXPECT_EQ(FMUSIC_PlaySong(song), 0);
  EXPECT_EQ(platform::SoundLoadedSongCount(), 0);
}

TEST_F(SoundLibrary, ASongOutlivesCloseUntilFreedOnce) {
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(FMUSIC_PlaySong(song), 1);
  EXPECT_EQ(platform::SoundPlayingSongCount(), 1);
  FSOUND_Close();
  EXPECT_EQ(platform::SoundPlayingSongCount(), 0);
  EXPECT_EQ(platform::SoundLoadedSongCount(), 1);
  EXPECT_EQ(FMUSIC_PlaySong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  EXPECT_EQ(platform::SoundLoadedSongCount(), 0);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);  // already freed: refused, not touched
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
}

TEST_F(SoundLibrary, StartAndStopMusicCallTheLibraryInOrder) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder.path().c_str()), 0);
  platform::TraceKeep(true);
  FMUSIC_MODULE* song = StartMusic();
  FMUSIC_PlaySong(song);
  StopMusic(song);
  platform::TraceKeep(false);
  ASSERT_EQ(chdir(previous), 0);
  ASSERT_NE(song, nullptr);
  const std::vector<std::string> expected = {"FSOUND_Init 44100 64 0", "FMUSIC_LoadSong Terminal.s3m",
                                             "FMUSIC_PlaySong 1", "FMUSIC_FreeSong 1", "FSOUND_Close"};
  EXPECT_EQ(platform::TraceLines(), expected);
  EXPECT_FALSE(platform::SoundOutputIsOpen());
  EXPECT_EQ(platform::SoundLoadedSongCount(), 0);
}

// Where reference starts in captured: the first offset from which the next frames match to
// within one step, or -1.
long FindStart(const std::vector<std::int16_t>& captured, const std::vector<std::int16_t>& reference,
               std::size_t matchFrames) {
  for (std::size_t offset = 0; 2 * (offset + matchFrames) <= captured.size(); ++offset) {
    bool same = true;
    for (std::size_t i = 0; same && i < 2 * matchFrames; ++i)
      same = std::abs(captured[2 * offset + i] - reference[i]) <= 1;
    if (same) return static_cast<long>(offset);
  }
  return -1;
}

double Rms(const std::int16_t* samples, std::size_t count) {
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(count));
}

// Plays the module through the stand-in with the capture on, until seconds of it are captured
// after the song started; returns the capture from the song's start, compared against
// libopenmpt's own render.
void ExpectPlaysAsLibopenmptRenders(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                    double seconds) {
  const std::size_t frames = static_cast<std::size_t>(seconds * kRate);
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
  ASSERT_NE(song, nullptr);
  platform::SoundCaptureEnable(true);
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  // The output runs at the real pace; the song starts within a buffer or two.
  ASSERT_TRUE(platform::SoundWaitForCapturedFrames(frames + kRate / 2, 60000));
  FMUSIC_FreeSong(song);
  FSOUND_Close();
  const std::vector<std::int16_t> captured = platform::SoundCapturedSamples();

  // libopenmpt in calls of its own size, unrelated to the device's buffer. Its float mixer
  // rounds a rare sample one step differently depending on how the render is cut into calls,
  // so equal means: at most one step apart, and that rarely.
  const std::vector<std::int16_t> reference = RenderWithLibopenmpt(bytes, kRate, frames, 4000);
  ASSERT_EQ(reference.size(), 2 * frames);
  const long start = FindStart(captured, reference, 2048);
  ASSERT_GE(start, 0) << "the song's render doesn't appear in the output";
  for (long i = 0; i < 2 * start; ++i) ASSERT_EQ(captured[static_cast<std::size_t>(i)], 0) << "noise before the song";
  ASSERT_GE(captured.size(), 2 * (static_cast<std::size_t>(start) + frames));
  const std::int16_t* played = captured.data() + 2 * start;
  std::size_t differing = 0;
  int largest = 0;
  for (std::size_t i = 0; i < 2 * frames; ++i) {
    const int difference = std::abs(played[i] - reference[i]);
    differing += difference != 0;
    largest = std::max(largest, difference);
  }
  EXPECT_LE(largest, 1) << "samples differ from libopenmpt's render";
  EXPECT_LE(differing, 2 * frames / 1000) << "samples differ from libopenmpt's render";
  EXPECT_GT(Rms(played, 2 * frames), 1000.0) << "the output is (nearly) silent";
}

TEST_F(SoundLibrary, OurSongPlaysExactlyAsLibopenmptRendersIt) {
  ExpectPlaysAsLibopenmptRenders(songPath, OurSongBytes(), 3.0);
}

// A module of about 0.63 s: one beep at its start, then silence to the end of its pattern.
std::vector<std::uint8_t> BeepModule() {
  S3mModule module;
  module.title = "Beep";
  module.initialSpeed = 1;
  module.initialTempo = 255;
  module.channelPan = {7};
  S3mSample beep;
  beep.name = "Beep";
  beep.middleCRate = 22050;
  for (int n = 0; n < 2205; ++n)
    beep.data.push_back(static_cast<std::int16_t>(20000 * std::sin(2 * 3.14159265 * 440 * n / 22050.0)));
  module.samples = {beep};
  module.patterns.emplace_back(1);
  module.patterns[0].rows[0][0].note = S3mNote(4, 0);
  module.patterns[0].rows[0][0].sample = 1;
  module.orders = {0};
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(EncodeS3m(module, &bytes, &error)) << error;
  return bytes;
}

TEST_F(SoundLibrary, ASongStartsOverWhenItEnds) {
  const std::vector<std::uint8_t> bytes = BeepModule();
  const std::string path = folder.File("beep.s3m");
  WriteFileBytes(path, bytes);
  // Three times its length: the output still follows libopenmpt's render...
  ExpectPlaysAsLibopenmptRenders(path, bytes, 2.0);
  // ...which beeps again in every pass, so the song really starts over.
  const std::vector<std::int16_t> reference = RenderWithLibopenmpt(bytes, kRate, 2 * kRate, 4000);
  const std::size_t pass = static_cast<std::size_t>(64 * 2.5 / 255 * kRate);
  for (std::size_t start = 0; start + pass / 4 < 2 * kRate; start += pass)
    EXPECT_GT(Rms(reference.data() + 2 * start, pass / 4), 1000.0) << "no beep at frame " << start;
}

TEST_F(SoundLibrary, PlayingAgainStartsFromTheBeginning) {
  ASSERT_EQ(FSOUND_Init(kRate, 64, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  platform::SoundCaptureEnable(true);
  ASSERT_TRUE(platform::SoundWaitForCapturedFrames(kRate / 2, 60000));
  platform::SoundCaptureEnable(false);
  platform::SoundCaptureClear();
  platform::SoundCaptureEnable(true);
  ASSERT_EQ(FMUSIC_PlaySong(song), 1);
  ASSERT_TRUE(platform::SoundWaitForCapturedFrames(kRate, 60000));
  FMUSIC_FreeSong(song);
  FSOUND_Close();
  const std::vector<std::int16_t> reference = RenderWithLibopenmpt(OurSongBytes(), kRate, kRate / 4, 4000);
  EXPECT_GE(FindStart(platform::SoundCapturedSamples(), reference, kRate / 4), 0);
}

}  // namespace
