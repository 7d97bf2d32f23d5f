// kelsvf bsdl as a user runs it: the part as text and as JSON, notes and errors with their
// place on standard error, and the exit codes.
#include <gtest/gtest.h>

#include <string>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

const fs::path kSamples = KEL_BSDL_SAMPLES;

TEST_F(KelsvfTest, BsdlPrintsThePartAsText) {
    const Outcome outcome = kelsvf("bsdl " + (kSamples / "mcu32_lqfp64.bsd").string());
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out,
              "entity MCU32_LQFP64\n"
              "instruction length 5, capture 00001\n"
              "idcode XXXX1011001000110100001110111011 (0x0b2343bb, mask 0x0fffffff)\n"
              "boundary length 3\n"
              "11 instructions:\n"
              "  BYPASS           11111  BYPASS, 1 bit\n"
              "  EXTEST           00000  BOUNDARY, 3 bits\n"
              "  SAMPLE           00010  BOUNDARY, 3 bits\n"
              "  PRELOAD          00010  BOUNDARY, 3 bits\n"
              "  IDCODE           00001  DEVICE_ID, 32 bits, captures "
              "XXXX1011001000110100001110111011\n"
              "  CLAMP            00100  BYPASS, 1 bit\n"
              "  HIGHZ            00101  BYPASS, 1 bit\n"
              "  DBG_ACCESS       01000  DBG_CTRL, 35 bits\n"
              "  DBG_HALT         01001  DBG_CTRL, 35 bits\n"
              "  FLASH_ERASE_ALL  01100  FLASH_CTRL, 16 bits\n"
              "  FACTORY_TEST     1XXX0  private, register not given\n"
              "5 registers:\n"
              "  BYPASS      1 bit\n"
              "  BOUNDARY    3 bits\n"
              "  DEVICE_ID   32 bits\n"
              "  DBG_CTRL    35 bits\n"
              "  FLASH_CTRL  16 bits\n");
}

TEST_F(KelsvfTest, BsdlPrintsThePartAsJsonWithItsNotes) {
    write("part.bsd",
          "entity Tiny is\n"
          "  attribute INSTRUCTION_LENGTH of Tiny : entity is 2;\n"
          "  attribute INSTRUCTION_OPCODE of Tiny : entity is \"BYPASS (11), SCAN (0X)\";\n"
          "  attribute IDCODE_REGISTER of Tiny : entity is \"XXXX\" & -- any version\n"
          "    \"0000000000000001\" & \"00000000111\" & \"1\";\n"
          "  attribute REGISTER_ACCESS of Tiny : entity is \"CHAIN[7] (SCAN)\";\n"
          "  attribute VENDOR_MODE of Tiny : entity is \"fast\";\n"
          "end Tiny;\n");
    const Outcome outcome = kelsvf("bsdl part.bsd --json");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "part.bsd:7:13: note: the attribute VENDOR_MODE is not read\n");
    EXPECT_EQ(outcome.out,
              "{\"file\": \"part.bsd\", \"entity\": \"TINY\", \"instruction_length\": 2, "
              "\"instruction_capture\": null, \"idcode\": \"XXXX000000000000000100000000111"
              "1\", \"idcodes\": [\"XXXX0000000000000001000000001111\"], \"usercode\": null, "
              "\"boundary_length\": null, \"instructions\": {\n"
              "\"BYPASS\": {\"opcodes\": [\"11\"], \"register\": \"BYPASS\", \"length\": 1, "
              "\"private\": false, \"captures\": null},\n"
              "\"SCAN\": {\"opcodes\": [\"0X\"], \"register\": \"CHAIN\", \"length\": 7, "
              "\"private\": false, \"captures\": null}\n"
              "}, \"registers\": {\"BYPASS\": 1, \"DEVICE_ID\": 32, \"CHAIN\": 7}, \"notes\": [\n"
              "{\"line\": 7, \"column\": 13, \"text\": \"the attribute VENDOR_MODE is not read\"}\n"
              "], \"notes_left_out\": 0}\n");
}

