// The player with a device's BSDL file: instructions named, registers of the file's lengths,
// TDO compared where the file fixes it, and the loads that change non-volatile state counted.
#include <gtest/gtest.h>

#include <memory>

#include "PartRules.h"
#include "PlayRecorder.h"
#include "kelbsdl/BsdlReader.h"

namespace checktest {
namespace {

using namespace kelsvf::check;
using Events = std::vector<std::string>;

// IR 4, IDCODE version X (or fixed), an 8-bit BOUNDARY, a 12-bit flash register.
std::shared_ptr<const kelbsdl::Description> part(const char* version) {
    const std::string text =
        std::string(
            "entity TINY is\n"
            "attribute INSTRUCTION_LENGTH of TINY : entity is 4;\n"
            "attribute INSTRUCTION_OPCODE of TINY : entity is \"BYPASS (1111), "
            "SAMPLE (0001), PRELOAD (0001), IDCODE (0010), HIGHZ (0011), "
            "FLASH_ERASE (0100), ISC_PROGRAM (0101)\";\n"
            "attribute INSTRUCTION_CAPTURE of TINY : entity is \"0101\";\n"
            "attribute IDCODE_REGISTER of TINY : entity is \"") +
        version +
        "000000000000000100000000111\" & \"1\";\n"
        "attribute REGISTER_ACCESS of TINY : entity is \"FLASH[12] (FLASH_ERASE, "
        "ISC_PROGRAM)\";\n"
        "attribute BOUNDARY_LENGTH of TINY : entity is 8;\nend TINY;\n";
    const kelbsdl::Reading reading = kelbsdl::readBsdl(text);
    EXPECT_FALSE(reading.failed) << reading.error.message;
    return std::make_shared<const kelbsdl::Description>(reading.description);
}

// The part as --chain FILE.bsd gives it: the IDCODE is the file's, X bits 0.
ChainDescription chainOf(const char* version) {
    ChainDescription chain;
    DeviceDescription device;
    describePart(device, part(version));
    chain.devices.push_back(device);
    return chain;
}

struct Case {
    const char* name;
    const char* version;  // of the IDCODE in the BSDL file
    const char* svf;
    Events events;
};

TEST(PartPlay, TheBsdlFileNamesInstructionsAndFixesLengthsAndCaptures) {
    const Case cases[] = {
        {"a scan of BOUNDARY's length is clean, one bit short an error",
         "XXXX",
         "SIR 4 TDI (1);\nSDR 8 TDI (a5);\nSDR 7 TDI (5);\n",
         {"1: ir 0 = 1 SAMPLE/PRELOAD", "2: dr 0 = a5", "3 error scan-does-not-fit",
          "3: dr 0 = 0a"}},
        {"an instruction the file gives BYPASS takes one bit",
         "XXXX",
         "SIR 4 TDI (3);\nSDR 1 TDI (1) TDO (0);\n",
         {"1: ir 0 = 3 HIGHZ", "2: tdo pass 1"}},
        {"an IDCODE of another version passes where the file leaves the version open",
         "XXXX",
         "STATE RESET;\nSDR 32 TDI (0) TDO (3000100f) MASK (ffffffff);\n",
         {"2: tdo pass 32", "2: dr 0 = 00000000"}},
        {"and fails where the file fixes it",
         "0001",
         "STATE RESET;\nSDR 32 TDI (0) TDO (3000100f) MASK (ffffffff);\n",
         {"2: tdo FAIL 32 at 29", "2 error tdo-mismatch", "2: dr 0 = 00000000"}},
        {"the file's IR capture is compared beyond the standard's 01",
         "XXXX",
         "SIR 4 TDI (f) TDO (d);\n",
         {"1: tdo FAIL 4 at 3", "1 error tdo-mismatch", "1: ir 0 = f BYPASS"}},
        {"an opcode the file does not give is a warning",
         "XXXX",
         "SIR 4 TDI (9);\n",
         {"1 warning unknown-instruction", "1: ir 0 = 9"}},
    };
    for (const Case& c : cases) {
        const Played played = play(c.svf, chainOf(c.version));
        EXPECT_EQ(played.events, c.events) << c.name;
    }
}

TEST(PartPlay, LoadsThatEraseOrWriteNonVolatileStateAreCounted) {
    const Played played = play(
        "SIR 4 TDI (4);\nSDR 12 TDI (0);\nSIR 4 TDI (5);\nSDR 12 TDI (1);\nSIR 4 TDI (5);\n"
        "SDR 12 TDI (2);\nSIR 4 TDI (f);\n",
        chainOf("XXXX"));
    EXPECT_EQ(played.summary.errors, 0u) << played.texts.front();
    ASSERT_EQ(played.summary.nonVolatile.size(), 2u);
    const NonVolatileLoad& erase = played.summary.nonVolatile[0];
    const NonVolatileLoad& program = played.summary.nonVolatile[1];
    EXPECT_EQ(erase.instruction + " " + std::to_string(erase.count), "FLASH_ERASE 1");
    EXPECT_EQ(program.instruction + " " + std::to_string(program.count) + " " +
                  std::to_string(program.firstLine) + "-" + std::to_string(program.lastLine),
              "ISC_PROGRAM 2 3-5");
}

TEST(PartPlay, TheNonVolatileRuleGoesByTheInstructionsName) {
    const std::pair<const char*, bool> names[] = {
        {"ISC_ERASE", true},  {"ISC_PROGRAM", true}, {"FLASH_ERASE_ALL", true},
        {"PROG_EFUSE", true}, {"EFUSE_BURN", true},  {"OTP_WRITE", true},
        {"SRAMPROG", false},  {"ISC_ENABLE", false}, {"FLASH_READ", false},
        {"CFG_IN", false},    {"USERCODE", false},
    };
    for (const auto& [name, changes] : names) {
        EXPECT_EQ(changesNonVolatileState(name), changes) << name;
    }
}

}  // namespace
}  // namespace checktest
