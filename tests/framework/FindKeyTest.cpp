// Option lookup, which hosts only reach through openTarget: what counts as the key, which entry
// wins, and what the value points at.
#include <gtest/gtest.h>

#include <string>

#include "kel/KelPlugin.h"

namespace {

using KelPluginInterface::KelPlugin;

TEST(FindKey, MatchesAsciiLettersInEitherCaseOnly) {
    const char* options[] = {"fname=out.svf", "TyPe=jtag"};
    EXPECT_STREQ(KelPlugin::findKey(2, options, "type"), "jtag");
    EXPECT_STREQ(KelPlugin::findKey(2, options, "FNAME"), "out.svf");
    EXPECT_EQ(KelPlugin::findKey(2, options, "typ"), nullptr);
    EXPECT_EQ(KelPlugin::findKey(2, options, "type "), nullptr) << "no trimming";

    const char* latin1[] = {"\xC4x=1"};
    EXPECT_EQ(KelPlugin::findKey(1, latin1, "\xE4X"), nullptr) << "no folding beyond ASCII";
    EXPECT_STREQ(KelPlugin::findKey(1, latin1, "\xC4X"), "1");
}

// 'Z' and 'z' are the last letters folded; '@', '[', '`' and '{' stand right beside the letter
// ranges and fold with nothing.
TEST(FindKey, FoldsTheEdgesOfTheAlphabetAndNothingBeside) {
    const char* options[] = {"zone=1", "ZOOM=2", "fuzZ=3", "a@=4", "b[=5"};
    EXPECT_STREQ(KelPlugin::findKey(5, options, "ZONE"), "1");
    EXPECT_STREQ(KelPlugin::findKey(5, options, "zoom"), "2");
    EXPECT_STREQ(KelPlugin::findKey(5, options, "FUZZ"), "3");
    EXPECT_STREQ(KelPlugin::findKey(5, options, "fuzz"), "3");
    EXPECT_EQ(KelPlugin::findKey(5, options, "a`"), nullptr);
    EXPECT_EQ(KelPlugin::findKey(5, options, "b{"), nullptr);
    EXPECT_STREQ(KelPlugin::findKey(5, options, "A@"), "4");
    EXPECT_STREQ(KelPlugin::findKey(5, options, "B["), "5");
}

TEST(FindKey, TheValueIsEverythingAfterTheFirstEqualsSignInTheCallersText) {
    const char* options[] = {"fname=a=b.svf", "type="};
    const char* value = KelPlugin::findKey(2, options, "fname");
    EXPECT_EQ(value, options[0] + 6) << "points into the caller's entry";
    EXPECT_STREQ(value, "a=b.svf");

    const char* empty = KelPlugin::findKey(2, options, "type");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");

    const char* unnamed[] = {"=anonymous"};
    EXPECT_STREQ(KelPlugin::findKey(1, unnamed, ""), "anonymous");
}

TEST(FindKey, TheFirstEntryWithTheKeyDecides) {
    const char* options[] = {"type", "type=second"};
    EXPECT_EQ(KelPlugin::findKey(2, options, "type"), nullptr);
    EXPECT_EQ(KelPlugin::findKey(1, options + 1, "type"), options[1] + 5);
}

TEST(FindKey, OnlyTheFirst511CharactersOfAnEntryAreExamined) {
    const std::string key511(511, 'k');
    const std::string hidden = key511 + "=value";  // the equals sign is character 512
    const std::string seen = std::string(510, 'k') + "=value";
    const char* options[] = {hidden.c_str(), seen.c_str()};

    EXPECT_EQ(KelPlugin::findKey(1, options, key511.c_str()), nullptr) << "a bare key, no value";
    EXPECT_EQ(KelPlugin::findKey(1, options, (key511 + "=value").c_str()), nullptr);
    EXPECT_STREQ(KelPlugin::findKey(2, options, std::string(510, 'k').c_str()), "value");
}

TEST(FindKey, NullsAreSkippedOrRefused) {
    const char* withHole[] = {nullptr, "type=jtag"};
    EXPECT_STREQ(KelPlugin::findKey(2, withHole, "type"), "jtag");

    EXPECT_EQ(KelPlugin::findKey(0, nullptr, "type"), nullptr) << "an empty list may be null";
    EXPECT_EQ(KelPlugin::findKey(2, nullptr, "type"), nullptr);
    EXPECT_EQ(KelPlugin::findKey(2, withHole, nullptr), nullptr);
}

}  // namespace
