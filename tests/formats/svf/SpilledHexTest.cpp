// Spilled values' digit run against the plain in-memory reading: generator layouts, both cases,
// digit counts around the sixteen-digit steps and past the writer's buffer, blocks that cut the
// text anywhere, and the errors, whose positions match too (the run counts line ends itself).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kelsvfreader/SvfReader.h"

namespace svfreadertest {
namespace {

using namespace kelsvfreader;

// Every scan's TDI and TDO bytes, then the error with its position.
std::string readAll(const std::string& text, size_t blockSize, bool spill) {
    SvfReader reader = SvfReader::fromString(text, blockSize);
    reader.setSpillThreshold(spill ? 0 : UINT64_MAX);
    std::string seen;
    Statement statement;
    while (reader.next(statement) && statement.scan) {
        for (const Bits* value : {&statement.scan->tdi, &statement.scan->tdo}) {
            const std::vector<uint8_t> bytes = value->toBytes();
            seen.append(bytes.begin(), bytes.end()).push_back('|');
        }
    }
    const Error& error = reader.error();
    return seen + std::to_string(error.position.line) + ":" +
           std::to_string(error.position.column) + " " + error.message;
}

TEST(SpilledHex, DigitRunReadsAsThePlainReader) {
    std::mt19937 random(1414);
    const std::string alphabet = "0123456789abcdefABCDEF";
    const std::vector<std::string> gaps{"\r\n", "\n", "", " ", "\t", "\r", " ! 0a\n", "// 0a\r\n"};
    // The value well ended (a statement after it tells the lines), or with a bad byte or a digit
    // beyond the length after its last line, or the text ends.
    const std::string well = ");\nSDR 8 TDI (zz);\n";
    const std::vector<std::string> ends{well, "g);", ";);", "/);", "0);", "", std::string(30, '0')};
    for (const size_t count : {17, 31, 32, 33, 4097, 150002}) {
        std::string digits = "00" + std::string(1, "1234567"[random() % 7]);  // fits 4n-1 bits
        for (size_t i = 1; i < count; ++i) {
            digits.push_back(alphabet[random() % (count % 2 == 0 ? 16 : 22)]);
        }
        // Lines of a generator's width with CR LF, then other widths with any gap.
        for (const size_t width : {72, 64, 16, 15, 17, 1, 31, 33}) {
            std::string value;
            for (size_t at = 0; at < digits.size(); at += width) {
                value += digits.substr(at, width) + gaps[width == 72 ? 0 : random() % gaps.size()];
            }
            const std::string sdr = "SIR 8 TDI (01);\r\nSDR " + std::to_string(count * 4 - 1);
            for (const std::string& end : ends) {
                const std::string text = end == well
                                             ? sdr + " TDI (" + value + ") TDO (" + value + end
                                             : sdr + " TDI (" + value + end;
                const std::string plain = readAll(text, 0, false);
                for (const size_t block : {size_t{16}, size_t{23}, size_t{4096}, size_t{0}}) {
                    ASSERT_TRUE(plain == readAll(text, block, true))
                        << count << " digits, width " << width << ", block " << block << ", end "
                        << end;
                }
            }
        }
    }
}

}  // namespace
}  // namespace svfreadertest
