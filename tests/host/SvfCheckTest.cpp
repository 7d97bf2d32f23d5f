// The check every compared file goes through must be able to fail: a file that does not fit
// its chain, or that no reader takes, is caught, and warnings alone do not fail it.
#include "SvfCheck.h"

#include <gtest/gtest.h>

namespace kelhost::test {
namespace {

struct Case {
    const char* name;
    std::optional<std::vector<uint32_t>> irLengths;
    const char* svf;
    bool clean;
    const char* inMessage;  // part of the message, "" for none
};

TEST(SvfChecksClean, FailsOnlyWhereAPlayerWould) {
    const Case cases[] = {
        {"the plug-in's statements on their chain", std::vector<uint32_t>{6, 8},
         "STATE RESET;\r\nSTATE IDLE;\r\nHIR 8 TDI (ff);\r\nTIR 0;\r\nHDR 1 TDI (00);\r\n"
         "TDR 0;\r\nSIR 6 TDI (01);\r\nSTATE IDLE;\r\n",
         true, ""},
        {"an IR scan one bit short", std::vector<uint32_t>{6, 8}, "SIR 13 TDI (0000);\r\n", false,
         "scan-does-not-fit"},
        {"a warning only, listed", std::vector<uint32_t>{4, 5},
         "SIR 9 TDI (1e2); SDR 17 TDI (1abcd);\n", true, "several-statements-on-line"},
        {"no chain: read only, any length fits", std::nullopt, "SIR 13 TDI (0000);\r\n", true, ""},
        {"no chain: a text no reader takes", std::nullopt, "another writer's text\n", false,
         "the reader refuses"},
        {"an empty chain is read only", std::vector<uint32_t>{}, "STATE RESET;\r\n", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ::testing::AssertionResult result = svfChecksClean(c.svf, c.irLengths);
        EXPECT_EQ(c.clean, static_cast<bool>(result)) << result.message();
        EXPECT_NE(std::string::npos, std::string(result.message()).find(c.inMessage))
            << result.message();
    }
}

}  // namespace
}  // namespace kelhost::test
