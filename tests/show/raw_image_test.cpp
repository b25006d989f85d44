// The raw image loader on files of every interesting length, and on paths that aren't files.
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "show/show.h"
#include "tests/support/scratch_folder.h"

namespace {

#ifndef _WIN32
// A file looked at by this name is swapped for a named pipe as soon as it has been looked at.
std::string swapOnLookup;
#endif

}  // namespace

#ifndef _WIN32
// Every look by name in this program comes here: the system's own answer, then the swap.
extern "C" int stat(const char* path, struct stat* status) noexcept {
  const int result = fstatat(AT_FDCWD, path, status, 0);
  if (!swapOnLookup.empty() && swapOnLookup == path) {
    unlink(path);
    mkfifo(path, 0600);
  }
  return result;
}
#endif

namespace {

class RawImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.empty());
    image.assign(kFramePixels, 0xDEADBEEFu);
  }
  std::string Write(const std::vector<unsigned char>& bytes) {
    std::string path = folder + "/image.raw";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (!bytes.empty()) {
      EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    std::fclose(file);
    return path;
  }

  // Bytes whose value tells their position, so a misplaced byte shows.
  static std::vector<unsigned char> Numbered(size_t count) {
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; i++) bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return bytes;
  }

  static FramePixel Compose(const std::vector<unsigned char>& bytes, size_t pixel) {
    return bytes[pixel * 4] | bytes[pixel * 4 + 1] << 8 | bytes[pixel * 4 + 2] << 16 |
           static_cast<FramePixel>(bytes[pixel * 4 + 3]) << 24;
  }

  ScratchFolder scratch{"raw"};
  const std::string folder = scratch.path();
  std::vector<FramePixel> image;
};

TEST_F(RawImageTest, FullFileFillsEveryPixelInFileByteOrder) {
  std::vector<unsigned char> bytes = Numbered(kFrameBytes);
  bytes[0] = 0x10, bytes[1] = 0x20, bytes[2] = 0x30, bytes[3] = 0x40;
  LoadRawImage(Write(bytes).c_str(), image.data());
  // Blue 0x10, green 0x20, red 0x30, extra 0x40.
  EXPECT_EQ(image[0], 0x40302010u);
  for (int pixel = 0; pixel < kFramePixels; pixel++)
    ASSERT_EQ(image[pixel], Compose(bytes, pixel)) << "pixel " << pixel;
}

TEST_F(RawImageTest, LongerFileLoadsOnlyItsFirstFrame) {
  // A whole pixel more than a frame, and room for one more pixel after the image: the file's
  // extra pixel must not land there.
  std::vector<unsigned char> bytes = Numbered(kFrameBytes + 4);
  image.push_back(0xDEADBEEFu);
  LoadRawImage(Write(bytes).c_str(), image.data());
  for (int pixel = 0; pixel < kFramePixels; pixel++)
    ASSERT_EQ(image[pixel], Compose(bytes, pixel)) << "pixel " << pixel;
  EXPECT_EQ(image[kFramePixels], 0xDEADBEEFu) << "the pixel after the image";
}

TEST_F(RawImageTest, ShortFileKeepsTheLastByteOfEachPosition) {
  // One byte short: the last pixel's extra byte never arrives and keeps the one before.
  std::vector<unsigned char> bytes = Numbered(kFrameBytes - 1);
  LoadRawImage(Write(bytes).c_str(), image.data());
  for (int pixel = 0; pixel < kFramePixels - 1; pixel++)
    ASSERT_EQ(image[pixel], Compose(bytes, pixel)) << "pixel " << pixel;
  FramePixel expected = bytes[kFrameBytes - 4] | bytes[kFrameBytes - 3] << 8 |
                        bytes[kFrameBytes - 2] << 16 |
                        static_cast<FramePixel>(bytes[kFrameBytes - 5]) << 24;
  EXPECT_EQ(image[kFramePixels - 1], expected);
}

TEST_F(RawImageTest, FileOfOnePixelRepeatsItToTheEnd) {
  LoadRawImage(Write({0x01, 0x02, 0x03, 0x04}).c_str(), image.data());
  for (int pixel = 0; pixel < kFramePixels; pixel++)
    ASSERT_EQ(image[pixel], 0x04030201u) << "pixel " << pixel;
}

