// The chain options: --chain, --irlen and chain-description files, read as the plug-in reads
// them, and refused with a reason where they are wrong.
#include <gtest/gtest.h>

#include "ChainDescription.h"

namespace checktest {
namespace {

using kelsvf::check::ChainDescription;
using kelsvf::check::DeviceDescription;

TEST(ChainDescription, ReadsTheChainOption) {
    const struct {
        const char* text;
        std::vector<DeviceDescription> devices;  // empty: refused
        const char* error;
    } cases[] = {
        {"6", {{6, std::nullopt}}, ""},
        {"6:0x0362d093,8,10:1A2B3C4D",
         {{6, 0x0362d093u}, {8, std::nullopt}, {10, 0x1a2b3c4du}},
         ""},
        {"6:0,64", {{6, 0u}, {64, std::nullopt}}, ""},
        {"", {}, "'' is no IR length (a decimal number of bits)"},
        {"6,,8", {}, "'' is no IR length (a decimal number of bits)"},
        {"0", {}, "IR length 0 is not between 1 and 64"},
        {"65", {}, "IR length 65 is not between 1 and 64"},
        {"6:", {}, "'' is no IDCODE (up to 8 hex digits, 0x allowed)"},
        {"6:0x123456789", {}, "'0x123456789' is no IDCODE (up to 8 hex digits, 0x allowed)"},
        {"6:xyz", {}, "'xyz' is no IDCODE (up to 8 hex digits, 0x allowed)"},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::optional<ChainDescription> chain =
            kelsvf::check::parseChainOption(c.text, error);
        if (c.devices.empty()) {
            EXPECT_FALSE(chain) << c.text;
            EXPECT_EQ(error, c.error) << c.text;
        } else {
            ASSERT_TRUE(chain) << c.text << ": " << error;
            EXPECT_EQ(chain->devices, c.devices) << c.text;
        }
    }
}

TEST(ChainDescription, ReadsChainFilesAsThePluginDoes) {
    const struct {
        std::string text;
        std::vector<uint32_t> idcodes;  // empty: refused
    } cases[] = {
        {"0x1A2B3C4D\n0F0E0D0B\r\n\r\n12345679", {0x1a2b3c4d, 0x0f0e0d0b, 0x12345679}},
        {"\r0x0362d093\r\r", {0x0362d093}},
        {"ab0123456789\n", {0x23456789}},         // only the last eight characters count
        {"12zz\nnone\n", {0x12, 0}},              // up to the first character that is no digit
        {std::string("\0x\n5\n", 5), {5}},        // a line that starts with NUL holds no device
        {std::string(254, '0') + "7\n", {0, 7}},  // a long line counts as several
        {"\n\n", {}},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto idcodes = kelsvf::check::parseChainFile(c.text, error);
        if (c.idcodes.empty()) {
            EXPECT_FALSE(idcodes);
            EXPECT_EQ(error, "it names no device");
        } else {
            ASSERT_TRUE(idcodes) << error;
            EXPECT_EQ(*idcodes, c.idcodes) << c.text;
        }
    }

    std::string error;
    EXPECT_FALSE(kelsvf::check::chainFromIdcodes({1, 3}, {6}, error));
    EXPECT_EQ(error, "the chain-description file names 2 devices, but --irlen gives 1 IR lengths");
    const auto chain = kelsvf::check::chainFromIdcodes({0x0362d093, 0}, {6, 8}, error);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->describe(), "2 devices (IR 6:0362d093, 8:00000000)");
}

}  // namespace
}  // namespace checktest
