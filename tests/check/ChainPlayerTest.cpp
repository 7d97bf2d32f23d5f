#include <gtest/gtest.h>

#include "PlayRecorder.h"

namespace checktest {
namespace {

using Events = std::vector<std::string>;

TEST(ChainPlayer, ThePluginsWorkedExample) {
    const Played played = play(
        "STATE RESET;\nSTATE IDLE;\nHIR 10 TDI (03ff);\nTIR 6 TDI (3f);\nHDR 1 TDI (00);\n"
        "TDR 1 TDI (00);\nSIR 8 TDI (05);\nSDR 32 TDI (12345678);\n",
        "6,8,10");
    EXPECT_EQ(played.events,
              (Events{"7: ir 0 = 3f", "7: ir 1 = 05", "7: ir 2 = 3ff", "8: dr 1 = 12345678"}));
    EXPECT_EQ(played.summary.errors, 0u);
}

}  // namespace
}  // namespace checktest
