// The script language as kelsvf understands it: words, values and the "file:line:" errors that
// stop a script before anything runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "script/ScriptParser.h"
#include "script/ScriptValues.h"

namespace kelsvf {
namespace {

std::vector<std::string> errorTexts(const ParsedScript& script) {
    std::vector<std::string> texts;
    for (const ScriptError& error : script.errors) {
        texts.push_back(error.text());
    }
    return texts;
}

ParsedScript parse(std::string_view text, ParseSettings settings = {}) {
    return parseScript(text, "test.kel", settings);
}

TEST(ScriptWords, BlanksSeparateQuotesGroupAndHashStartsAComment) {
    EXPECT_EQ(splitWords("  open  fname=a.svf\ttype=SVF  # the output"),
              (std::vector<std::string>{"open", "fname=a.svf", "type=SVF"}));
    EXPECT_EQ(splitWords(R"(comment "two words # kept" fname="x y"z)"),
              (std::vector<std::string>{"comment", "two words # kept", "fname=x yz"}));
    EXPECT_EQ(splitWords(R"("a \"quoted\" \\ word" "")"),
              (std::vector<std::string>{R"(a "quoted" \ word)", ""}));
    EXPECT_EQ(splitWords("reset\r"), (std::vector<std::string>{"reset"}));
    EXPECT_THROW(splitWords(R"(comment "open)"), LineError);
}

TEST(ScriptValues, HexValuesAreWrittenMostSignificantDigitFirstAsInSvf) {
    ScanData data = parseHexValue("12345678", 32);
    EXPECT_EQ(data.bitCount, 32u);
    EXPECT_EQ(data.bytes, (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
    data = parseHexValue("0x3C5", 10);
    EXPECT_EQ(data.bytes, (std::vector<uint8_t>{0xC5, 0x03}));
    data = parseHexValue("5", 8);  // fewer digits than the register: the rest is zero
    EXPECT_EQ(data.bytes, (std::vector<uint8_t>{0x05}));
    data = parseHexValue("1", 1);
    EXPECT_EQ(data.bytes, (std::vector<uint8_t>{0x01}));
}

TEST(ScriptValues, NumbersAreDecimalOrHexWithPrefixAndRangeChecked) {
    EXPECT_EQ(parseNumber32("42", "X"), 42u);
    EXPECT_EQ(parseNumber32("0x2A", "X"), 42u);
    EXPECT_EQ(parseNumber32("4294967295", "X"), 4294967295u);
    EXPECT_THROW(parseNumber32("4294967296", "X"), LineError);
    EXPECT_THROW(parseNumber32("2A", "X"), LineError);
    EXPECT_THROW(parseNumber32("-1", "X"), LineError);
    EXPECT_THROW(parseNumber32("0x", "X"), LineError);
    EXPECT_EQ(parseIdcode("1a2b3c4d"), 0x1A2B3C4Du);
    EXPECT_EQ(parseIdcode("0X0F0E0D0B"), 0x0F0E0D0Bu);
    EXPECT_THROW(parseIdcode("123456789"), LineError);
}

// Each case: one bad line after a good open line, and the exact message it must give.
TEST(ScriptErrors, EachBadLineIsNamedByFileAndLineWithWhatIsWrong) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"sirr 1 8 05", "test.kel:2: unknown operation 'sirr'"},
        {"ir 1 8",
         "test.kel:2: missing argument for ir (usage: ir DEVICE BITS HEX [END] | DEVICE "
         "[BITS] @FILE[:msb] [END])"},
        {"irlen 1", "test.kel:2: missing argument for irlen (usage: irlen DEVICE BITS)"},
        {"devices 3 4", "test.kel:2: too many arguments for devices (usage: devices COUNT)"},
        {"ir one 8 05",
         "test.kel:2: bad number 'one' for DEVICE (decimal, or hexadecimal with "
         "0x)"},
        {"ir 1 8 0x1ff", "test.kel:2: value '0x1ff' has 3 hex digits, but 8 bits hold at most 2"},
        {"ir 1 6 ff", "test.kel:2: value 'ff' does not fit in 6 bits"},
        {"dr 1 8 0g", "test.kel:2: bad hex digit 'g' in value '0g'"},
        {"dr 1 0 0", "test.kel:2: dr: BITS must be at least 1"},
        {"dr 1 @missing.bin",
         "test.kel:2: cannot read data file 'missing.bin': No such file or "
         "directory"},
        {"state NOWHERE",
         "test.kel:2: unknown TAP state 'NOWHERE' (RESET, IDLE, DRSELECT, "
         "DRCAPTURE, DRSHIFT, DREXIT1, DRPAUSE, DREXIT2, DRUPDATE, IRSELECT, "
         "IRCAPTURE, IRSHIFT, IREXIT1, IRPAUSE, IREXIT2, IRUPDATE)"},
        {"ir 1 8 IDLE",  // END, but no value
         "test.kel:2: missing argument for ir (usage: ir DEVICE BITS HEX [END] | DEVICE "
         "[BITS] @FILE[:msb] [END])"},
        {"dr 1 8 05 SOMEWHERE",
         "test.kel:2: unknown TAP state 'SOMEWHERE' (RESET, IDLE, DRSELECT, DRCAPTURE, DRSHIFT, "
         "DREXIT1, DRPAUSE, DREXIT2, DRUPDATE, IRSELECT, IRCAPTURE, IRSHIFT, IREXIT1, IRPAUSE, "
         "IREXIT2, IRUPDATE)"},
        {"dr 1 @missing.bin:msb IDLE",
         "test.kel:2: cannot read data file 'missing.bin': No such file or directory"},
        {"try", "test.kel:2: try needs an operation to run"},
        {"comment \"open", "test.kel:2: unterminated quote"},
        {"open fname=y.svf type=SVF lock",
         "test.kel:2: open takes KEY=VALUE options, but got 'lock' (one operation a line)"},
        {"chain 6 8 10\nir 1 6 05",
         "test.kel:3: ir: device 1 has an IR of 8 bits on this chain, but the line shifts 6"},
        {"chain 6 0",
         "test.kel:2: chain: the IR length of device 1 is 0, but every device's IR "
         "is at least 1 bit"},
        {"devices 2\nirlen 0 0",
         "test.kel:3: irlen: the IR length of device 0 is 0, but every "
         "device's IR is at least 1 bit"},
        {"devices 256", "test.kel:2: devices: 256 devices, but a chain holds at most 255"},
    };
    for (const auto& [line, message] : cases) {
        const ParsedScript script = parse("open fname=x.svf type=SVF\n" + line + "\nclose\n");
        EXPECT_EQ(errorTexts(script), std::vector<std::string>{message}) << line;
    }
}

TEST(ScriptErrors, EveryBadLineIsReportedNotOnlyTheFirst) {
    const ParsedScript script = parse("bogus\nreset\n\n# fine\nlock 0x\n");
    EXPECT_EQ(errorTexts(script),
              (std::vector<std::string>{"test.kel:1: unknown operation 'bogus'",
                                        "test.kel:5: bad number '0x' for FLAGS"}));
}

TEST(ScriptParser, StepsKeepTheirLineAndTextAndTheTryPrefix) {
    const ParsedScript script = parse("# header\n\nRESET\ntry  flush   # may fail\n");
    ASSERT_TRUE(script.ok());
    ASSERT_EQ(script.steps.size(), 2u);
    EXPECT_EQ(script.steps[0].where.text(), "test.kel:3");
    EXPECT_EQ(script.steps[0].text, "RESET");
    EXPECT_FALSE(script.steps[0].mayFail);
    EXPECT_EQ(script.steps[1].text, "try flush");
    EXPECT_TRUE(script.steps[1].mayFail);
}

TEST(ScriptParser, OutputOverrideNeedsExactlyOneOpenLine) {
    ParseSettings settings;
    settings.outputOverride = "out.svf";
    EXPECT_TRUE(parse("open type=SVF\n", settings).ok());
    EXPECT_EQ(errorTexts(parse("reset\n", settings)),
              std::vector<std::string>{
                  "test.kel: -o names an output file, but the script has no open line"});
    EXPECT_EQ(errorTexts(parse("open fname=a type=x\nclose\nopen fname=b type=x\n", settings)),
              std::vector<std::string>{
                  "test.kel:3: -o names one output file, but the script opens a second one"});
}

class DataFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("kelsvf-parser-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }

    std::filesystem::path folder_;
};

TEST_F(DataFileTest, RelativeDataFilesAreFoundInTheScriptsFolder) {
    write("data.bin", std::string("\x01\x02\x03", 3));
    ParseSettings settings;
    settings.baseDir = folder_;
    EXPECT_TRUE(parse("dr 0 @data.bin\ndr 0 24 @data.bin\ndr 0 18 @data.bin\n", settings).ok());
    EXPECT_FALSE(parse("dr 0 @data.bin\n").ok());  // not in the current folder
}

TEST_F(DataFileTest, DataFilesMustHoldExactlyTheBitsAsked) {
    write("data.bin", std::string("\x01\x02\x07", 3));
    const ScanData whole = readDataFile(folder_ / "data.bin", std::nullopt);
    EXPECT_EQ(whole.bitCount, 24u);
    EXPECT_EQ(whole.bytes, (std::vector<uint8_t>{0x01, 0x02, 0x07}));
    EXPECT_EQ(readDataFile(folder_ / "data.bin", 19).bitCount, 19u);
    EXPECT_THROW(readDataFile(folder_ / "data.bin", 18), LineError);  // bit 18 is set
    EXPECT_THROW(readDataFile(folder_ / "data.bin", 32), LineError);  // one byte short
    EXPECT_THROW(readDataFile(folder_ / "data.bin", 8), LineError);   // two bytes too many
    write("empty.bin", "");
    EXPECT_THROW(readDataFile(folder_ / "empty.bin", std::nullopt), LineError);
}

}  // namespace
}  // namespace kelsvf
