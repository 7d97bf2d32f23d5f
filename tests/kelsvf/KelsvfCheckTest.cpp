// kelsvf check as a user runs it: every example checks clean on its chain, broken files exit
// 1 with their error lines, bad command lines 2, unreadable files 3, and the JSON report.
#include <gtest/gtest.h>

#include <string>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

// Each example's chain, as its script (or host program) describes it.
TEST_F(KelsvfTest, CheckFindsNoErrorInAnyExample) {
    const std::pair<const char*, std::string> examples[] = {
        {"worked-example", "--irlen 6,8,10"},
        {"bitstream", "--chain 6,8,10"},
        {"single-device", "--chain 6:0x1A2B3C4D"},
        {"chain-file",
         "--chainfile " + (kExamples / "three-devices.chain").string() + " --irlen 4,5,7"},
        {"host_example", "--irlen 6,8,10"},
    };
    for (const auto& [name, chain] : examples) {
        const Outcome outcome =
            kelsvf("check " + (kExamples / (std::string(name) + ".svf")).string() + " " + chain);
        EXPECT_EQ(outcome.exitCode, 0) << name << "\n" << outcome.out << outcome.err;
        EXPECT_NE(outcome.out.find(": 0 errors, 0 warnings\n"), std::string::npos) << outcome.out;
    }
}

TEST_F(KelsvfTest, CheckReportsAsTextAndAsJson) {
    write("small.svf",
          "SIR 4 TDI (3) TDO (1) MASK (3);\nSDR 8 TDI (a5);\nRUNTEST 10 TCK 1E-3 SEC;\n");
    const Outcome text = kelsvf("check small.svf --chain 4 --events");
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(
        text.out,
        "check of small.svf on 1 device (IR 4)\n"
        "small.svf:1: tdo 4 bits passed\n"
        "small.svf:1: device 0 ir 3 (4 bits)\n"
        "small.svf:2: device 0 dr a5 (8 bits)\n"
        "Summary:\n"
        "  clocks per TAP state:\n"
        "    RESET 1  IDLE 12  DRSELECT 2  DRCAPTURE 1  DRSHIFT 8  DREXIT1 1  DRPAUSE 0  "
        "DREXIT2 0\n"
        "    DRUPDATE 1  IRSELECT 1  IRCAPTURE 1  IRSHIFT 4  IREXIT1 1  IRPAUSE 0  IREXIT2 0  "
        "IRUPDATE 1\n"
        "  TCK clocks: 34\n"
        "  RUNTEST minimum times: 1000 us\n"
        "  shortest replay at 1 MHz: 0.001034 s\n"
        "  3 statements; 1 instruction and 1 data register updates; 1 TDO checks, 0 failed\n"
        "small.svf: 0 errors, 0 warnings\n");

    const Outcome json = kelsvf("check small.svf --chain 4 --json --frequency 2e6");
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(
        json.out,
        "{\"file\": \"small.svf\",\n"
        "\"chain\": [{\"device\": 0, \"irLength\": 4, \"idcode\": null}],\n"
        "\"events\": [\n"
        "{\"type\": \"tdo\", \"line\": 1, \"register\": \"ir\", \"bits\": 4, \"passed\": true, "
        "\"mismatchedBits\": 0, \"unknownBits\": 0, \"comparedBits\": 2, \"expected\": \"1\", "
        "\"mask\": \"3\", "
        "\"actual\": \"1\"},\n"
        "{\"type\": \"update\", \"line\": 1, \"device\": 0, \"register\": \"ir\", \"bits\": 4, "
        "\"value\": \"3\", \"hash\": \"3c8e1da82acee45d\"},\n"
        "{\"type\": \"update\", \"line\": 2, \"device\": 0, \"register\": \"dr\", \"bits\": 8, "
        "\"value\": \"a5\", \"hash\": \"6544bbe0aac0fb85\"}\n"
        "],\n"
        "\"summary\": {\"clocks\": {\"RESET\": 1, \"IDLE\": 12, \"DRSELECT\": 2, \"DRCAPTURE\": 1, "
        "\"DRSHIFT\": 8, \"DREXIT1\": 1, \"DRPAUSE\": 0, \"DREXIT2\": 0, \"DRUPDATE\": 1, "
        "\"IRSELECT\": 1, \"IRCAPTURE\": 1, \"IRSHIFT\": 4, \"IREXIT1\": 1, \"IRPAUSE\": 0, "
        "\"IREXIT2\": 0, \"IRUPDATE\": 1}, \"totalClocks\": 34, \"minimumWaitMicroseconds\": 1000, "
        "\"frequencyHz\": 2000000, \"lowestFileFrequencyHz\": 0, \"replaySeconds\": 0.001017, "
        "\"statements\": 3, "
        "\"bytesRead\": 73, \"irUpdates\": 1, \"drUpdates\": 1, \"tdoChecks\": 1, "
        "\"tdoFailures\": 0, \"tdoUncompared\": 0, \"errors\": 0, \"warnings\": 0, \"infos\": 0, "
        "\"readToEnd\": true},\n"
        "\"result\": \"ok\"}\n");
}

