// Start-up failures of the show that happen before the display is opened: a pixel buffer that
// can't be allocated. The executable wraps calloc so a chosen buffer's allocation fails.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "platform/controls/journal.h"
#include "platform/controls/kernel_controls.h"
#include "platform/win32_api.h"
#include "show/show.h"

namespace {

int failingBuffer;           // 1 = the frame, 2-4 = images 1-3, 0 = none
int buffersRequested;
std::vector<void*> buffersGiven;

}  // namespace

extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __wrap_calloc(size_t count, size_t size) {
  if (count * size == static_cast<size_t>(kFrameBytes)) {
    if (++buffersRequested == failingBuffer) return nullptr;
    void* buffer = __real_calloc(count, size);
    buffersGiven.push_back(buffer);
    return buffer;
  }
  return __real_calloc(count, size);
}

namespace {

class StartupTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    platform::ResetKernelControls();
    platform::CaptureMessageBoxes(true);
    platform::TrapExitProcess(true);
    platform::JournalEnable(true);
    platform::JournalClear();
    buffersRequested = 0;
    buffersGiven.clear();
  }
  void TearDown() override {
    // A failed start-up leaves its buffers to the end of the process; the test gives them back.
    for (void* buffer : buffersGiven) std::free(buffer);
    platform::JournalEnable(false);
    platform::ResetKernelControls();
  }
};

TEST_P(StartupTest, MissingBufferShowsTheMessageAndEndsWithStatusOne) {
  failingBuffer = GetParam();
  EXPECT_EQ(RunShow(), 1);
  failingBuffer = 0;

  platform::CapturedMessageBox box = platform::LastMessageBox();
  EXPECT_EQ(box.count, 1);
  EXPECT_EQ(box.text, "Surface not created");
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.type, static_cast<unsigned>(MB_OK));
  // All four buffers were asked for, and nothing of the display was touched.
  EXPECT_EQ(buffersRequested, 4);
  EXPECT_TRUE(platform::JournalEntriesStartingWith("LoadLibraryA").empty());
  EXPECT_TRUE(platform::JournalEntriesStartingWith("FSOUND").empty());
}

std::string BufferName(const ::testing::TestParamInfo<int>& info) {
  const char* names[] = {"", "Frame", "Image1", "Image2", "Image3"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EachBuffer, StartupTest, ::testing::Values(1, 2, 3, 4), BufferName);

}  // namespace
