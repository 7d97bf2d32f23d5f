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