TEST_F(KelsvfTest, CheckExitsOneWithTheErrorLinesOfABrokenFile) {
    write("short.svf", "HIR 9 TDI (1ff);\nTIR 6 TDI (3f);\nSIR 8 TDI (05);\n");
    Outcome outcome = kelsvf("check short.svf --irlen 6,8,10");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.out.find("short.svf:3:1: error: SIR: 23 bits (HIR 9 + SIR 8 + TIR 6) do not "
                               "fit the chain: its instruction registers take 24 bits (6 + 8 + "
                               "10) [scan-does-not-fit]\n"),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("short.svf: 1 error, 0 warnings\n"), std::string::npos);

    // The reader's error stops the check; JSON says so too, with the place.
    write("digit.svf", "STATE RESET;\nSIR 6 TDI (7f);\nSTATE IDLE;\n");
    outcome = kelsvf("check - --chain 6 --json", readFile(path("digit.svf")));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.out.find("{\"type\": \"finding\", \"severity\": \"error\", \"line\": 2, "
                               "\"column\": 12, \"kind\": \"reader-error\""),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("\"readToEnd\": false"), std::string::npos);
    EXPECT_NE(outcome.out.find("\"result\": \"errors\"}\n"), std::string::npos);
}

TEST_F(KelsvfTest, CheckRefusesBadCommandLinesAndUnreadableFiles) {
    write("a.svf", "STATE RESET;\n");
    write("two.chain", "0x0362d093\n0\n");
    const std::pair<std::string, int> cases[] = {
        {"check a.svf", 2},
        {"check --chain 6", 2},
        {"check a.svf b.svf --chain 6", 2},
        {"check a.svf --chain 6 --irlen 6", 2},
        {"check a.svf --chainfile two.chain", 2},
        {"check a.svf --chainfile two.chain --irlen 6", 2},
        {"check a.svf --chain 6:zz", 2},
        {"check a.svf --chain 8:0x1a2b3c4c", 2},       // bit 0 of an IDCODE is 1
        {"check a.svf --chain 8:0x1a2b3c4d:0xff", 2},  // BYPASS is no IDCODE instruction
        {"check a.svf --chain 6 --full-values", 2},
        {"check a.svf --irlen 6,0", 2},
        {"check a.svf --chain 6 --frequency 0", 2},
        {"check a.svf --chain 6 --frequency fast", 2},
        {"check a.svf --chain 6 --plugin x.so", 2},
        {"check none.svf --chain 6", 3},
        {"check a.svf --chainfile none.chain --irlen 6,8", 3},
        {"check . --chain 6", 3},
        {"check a.svf --chainfile two.chain --irlen 6,8", 0},
        {"help check", 0},
        {"check --help", 0},
    };
    for (const auto& [arguments, exitCode] : cases) {
        const Outcome outcome = kelsvf(arguments);
        EXPECT_EQ(outcome.exitCode, exitCode) << arguments << "\n" << outcome.err;
        EXPECT_EQ(outcome.err.empty(), exitCode == 0) << arguments << "\n" << outcome.err;
    }
}

// A report that does not reach standard output is a failure, for both commands.
TEST_F(KelsvfTest, CheckAndDiffFailWhenTheReportCannotBeWritten) {
    write("a.svf", "SIR 6 TDI (01);\nSDR 32 TDI (12345678);\n");
    const std::pair<std::string, std::string> cases[] = {
        {"check a.svf --chain 6 > /dev/full", "No space left on device"},
        {"check a.svf --chain 6 --json > /dev/full", "No space left on device"},
        {"check a.svf --chain 6 >&-", "Bad file descriptor"},
        {"diff a.svf a.svf --chain 6 > /dev/full", "No space left on device"},
    };
    for (const auto& [arguments, reason] : cases) {
        const Outcome outcome = kelsvf(arguments);
        EXPECT_EQ(outcome.exitCode, 3) << arguments;
        EXPECT_EQ(outcome.err, "kelsvf: cannot write standard output: " + reason + "\n")
            << arguments;
    }
}

