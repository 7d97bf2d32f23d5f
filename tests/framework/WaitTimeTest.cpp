// The default waits round a partial millisecond up, without wrapping near 2^32 microseconds.
#include <gtest/gtest.h>

#include "framework/WaitTime.h"

namespace {

using KelPluginInterface::framework::wholeMillisecondsFor;

TEST(WaitTime, RoundsPartialMillisecondsUp) {
    EXPECT_EQ(wholeMillisecondsFor(0), 0u);
    EXPECT_EQ(wholeMillisecondsFor(1), 1u);
    EXPECT_EQ(wholeMillisecondsFor(1000), 1u);
    EXPECT_EQ(wholeMillisecondsFor(1001), 2u);
    EXPECT_EQ(wholeMillisecondsFor(1500), 2u);
}

TEST(WaitTime, TheLongestWaitIsAboutSeventyTwoMinutes) {
    // From 4294966297 on, the sum with 999 no longer fits 32 bits.
    EXPECT_EQ(wholeMillisecondsFor(4294966297u), 4294967u);
    EXPECT_EQ(wholeMillisecondsFor(4294967001u), 4294968u);
    EXPECT_EQ(wholeMillisecondsFor(0xFFFFFFFFu), 4294968u);
}

}  // namespace
