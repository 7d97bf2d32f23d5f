// JSON written by hand: strings stay valid JSON whatever bytes a file holds, numbers read back.
#include <gtest/gtest.h>

#include <limits>

#include "report/JsonText.h"
#include "report/ValueText.h"

namespace checktest {
namespace {

using kelsvf::check::jsonNumber;
using kelsvf::check::jsonString;

TEST(JsonText, EscapesWhatJsonCannotHoldAsItIs) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a \"b\" \\c", "\"a \\\"b\\\" \\\\c\""},
        {"line\nend\r\ttab", "\"line\\nend\\r\\ttab\""},
        {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
        {"caf\xc3\xa9 \xe2\x80\xa6", "\"caf\xc3\xa9 \xe2\x80\xa6\""},  // UTF-8 kept
        {"bad \xff \xc3 \xed\xa0\x80 \xc0\xaf",
         "\"bad \\ufffd \\ufffd \\ufffd\\ufffd\\ufffd \\ufffd\\ufffd\""},
    };
    for (const auto& [text, json] : cases) {
        EXPECT_EQ(jsonString(text), json);
    }
}

TEST(JsonText, WritesNumbersJsonReads) {
    EXPECT_EQ(jsonNumber(1e6), "1000000");
    EXPECT_EQ(jsonNumber(0.000305), "0.000305");
    EXPECT_EQ(jsonNumber(1e300), "1e+300");
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(kelsvf::check::JsonObject()
                  .add("a", uint64_t{18446744073709551615u})
                  .add("b", true)
                  .add("c", "x")
                  .addRaw("d", "[]")
                  .text(),
              "{\"a\": 18446744073709551615, \"b\": true, \"c\": \"x\", \"d\": []}");
}

TEST(ValueText, ShowsValuesMostSignificantDigitFirst) {
    const uint8_t bytes[] = {0xef, 0xbe, 0x05};
    EXPECT_EQ(kelsvf::check::valueText(bytes, 16), "beef");
    EXPECT_EQ(kelsvf::check::valueText(bytes, 19), "5beef");
    EXPECT_EQ(kelsvf::check::valueText({}, 10), "3ff");  // an all-ones mask
    EXPECT_EQ(kelsvf::check::fnv1a({}), 0xcbf29ce484222325u);
    const uint8_t ones[] = {0xff, 0x03};
    EXPECT_EQ(kelsvf::check::fnv1aOfOnes(10), kelsvf::check::fnv1a(ones));
    EXPECT_EQ(kelsvf::check::hashText(0xaf63b24c8601a52eu), "af63b24c8601a52e");
}

}  // namespace
}  // namespace checktest