TEST_F(RawImageTest, PositionsThatNeverGetAByteHoldZero) {
  LoadRawImage(Write({0xAA, 0xBB, 0xCC}).c_str(), image.data());
  EXPECT_EQ(image[0], 0x00CCBBAAu);
  EXPECT_EQ(image[kFramePixels - 1], 0x00CCBBAAu);

  LoadRawImage(Write({0x5A}).c_str(), image.data());
  EXPECT_EQ(image[0], 0x0000005Au);
  EXPECT_EQ(image[kFramePixels - 1], 0x0000005Au);

  LoadRawImage(Write({}).c_str(), image.data());
  for (int pixel = 0; pixel < kFramePixels; pixel++) ASSERT_EQ(image[pixel], 0u);
}

TEST_F(RawImageTest, ShortFileEndingMidPixelRepeatsMixedPixel) {
  // Two whole pixels then the blue and green of a third: afterwards red and extra come from the
  // second pixel, blue and green from the third.
  LoadRawImage(Write({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).c_str(), image.data());
  EXPECT_EQ(image[0], 0x04030201u);
  EXPECT_EQ(image[1], 0x08070605u);
  EXPECT_EQ(image[2], 0x08070A09u);
  EXPECT_EQ(image[kFramePixels - 1], 0x08070A09u);
}

TEST_F(RawImageTest, PathsThatArentReadableFilesLeaveTheImageUntouched) {
  std::vector<FramePixel> untouched = image;

  LoadRawImage((folder + "/missing.raw").c_str(), image.data());
  EXPECT_EQ(image, untouched);

  std::filesystem::create_directory(folder + "/directory.raw");
  LoadRawImage((folder + "/directory.raw").c_str(), image.data());
  EXPECT_EQ(image, untouched);

#ifdef _WIN32
  // A device is no picture either.
  LoadRawImage("NUL", image.data());
  EXPECT_EQ(image, untouched);
#else
  // A pipe nobody writes to must not hold the loader forever. In a child with a time limit, so
  // a loader that waits for a writer fails here rather than hanging the suite.
  std::string fifo = folder + "/pipe.raw";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EXIT(
      {
        alarm(10);
        LoadRawImage(fifo.c_str(), image.data());
        std::exit(image == untouched ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "")
      << "status 2: the image changed; killed by SIGALRM: the loader waited for a writer";

  // A picture swapped for such a pipe just after it was looked at by name: the loader reads
  // what it opened, never what it looked at, and doesn't wait for a writer.
  std::string swapped = Write({1, 2, 3, 4});
  swapOnLookup = swapped;
  EXPECT_EXIT(
      {
        alarm(10);
        LoadRawImage(swapped.c_str(), image.data());
        std::exit(image[0] == 0x04030201u || image == untouched ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "")
      << "status 2: the image changed; killed by SIGALRM: the loader opened what it didn't look at";
  swapOnLookup.clear();
  unlink(swapped.c_str());

  // Unreadable (root reads anything, so only check where permissions bite).
  std::string locked = Write(Numbered(kFrameBytes));
  chmod(locked.c_str(), 0);
  if (access(locked.c_str(), R_OK) != 0) {
    LoadRawImage(locked.c_str(), image.data());
    EXPECT_EQ(image, untouched);
  }
#endif
}

TEST_F(RawImageTest, LoaderClosesItsFile) {
  std::string path = Write(Numbered(kFrameBytes));
#ifdef _WIN32
  const char* const kNothing = "NUL";
#else
  const char* const kNothing = "/dev/null";
#endif
  std::filesystem::create_directory(folder + "/directory.raw");
  const std::string refused = folder + "/directory.raw";
  int before = open(kNothing, O_RDONLY);
  close(before);
  for (int i = 0; i < 50; i++) {
    LoadRawImage(path.c_str(), image.data());
    LoadRawImage(refused.c_str(), image.data());  // opened, looked at, not read
  }
  int after = open(kNothing, O_RDONLY);
  close(after);
  // Every load gave its descriptor back: the next free one is the same as before.
  EXPECT_EQ(after, before);
#ifndef _WIN32
  // A show started with its standard input closed gets descriptor 0 for its first file.
  const int input = dup(0);
  ASSERT_GE(input, 0);
  close(0);
  std::fill(image.begin(), image.end(), 0u);
  LoadRawImage(path.c_str(), image.data());
  dup2(input, 0);
  close(input);
  EXPECT_NE(image, std::vector<FramePixel>(image.size(), 0u)) << "the picture at descriptor 0";
#endif
}

}  // namespace
