// The kernel's tick counter under the test controls: every reading in the trace with its
// value, a clock that moves on by a step per reading, and the end of a wait for time that will
// never come.
#include "tests/platform/display_fixture.h"

namespace displaytest {
namespace {

using platform::TraceLines;

class ClockTest : public StandInsTest {};

TEST_F(ClockTest, EveryReadingIsTracedAndTheStepTellsReadingsApart) {
  platform::ClockSet(4294967290u);  // six before the wrap
  EXPECT_EQ(4294967290u, GetTickCount());
  EXPECT_EQ(4294967290u, GetTickCount());
  platform::ClockStepPerReading(3);
  EXPECT_EQ(4294967290u, GetTickCount());
  EXPECT_EQ(4294967293u, GetTickCount());
  EXPECT_EQ(0u, GetTickCount());
  // Looking at the clock neither moves it nor counts as a reading.
  EXPECT_EQ(3u, platform::ClockNow());
  EXPECT_EQ(3u, platform::ClockNow());
  Sleep(5);
  EXPECT_EQ(8u, GetTickCount());
  EXPECT_EQ((std::vector<std::string>{"GetTickCount -> 4294967290", "GetTickCount -> 4294967290",
                                      "GetTickCount -> 4294967290", "GetTickCount -> 4294967293",
                                      "GetTickCount -> 0", "Sleep 5", "GetTickCount -> 8"}),
            TraceLines());
}

TEST_F(ClockTest, TheWindowSystemStampsMessagesWithoutReadingTheClock) {
  platform::ClockStepPerReading(10);
  window = MakeWindow();
  platform::InjectKeyDown(VK_SPACE);
  platform::TraceClear();
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(1000u, message.time);
  EXPECT_EQ(1000u, platform::ClockNow());
  EXPECT_TRUE(platform::TraceLinesStartingWith("GetTickCount").empty());
}

// A program that reads the standing clock over and over without yielding waits forever: the
// control ends the wait. A yield in between starts the count again.
TEST_F(ClockTest, ReadingTheStandingClockWithoutEverSleepingEndsInClockStuck) {
  platform::TraceKeep(false);
  for (std::uint32_t reading = 1; reading < platform::kClockReadingsWithoutSleep; reading++)
    GetTickCount();
  Sleep(0);
  for (std::uint32_t reading = 1; reading < platform::kClockReadingsWithoutSleep; reading++)
    GetTickCount();
  EXPECT_THROW(GetTickCount(), platform::ClockStuck);
  // The real clock moves by itself: nothing is counted.
  platform::ClockUseReal();
  for (std::uint32_t reading = 0; reading <= platform::kClockReadingsWithoutSleep; reading++)
    GetTickCount();
}

}  // namespace
}  // namespace displaytest
