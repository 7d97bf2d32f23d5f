// A bitstream written as one statement over many lines: diff names the line of the digit that
// holds the first differing bit, in each file, however the files lay their digits out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EffectDiff.h"

namespace {

using namespace kelsvf::check;

struct Layout {
    Layout(std::vector<size_t> lineWidths, std::string lineEnd = "\n", std::string after = "")
        : widths(std::move(lineWidths)), eol(std::move(lineEnd)), between(std::move(after)) {}
    std::vector<size_t> widths;  // of the lines of digits, in turn
    std::string eol;
    std::string between;  // after each line of digits: a comment, a blank line
};

struct Written {
    std::string text;
    uint64_t line = 0;  // of the digit that was changed
};

// `before`, then "SDR <bits> TDI (" with `digits` laid out as `layout` says, then `after`.
// Digit `changed` (from the '(') is flipped in its lowest bit when `flip`.
Written bitstream(const std::string& before, std::string digits, const Layout& layout,
                  size_t changed, bool flip, const std::string& after) {
    if (flip) {
        digits[changed] = "1032547698badcfe"[std::stoi(digits.substr(changed, 1), nullptr, 16)];
    }
    Written out;
    out.text = before + "SDR " + std::to_string(digits.size() * 4) + " TDI (";
    for (size_t at = 0, k = 0; at < digits.size(); ++k) {
        const size_t width = layout.widths[k % layout.widths.size()];
        if (changed >= at && changed < at + width) {
            out.line =
                1 + static_cast<uint64_t>(std::count(out.text.begin(), out.text.end(), '\n'));
        }
        out.text += digits.substr(at, width) + layout.eol + layout.between;
        at += width;
    }
    out.text += ");" + layout.eol + after;
    return out;
}

std::string someDigits(size_t count) {
    std::string digits;
    for (size_t i = 0; i < count; ++i) {
        digits += "0123456789abcdef"[(i * 7 + i / 5) % 16];
    }
    return digits;
}

TEST(DigitLineDiff, NamesTheLineOfTheDifferingDigitInEachFile) {
    const std::string head = "SIR 8 TDI (7A);\n";
    const std::string paused = "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 8 TDI (01);\n";
    const std::string resumed = "ENDDR IDLE;\nSDR 8 TDI (03);\n";
    const Layout fixed{{64}};
    const struct {
        const char* name;
        std::string before;
        std::string after;
        Layout a;
        Layout b;
        size_t digits = 2000;
        bool fallsBack = false;  // to the statement's line
        // A repeats the value with "SDR n;": its digits keep the lines where A wrote them.
        bool carried = false;
    } cases[] = {
        {"fixed-width lines, of other widths in each file", head, "", fixed, {{40}}},
        {"ragged lines", head, "", {{64, 7, 33, 1}}, fixed},
        {"CR LF", head, "", {{64}, "\r\n"}, {{50, 13}, "\r\n"}},
        {"comments and blank lines between the lines of hex",
         head,
         "",
         {{64}, "\n", "! a note\n"},
         {{32}, "\n", "// a note\n\n"}},
        {"a value continued through Pause-DR", paused, resumed, fixed, {{16, 48}}},
        {"more runs than a map keeps", head, "", {{1, 2}}, fixed, 13000, true},
        {"a value carried over to an SDR without TDI", head, "", fixed, {{60}}, 600, false, true},
    };
    const ChainDescription chain = chainFromIrLengths({8});
    for (const auto& c : cases) {
        const std::string digits = someDigits(c.digits);
        const size_t changed = c.digits * 5 / 8;
        Written a = bitstream(c.before, digits, c.a, changed, false, c.after);
        const Written b =
            bitstream(c.carried ? a.text : c.before, digits, c.b, changed, true, c.after);
        if (c.carried) {
            a.text += "SDR " + std::to_string(c.digits * 4) + ";\n";
        }
        // Held in memory, and spilled as long values are, which read their digits in runs.
        for (const bool spilled : {false, true}) {
            kelsvfreader::SvfReader readerA = kelsvfreader::SvfReader::fromString(a.text);
            kelsvfreader::SvfReader readerB = kelsvfreader::SvfReader::fromString(b.text);
            if (spilled) {
                readerA.setSpillThreshold(16);
                readerB.setSpillThreshold(16);
            }
            const DiffResult result =
                EffectDiff(chain, EffectDiffOptions{}).compare(readerA, readerB);
            ASSERT_FALSE(result.differences.empty()) << c.name;
            const uint64_t statement =
                1 + static_cast<uint64_t>(std::count(c.before.begin(), c.before.end(), '\n'));
            const std::string lines = "(lines " + std::to_string(c.fallsBack ? statement : a.line) +
                                      " | " + std::to_string(b.line) + ")";
            const std::string& what = result.differences[0].what;
            EXPECT_EQ(what.substr(what.size() - std::min(what.size(), lines.size())), lines)
                << c.name << (spilled ? ", spilled: " : ": ") << what;
        }
    }
}

}  // namespace
