// kelsvf convert as a user runs it: the exit codes with their messages, the output all or
// nothing, the input's format told by content and the output's by --to or the extension.
#include <gtest/gtest.h>

#include <string>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

class KelsvfConvertTest : public KelsvfTest {
  protected:
    void SetUp() override {
        KelsvfTest::SetUp();
        write("in.svf", "FREQUENCY 1E6 HZ;\nSIR 8 TDI (a5);\nSDR 8 TDI (01);\nRUNTEST 10 TCK;\n");
        write("sir-tdo.svf", "SIR 8 TDI (a5) TDO (01);\n");
        write("broken.svf", "SDR 8 TDI (01)\n");
        write("old.xsvf", "left as it was");
    }
};

TEST_F(KelsvfConvertTest, ExitCodesAndWhatEachSays) {
    struct Case {
        const char* arguments;
        int exitCode;
        const char* err;  // a part of standard error
    };
    const Case cases[] = {
        {"convert in.svf -o out.xsvf --drop-unsupported", 0, "in.svf:1: warning: FREQUENCY"},
        {"convert in.svf -o old.xsvf", 1, "in.svf:1: error: FREQUENCY"},
        {"convert sir-tdo.svf -o old.xsvf", 1, "cannot be converted to XSVF faithfully: 1 error"},
        {"convert broken.svf -o old.xsvf", 3, "broken.svf:2:1:"},
        {"convert missing.svf -o old.xsvf", 3, "cannot open missing.svf"},
        {"convert in.svf -o no/such/folder.svf", 3, "cannot write no/such/folder.svf"},
        {"convert in.svf -o in.svf", 2, "would overwrite the input in.svf"},
        {"convert in.svf", 2, "convert needs -o"},
        {"convert in.svf -o x --to bin", 2, "--to takes svf or xsvf"},
        {"convert in.svf -o x --xrepeat 256", 2, "0 to 255"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = kelsvf(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << c.arguments << "\n" << outcome.err;
        EXPECT_EQ(readFile(path("old.xsvf")), "left as it was") << c.arguments;
        EXPECT_TRUE(partialFiles().empty()) << c.arguments;
    }
}

// SVF to XSVF by the extension, back to SVF through standard input and output by content: the
// XSVF's wait comes back as time and clocks, every other statement as it was.
TEST_F(KelsvfConvertTest, ThereAndBackThroughAPipe) {
    ASSERT_EQ(kelsvf("convert in.svf -o out.xsvf --drop-unsupported").exitCode, 0);
    const Outcome back = shell("cat out.xsvf | '" + kKelsvf.string() + "' convert - -o -");
    EXPECT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.out,
              "SIR 8 TDI (a5);\r\nSDR 8 TDI (01);\r\nRUNTEST IDLE 10 TCK 10E-06 SEC ENDSTATE "
              "IDLE;\r\n");
    const Outcome portable = kelsvf("convert out.xsvf -o again.xsvf --to svf");
    EXPECT_EQ(portable.exitCode, 0) << portable.err;
    EXPECT_EQ(readFile(path("again.xsvf")), back.out);
}

// --waits at-least: the register effect exactly, B's waits no shorter than A's in each state.
TEST_F(KelsvfConvertTest, DiffWaitsAtLeast) {
    write("a.svf", "SIR 8 TDI (a5);\nRUNTEST 100 TCK;\nRUNTEST DRPAUSE 5 TCK;\n");
    write("longer.svf", "SIR 8 TDI (a5);\nRUNTEST 1.0E-04 SEC;\nRUNTEST DRPAUSE 9 TCK;\n");
    write("shorter.svf", "SIR 8 TDI (a5);\nRUNTEST 50 TCK;\nRUNTEST DRPAUSE 5 TCK;\n");
    write("other.svf", "SIR 8 TDI (a4);\nRUNTEST 100 TCK;\nRUNTEST DRPAUSE 5 TCK;\n");
    const Outcome longer = kelsvf("diff a.svf longer.svf --chain 8 --waits at-least");
    EXPECT_EQ(longer.exitCode, 0) << longer.out;
    EXPECT_NE(longer.out.find("longer.svf waits at least as long as a.svf"), std::string::npos);
    EXPECT_EQ(kelsvf("diff a.svf longer.svf --chain 8").exitCode, 1);  // exact by default
    const Outcome shorter = kelsvf("diff a.svf shorter.svf --chain 8 --waits at-least");
    EXPECT_EQ(shorter.exitCode, 1);
    EXPECT_NE(
        shorter.out.find("a.svf:1-end shorter.svf:1-end: shorter waits in IDLE: 100 us | 50 us"),
        std::string::npos)
        << shorter.out;
    EXPECT_NE(shorter.out.find("(waits compared as at least)"), std::string::npos);
    EXPECT_EQ(kelsvf("diff a.svf other.svf --chain 8 --waits at-least").exitCode, 1);
    // Clocks become time at the frequency: at 100 kHz, 100 clocks outlast 100 us but 5 clocks
    // fall short of 9.
    const Outcome slow = kelsvf("diff longer.svf a.svf --chain 8 --waits at-least --frequency 1e5");
    EXPECT_NE(slow.out.find("shorter waits in DRPAUSE: 90 us | 50 us"), std::string::npos)
        << slow.out;
    EXPECT_EQ(slow.out.find("IDLE"), std::string::npos) << slow.out;
}

// check and diff read XSVF by its content, with its places as byte offsets.
TEST_F(KelsvfConvertTest, CheckAndDiffReadXsvf) {
    ASSERT_EQ(kelsvf("convert in.svf -o out.xsvf --drop-unsupported").exitCode, 0);
    const Outcome check = kelsvf("check out.xsvf --chain 8");
    EXPECT_EQ(check.exitCode, 0) << check.out;
    // The SIR's update, at the byte of its command (after XREPEAT's two).
    EXPECT_NE(check.out.find("ir a5: loaded ×1, line 2"), std::string::npos) << check.out;
    write("broken.xsvf", std::string("\x07\x00\x02\x08", 4));
    const Outcome broken = kelsvf("diff in.svf broken.xsvf --chain 8");
    EXPECT_EQ(broken.exitCode, 3);
    EXPECT_NE(broken.err.find("byte 2, XSIR: the file ends inside the command"), std::string::npos)
        << broken.err;
}

// What the XSVF reader notes (retries, a dialect's command) check reports as warnings at the
// command's byte, in text and JSON, and diff says on standard error.
TEST_F(KelsvfConvertTest, CheckAndDiffWarnWhatTheXsvfReaderNotes) {
    // XREPEAT 3, XSIR 8 a5, XTRST OFF, XCOMPLETE.
    write("noted.xsvf", std::string("\x07\x03\x02\x08\xa5\x1c\x01\x00", 8));
    const Outcome check = kelsvf("check noted.xsvf --chain 8");
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("noted.xsvf:0: warning: XREPEAT: XREPEAT 3: retries"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("noted.xsvf:5: warning: XTRST: XTRST is a dialect's command"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("0 errors, 2 warnings"), std::string::npos) << check.out;
    const Outcome json = kelsvf("check noted.xsvf --chain 8 --json");
    EXPECT_NE(json.out.find(R"("line": 5, "column": 0, "kind": "xsvf-dialect")"), std::string::npos)
        << json.out;
    write("same.svf", "SIR 8 TDI (a5);\nTRST OFF;\n");
    const Outcome diff = kelsvf("diff same.svf noted.xsvf --chain 8");
    EXPECT_EQ(diff.exitCode, 0) << diff.out;
    EXPECT_NE(diff.err.find("noted.xsvf:0: warning: XREPEAT: XREPEAT 3: retries"),
              std::string::npos)
        << diff.err;
}

// A checked scan cut by --max-scan loses its check in a common player: said once, at the first
// such scan, however many follow.
TEST_F(KelsvfConvertTest, ACutCheckedScanIsWarnedOnce) {
    write("checked.svf",
          "SIR 8 TDI (a5);\nSDR 16 TDI (0001) TDO (1234);\nSDR 16 TDI (0002) TDO (5678);\n");
    const Outcome cut = kelsvf("convert checked.svf -o cut.xsvf --max-scan 8");
    EXPECT_EQ(cut.exitCode, 0) << cut.err;
    EXPECT_EQ(cut.err,
              "checked.svf:2: warning: SDR of 16 bits with TDO cut at --max-scan 8 bits into "
              "XSDRTDOB/XSDRTDOC/XSDRTDOE pieces: a common XSVF player compares no bit of those, "
              "so there this check and those of every later cut scan are lost (said once)\n");
    EXPECT_EQ(kelsvf("convert checked.svf -o whole.xsvf --max-scan 16").err, "");
}

// With the chain options convert proves its output as diff would: what differs fails the
// conversion with its first difference and leaves no output; standard input and output too.
TEST_F(KelsvfConvertTest, ChainOptionsProveTheOutput) {
    struct Case {
        const char* arguments;
        int exitCode;
        const char* err;  // a part of standard error ("" for none at all)
    };
    const Case cases[] = {
        {"convert sir-tdo.svf -o old.xsvf --chain 8 --drop-unsupported", 1,
         "kelsvf: sir-tdo.svf:1 old.xsvf:2: TDO check of an IR scan: 01 under mask ff (8 bits) "
         "| none\nkelsvf: the output does not do what sir-tdo.svf does on 1 device (IR 8) "
         "(waits compared as at least); nothing was written\n"},
        {"convert in.svf -o old.xsvf --chain 8:0x1a2b3c4c", 2, "its bit 0 is always 1"},
        {"convert in.svf -o old.xsvf --chainfile none.chain --irlen 8", 3, "none.chain"},
        {"convert in.svf -o proved.svf --irlen 8 --frequency 1e5", 0, ""},
        {"convert - -o - --chain 8 < in.svf > piped.xsvf --to xsvf --drop-unsupported", 0,
         "warning: FREQUENCY"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = shell("'" + kKelsvf.string() + "' " + c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << c.arguments << "\n" << outcome.err;
        EXPECT_EQ(readFile(path("old.xsvf")), "left as it was") << c.arguments;
        EXPECT_TRUE(partialFiles().empty()) << c.arguments;
    }
    EXPECT_EQ(kelsvf("diff in.svf proved.svf --chain 8").exitCode, 0);
    EXPECT_EQ(kelsvf("diff in.svf piped.xsvf --chain 8 --waits at-least").exitCode, 0);
}

}  // namespace
