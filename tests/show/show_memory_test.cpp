// The show's four pixel buffers and its picture files as the C library sees them. The executable
// wraps the allocation calls, open and free, so a test can record, in order, the show asking for
// its buffers, opening its pictures and giving the buffers back, and can hand the show a frame
// whose memory isn't zero.
#include <fcntl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "platform/win32_api.h"
#include "show/show.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/trace.h"
#include "tests/show/show_harness.h"

namespace {

// While armed, the wraps watch the show: its first four allocations of a frame's size are its
// buffers (the frame, then images 1 to 3).
bool armed;
int failingBuffer;       // 1-4: that buffer's allocation fails; 0: none
bool dirtyFrame;         // the frame's memory comes filled with 0x5A instead of zeros
int boxesWhenArmed;      // message boxes shown before the show started
std::vector<void*> buffers;
std::vector<std::string> events;

void* Given(void* memory) {
  const int number = static_cast<int>(buffers.size()) + 1;
  if (number == failingBuffer) {
    std::free(memory);
    memory = nullptr;
  }
  if (memory && number == 1 && dirtyFrame) std::memset(memory, 0x5A, kFrameBytes);
  buffers.push_back(memory);
  events.push_back("allocate " + std::to_string(number));
  return memory;
}

bool IsShowBuffer(size_t bytes) {
  return armed && bytes == static_cast<size_t>(kFrameBytes) && buffers.size() < 4;
}

}  // namespace

extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __real_malloc(size_t size);
extern "C" void __real_free(void* memory);
extern "C" int __real_open(const char* name, int flags, ...);

extern "C" void* __wrap_calloc(size_t count, size_t size) {
  void* memory = __real_calloc(count, size);
  return IsShowBuffer(count * size) ? Given(memory) : memory;
}

extern "C" void* __wrap_malloc(size_t size) {
  void* memory = __real_malloc(size);
  return IsShowBuffer(size) ? Given(memory) : memory;
}

extern "C" void __wrap_free(void* memory) {
  if (armed && memory) {
    for (size_t i = 0; i < buffers.size(); i++) {
      if (buffers[i] == memory) {
        // Whether the display is still open: the buffers go before it is given back.
        events.push_back("free " + std::to_string(i + 1) +
                         (platform::LiveDirectDrawCount() > 0 ? " (display open)" : " (display closed)"));
        buffers[i] = nullptr;
      }
    }
  }
  __real_free(memory);
}

extern "C" int __wrap_open(const char* name, int flags, ...) {
  if (armed && name) {
    const std::string path = name;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".raw") == 0)
      events.push_back("open " + path + (platform::LastMessageBox().count > boxesWhenArmed ? " (after the box)" : ""));
  }
  unsigned mode = 0;  // only a file being made has one
  if (flags & O_CREAT) {
    va_list rest;
    va_start(rest, flags);
    mode = va_arg(rest, unsigned);
    va_end(rest);
  }
  return __real_open(name, flags, mode);
}

namespace {

class ShowMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(show.Ready());
    buffers.clear();
    events.clear();
    failingBuffer = 0;
    dirtyFrame = false;
  }
  void TearDown() override {
    armed = false;
    // What a failed start-up left to the end of the process.
    for (void* buffer : buffers) std::free(buffer);
    buffers.clear();
  }

  static void Arm() {
    boxesWhenArmed = platform::LastMessageBox().count;
    armed = true;
  }

  // The events that start with prefix.
  std::vector<std::string> EventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& event : events)
      if (event.rfind(prefix, 0) == 0) matching.push_back(event);
    return matching;
  }

  ShowHarness show;
};

TEST_F(ShowMemoryTest, BuffersFirstThenThePicturesInOrderAndAllGivenBackBeforeTheDisplay) {
  Arm();
  ASSERT_EQ(show.Run(100, {0, 51, 102}), 0);
  armed = false;
  const std::vector<std::string> expected = {
      "allocate 1", "allocate 2", "allocate 3", "allocate 4",
      "open min.raw", "open min2.raw", "open min3.raw",
      "free 1 (display open)", "free 2 (display open)", "free 3 (display open)",
      "free 4 (display open)"};
  EXPECT_EQ(events, expected);
}