TEST_F(KelsvfTest, BsdlExitCodesSayWhatWentWrong) {
    write("bad.bsd",
          "entity P is\nattribute INSTRUCTION_LENGTH of P : entity is 4;\n"
          "attribute INSTRUCTION_OPCODE of P : entity is \"BYPASS (111)\";\nend P;\n");
    const struct {
        std::string arguments;
        int exitCode;
        std::string out;
        std::string err;
    } cases[] = {
        {"bsdl bad.bsd", 1, "",
         "bad.bsd:3:56: error: INSTRUCTION_OPCODE: the opcode 111 of BYPASS has 3 bits; "
         "INSTRUCTION_LENGTH is 4\n"},
        {"bsdl - --json < bad.bsd", 1,
         "{\"file\": \"<stdin>\", \"error\": {\"line\": 3, \"column\": 56, \"message\": "
         "\"INSTRUCTION_OPCODE: the opcode 111 of BYPASS has 3 bits; INSTRUCTION_LENGTH is 4\"}, "
         "\"notes\": []}\n",
         "<stdin>:3:56: error: INSTRUCTION_OPCODE: the opcode 111 of BYPASS has 3 bits; "
         "INSTRUCTION_LENGTH is 4\n"},
        {"bsdl", 2, "",
         "kelsvf: bsdl needs a BSDL file (a path, or - for standard input)\n"
         "Try 'kelsvf --help'.\n"},
        {"bsdl bad.bsd --json=yes", 2, "", "kelsvf: --json takes no value\nTry 'kelsvf --help'.\n"},
        {"bsdl missing.bsd", 3, "", "kelsvf: cannot read missing.bsd: No such file or directory\n"},
        {"bsdl .", 3, "", "kelsvf: cannot read .: Is a directory\n"},
        {"bsdl " + (kSamples / "mcu32_lqfp64.bsd").string() + " > /dev/full", 3, "",
         "kelsvf: cannot write standard output: No space left on device\n"},
    };
    for (const auto& test : cases) {
        const Outcome outcome = kelsvf(test.arguments);
        EXPECT_EQ(outcome.exitCode, test.exitCode) << test.arguments;
        EXPECT_EQ(outcome.out, test.out) << test.arguments;
        EXPECT_EQ(outcome.err, test.err) << test.arguments;
    }
}

}  // namespace

namespace {

using namespace kelsvftest;

const std::string kParts = (kExamples / "parts").string();

TEST_F(KelsvfTest, CheckWithTheBoardsBsdlFilesNamesEachInstruction) {
    const Outcome outcome =
        kelsvf("check --events " + (kExamples / "worked-example.svf").string() + " --chain " +
               kParts + "/sensor6.bsd," + kParts + "/cpld8.bsd," + kParts + "/fpga10.bsd");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string file = (kExamples / "worked-example.svf").string();
    const std::string expected[] = {
        "on 3 devices (IR 6 SENSOR6_SOT23, 8 CPLD8_QFN32, 10 FPGA10_FG64)\n",
        file + ":7: device 1 ir 05 SAMPLE (8 bits)\n",
        file + ":13: device 0 ir 2a USER_DATA (6 bits)\n",
        file + ":19: device 2 ir 3c5 CFG_IN (10 bits)\n",
        file + ":20: device 2 dr 0123456789 (40 bits)\n",
        file + ": 0 errors, 0 warnings\n",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << outcome.out;
    }
}

TEST_F(KelsvfTest, CheckFindsThePartsOfAChainFileInABsdlFolder) {
    write("board.chain", "16406667\n201256bb\n34c116bb\n");
    write("ir.svf", "SIR 24 TDI (ffffff) TDO (000005) MASK (00000f);\n");
    const Outcome found =
        kelsvf("check --events ir.svf --chainfile board.chain --irlen 6,8,10 --bsdl-dir " + kParts);
    EXPECT_EQ(found.exitCode, 1) << found.err;
    EXPECT_EQ(found.err, "kelsvf: --bsdl-dir: no BSDL file in " + kParts +
                             " matches device 1 (IDCODE 0x201256bb)\n");
    // Device 2 has another version than its file, which leaves the version open; its IR
    // capture (XXXXXX0001) fixes bits the standard does not.
    EXPECT_NE(found.out.find("on 3 devices (IR 6 SENSOR6_SOT23, 8:201256bb, 10 FPGA10_FG64)"),
              std::string::npos)
        << found.out;
    EXPECT_NE(found.out.find("ir.svf:1: tdo 24 bits FAILED"), std::string::npos) << found.out;

    write("bad.bsd", "entity B is end B;\n");
    const struct {
        std::string chain;
        int exitCode;
        std::string err;
    } cases[] = {
        {"--chain bad.bsd", 3, "kelsvf: bad.bsd:1:8: error: entity B has no INSTRUCTION_LENGTH\n"},
        {"--chain 4,missing.bsd", 3,
         "kelsvf: cannot read the BSDL file missing.bsd: No such file or directory\n"},
        {"--chain 6:0x16406667,8,8:0x34c116bb --bsdl-dir " + kParts, 2,
         "kelsvf: --bsdl-dir: " + kParts +
             "/fpga10.bsd matches device 2 (IDCODE 0x34c116bb), but its INSTRUCTION_LENGTH 10 "
             "is not the device's IR length 8\n"},
    };
    for (const auto& test : cases) {
        const Outcome outcome = kelsvf("check ir.svf " + test.chain);
        EXPECT_EQ(outcome.exitCode, test.exitCode) << test.chain;
        EXPECT_EQ(outcome.err, test.err) << test.chain;
    }
}

}  // namespace