// A long value that cannot be kept out of memory (here: no folder for the spill file; a full
// disk alike) leaves the input unread, whichever command reads it.
TEST_F(KelsvfTest, LongValuesThatCannotBeKeptMakeTheInputUnreadable) {
    write("long.svf", "SDR 8400000 TDI (" + std::string(2100000, '5') + ");\n");
    for (const std::string command :
         {"check long.svf --chain 8", "diff long.svf long.svf --chain 8",
          "convert long.svf -o long.xsvf"}) {
        const Outcome outcome =
            shell("TMPDIR=/nonexistent-spill-folder '" + kKelsvf.string() + "' " + command);
        EXPECT_EQ(outcome.exitCode, 3) << command << "\n" << outcome.out << outcome.err;
        EXPECT_NE(outcome.err.find("cannot keep a long TDI value: cannot make a temporary file in "
                                   "/nonexistent-spill-folder: No such file or directory"),
                  std::string::npos)
            << command << "\n"
            << outcome.err;
    }
}

// A chain-description line may carry irlen= and opcode= before its IDCODE: the plug-in, which
// reads only the last eight characters, finds the same IDCODEs that check does, and check
// verifies the IDCODE read through that opcode.
TEST_F(KelsvfTest, AChainFileLineCarriesTheIrLengthAndTheIdcodeOpcode) {
    write("c.chain", "irlen=8 opcode=0x01 1A2B3C4D\r\n0x00000093\r\n");
    write("s.kel", "open fname=o.svf type=SVF\nlock\nchainfile c.chain\nscan\nshow\nclose\n");
    const Outcome scan = kelsvf("run s.kel");
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_NE(scan.out.find("device 0: IDCODE 1a2b3c4d"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("device 1: IDCODE 00000093"), std::string::npos) << scan.out;

    // Device 0 loads the opcode, device 1 BYPASS; the IDCODE comes out behind the bypass bit.
    write("id.svf", "SIR 14 TDI (7f);\nSDR 33 TDI (0) TDO (03456789a) MASK (1fffffffe);\n");
    write("all.chain", "irlen=8 opcode=01 1A2B3C4D\nirlen=6 00000093\n");
    write("wrong.chain", "irlen=8 opcode=0x01 1A2B3C4F\n0x00000093\n");
    write("blank.chain", "irlen=8 opcode=0x01 1A2B3C4D \n0x00000093\n");
    write("short.chain", "irlen=8 opcode=0x01 93\n0x00000093\n");
    write("typo.chain", "irlen=8 opcod=0x01 1A2B3C4D\n0x00000093\n");
    const struct {
        const char* arguments;
        int exitCode;
        const char* text;  // a part of standard output or error
    } cases[] = {
        {"check id.svf --chainfile c.chain --irlen 8,6", 0, "0 errors, 0 warnings"},
        {"check id.svf --chainfile all.chain", 0, "0 errors, 0 warnings"},
        {"check id.svf --chainfile wrong.chain --irlen 8,6", 1, "[tdo-mismatch]"},
        {"check id.svf --chainfile c.chain --irlen 6,6", 2,
         "device 0 (line 1): irlen=8 on its line, but --irlen gives 6"},
        {"check id.svf --chainfile c.chain", 2, "device 1 (line 2): no IR length"},
        {"check id.svf --chainfile blank.chain --irlen 8,6", 2, "line 1: with fields, the IDCODE"},
        {"check id.svf --chainfile short.chain --irlen 8,6", 2, "line 1: with fields, the IDCODE"},
        {"check id.svf --chainfile typo.chain --irlen 8,6", 2, "'opcod=0x01' is no field"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = kelsvf(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << "\n" << outcome.err;
        EXPECT_NE((outcome.out + outcome.err).find(c.text), std::string::npos)
            << c.arguments << "\n"
            << outcome.out << outcome.err;
    }
}

}  // namespace