TEST_F(ShowMemoryTest, ThePicturesAreLoadedBeforeAMissingFrameIsReported) {
  platform::CaptureMessageBoxes(true);
  platform::TrapExitProcess(true);
  failingBuffer = 1;
  Arm();
  EXPECT_EQ(RunShow(), 1);
  armed = false;
  const std::vector<std::string> expected = {
      "allocate 1", "allocate 2", "allocate 3", "allocate 4",
      "open min.raw", "open min2.raw", "open min3.raw"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(platform::LastMessageBox().count, 1);
  EXPECT_EQ(platform::LastMessageBox().text, "Surface not created");
}

TEST_F(ShowMemoryTest, AnImageBufferThatCantBeAllocatedIsReportedWithItsPictureThere) {
  // Each picture file is there; its buffer isn't. The show loads the others, and reports.
  platform::CaptureMessageBoxes(true);
  platform::TrapExitProcess(true);
  const char* names[] = {"min.raw", "min2.raw", "min3.raw"};
  for (int missing = 2; missing <= 4; missing++) {
    SCOPED_TRACE("buffer " + std::to_string(missing));
    for (void* buffer : buffers) std::free(buffer);
    buffers.clear();
    events.clear();
    failingBuffer = missing;
    const int boxesBefore = platform::LastMessageBox().count;
    Arm();
    EXPECT_EQ(RunShow(), 1);
    armed = false;
    EXPECT_EQ(platform::LastMessageBox().count, boxesBefore + 1);
    EXPECT_EQ(platform::LastMessageBox().text, "Surface not created");
    for (int image = 2; image <= 4; image++) {
      if (image == missing) continue;
      const std::string opened = std::string("open ") + names[image - 2];
      EXPECT_EQ(std::count(events.begin(), events.end(), opened), 1) << opened;
    }
  }
}

TEST_F(ShowMemoryTest, TheFrameIsBlackBecauseTheShowClearsIt) {
  // Whatever the frame's memory held when it was given, the first phase is black.
  dirtyFrame = true;
  Arm();
  ASSERT_EQ(show.Run(100, {0, 20, 51, 102}), 0);
  armed = false;
  ASSERT_EQ(EventsStartingWith("allocate").size(), 4u);
  const std::vector<Seen> expected = {Seen::kBlack, Seen::kBlack, Seen::kWhite, Seen::kImage1};
  EXPECT_EQ(show.Screens(), expected);
}

// Whichever buffer can't be had, the show asks for all four, shows its one message box and ends
// with status 1 before it touches the display or the sound.
class MissingBufferTest : public ShowMemoryTest, public ::testing::WithParamInterface<int> {};

TEST_P(MissingBufferTest, ShowsTheMessageAndEndsWithStatusOne) {
  platform::CaptureMessageBoxes(true);
  platform::TrapExitProcess(true);
  platform::TraceKeep(true);
  failingBuffer = GetParam();
  Arm();
  EXPECT_EQ(RunShow(), 1);
  armed = false;

  platform::CapturedMessageBox box = platform::LastMessageBox();
  EXPECT_EQ(box.count, 1);
  EXPECT_EQ(box.text, "Surface not created");
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.type, static_cast<unsigned>(MB_OK));
  EXPECT_EQ(EventsStartingWith("allocate").size(), 4u);
  EXPECT_TRUE(platform::TraceLinesStartingWith("LoadLibraryA").empty());
  EXPECT_TRUE(platform::TraceLinesStartingWith("FSOUND").empty());
}

std::string BufferName(const ::testing::TestParamInfo<int>& info) {
  const char* names[] = {"", "Frame", "Image1", "Image2", "Image3"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EachBuffer, MissingBufferTest, ::testing::Values(1, 2, 3, 4), BufferName);

}  // namespace