namespace {

using namespace kelsvftest;

// The summary a person reads: per device what was loaded and how often, the data under each
// instruction, the checks counted, and each kind of finding once.
TEST_F(KelsvfTest, CheckSummarizesEachDeviceAndGroupsFindings) {
    write("program.svf",
          "STATE RESET;\nSDR 32 TDI (0) TDO (201256bb);\nSIR 8 TDI (11);\nSDR 96 TDI (0);\n"
          "SIR 8 TDI (12);\nSDR 96 TDI (1);\nSDR 96 TDI (2);\nSDR 95 TDI (3);\nSDR 95 TDI (4);\n"
          "SIR 8 TDI (07);\n");
    const Outcome outcome =
        kelsvf("check program.svf --chain " + (kExamples / "parts" / "cpld8.bsd").string());
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    const std::string expected[] = {
        "device 0 (CPLD8_QFN32, IR 8):\n"
        "  after a reset: dr 32 bits \u00d71\n"
        "  ir 11 ISC_ERASE: loaded \u00d71, line 3; dr 96 bits \u00d71\n"
        "  ir 12 ISC_PROGRAM: loaded \u00d71, line 5; dr 96 bits \u00d74\n"
        "  ir 07: loaded \u00d71, line 10\n"
        "  data under ir 12 ISC_PROGRAM: 4 scans, 384 bits, lines 6 to 9, digest ",
        "IDCODE checks: line 2 FAILED\n"
        "TDO checks: 0 compared and passed, 0 not comparable (every expected bit is the "
        "device's own), 1 failed\n",
        "  non-volatile: device 0 (CPLD8_QFN32): ISC_ERASE at line 3, ISC_PROGRAM at line 5\n",
        "program.svf:8: error: SDR: 95 bits (HDR 0 + SDR 95 + TDR 0) do not fit the chain: its "
        "data registers take 96 bits (device 0 ISC_SECTOR 96) [scan-does-not-fit] "
        "(\u00d72, first at line 8, last at line 9)\n"
        "program.svf:10: warning: device 0: instruction 0x7 is not among the opcodes of "
        "CPLD8_QFN32 [unknown-instruction]\n"
        "program.svf: 3 errors, 1 warning\n",
    };
    for (const std::string& part : expected) {
        EXPECT_NE(outcome.out.find(part), std::string::npos) << part << "\n" << outcome.out;
    }
}

}  // namespace
