// The SVF player on small chains: files written the way different generators write them give
// the updates, TDO checks and findings they should, broken files the right error on the right
// line, and the summary counts every clock and wait.
#include <gtest/gtest.h>

#include "PlayRecorder.h"

namespace checktest {
namespace {

using Events = std::vector<std::string>;

struct Case {
    const char* name;
    const char* chain;
    const char* svf;
    Events events;
};

void expectEvents(const Case& c) {
    const Played played = play(c.svf, c.chain);
    EXPECT_EQ(played.events, c.events) << c.name;
}

// Chain "4,5": SIR 9 TDI (1e2) loads f (BYPASS) into device 0 and 02 into device 1, the device
// nearest TDO, which takes the first bits shifted. An SDR 17 then gives device 1 sixteen bits.
TEST(ChainPlayer, GeneratorStylesHaveTheSameEffect) {
    const Case cases[] = {
        {"the plug-in's own statements",
         "6,8,10",
         "STATE RESET;\nSTATE IDLE;\nHIR 10 TDI (03ff);\nTIR 6 TDI (3f);\nHDR 1 TDI (00);\n"
         "TDR 1 TDI (00);\nSIR 8 TDI (05);\nSDR 32 TDI (12345678);\n",
         {"7: ir 0 = 3f", "7: ir 1 = 05", "7: ir 2 = 3ff", "8: dr 1 = 12345678"}},
        {"the whole chain in SIR and SDR, no headers",
         "6,8,10",
         "SIR 24 TDI (fc17ff);\nSDR 34 TDI (02468acf0);\n",
         {"1: ir 0 = 3f", "1: ir 1 = 05", "1: ir 2 = 3ff", "2: dr 1 = 12345678"}},
        {"one statement over many lines, comments around and inside",
         "4,5",
         "! the instructions\nSIR 9   // both devices\n  TDI (1 ! high digit\n       e2)\n  ;\n"
         "SDR 17 TDI\n(1abcd);\n",
         {"2: ir 0 = f", "2: ir 1 = 02", "6: dr 1 = abcd"}},
        {"several statements on a line",
         "4,5",
         "SIR 9 TDI (1e2); SDR 17 TDI (1abcd);\n",
         {"1: ir 0 = f", "1: ir 1 = 02", "1:18 warning several-statements-on-line",
          "1: dr 1 = abcd"}},
        {"lower case, CR line ends, a carried-over TDI",
         "4,5",
         "sir 9 tdi (1e2);\rsdr 17 tdi (1abcd);\rsdr 17;\r",
         {"1: ir 0 = f", "1: ir 1 = 02", "2: dr 1 = abcd", "3: dr 1 = abcd"}},
        {"pause end states: the update, at the next move, is the scan's",
         "4,5",
         "ENDIR IRPAUSE;\nENDDR DRPAUSE;\nSIR 9 TDI (1e2);\nSDR 17 TDI (1abcd);\nSTATE IDLE;\n",
         {"3: ir 0 = f", "3: ir 1 = 02", "4: dr 1 = abcd"}},
        {"TDO and MASK against the IDCODEs a reset selects",
         "4:0x1a2b3c4d,5:0x0362d093",
         "SDR 64 TDI (0) TDO (1a2b3c4d0362d093) MASK (ffffffffffffffff);\n",
         {"1: tdo pass 64", "1: dr 0 = 00000000", "1: dr 1 = 00000000"}},
        {"TRST ON selects the IDCODEs again",
         "4:0x1a2b3c4d,5:0x0362d093",
         "SIR 9 TDI (1ff);\nTRST ON;\nTRST OFF;\nSDR 64 TDI (0) TDO (1a2b3c4d0362d093);\n",
         {"1: ir 0 = f", "1: ir 1 = 1f", "4: tdo pass 64", "4: dr 0 = 00000000",
          "4: dr 1 = 00000000"}},
        {"IR captures ...01; other IR bits are the device's own and not compared",
         "4,5",
         "SIR 9 TDI (1ff) TDO (021) MASK (063);\n",
         {"1: tdo pass 9", "1: ir 0 = f", "1: ir 1 = 1f"}},
        {"one scan in two statements through Pause-DR, neither captured nor updated between",
         "4,5",
         "SIR 9 TDI (1e2);\nENDDR DRPAUSE;\nSDR 17 TDI (1abcd);\nENDDR IDLE;\nSDR 8 TDI (ef);\n",
         // Device 1's register of unknown length takes all 25 bits but the last, BYPASS's.
         {"1: ir 0 = f", "1: ir 1 = 02", "5: dr 1 = dfabcd"}},
        {"a STATE path clocked state by state: an update without a shift",
         "4,5",
         "SIR 9 TDI (1e2);\nSDR 17 TDI (1abcd);\n"
         "STATE DRSELECT DRCAPTURE DREXIT1 DRUPDATE IDLE;\n",
         {"1: ir 0 = f", "1: ir 1 = 02", "2: dr 1 = abcd", "3: dr 1 = "}},
    };
    for (const Case& c : cases) {
        expectEvents(c);
    }
}

TEST(ChainPlayer, WarnsWherePlayersReadTheFileDifferently) {
    const Case cases[] = {
        {"leading zero digits within the whole bytes: no warning",
         "6,8,10",
         "HIR 10 TDI (03ff);\nHDR 2 TDI (00);\nTDR 1 TDI (00);\n",
         {}},
        {"a digit beyond the value's whole bytes",
         "4",
         "SDR 8 TDI (0ff);\n",
         {"1:12 warning extra-hex-digits", "1: dr 0 = ff"}},
        {"a count of 2^31 or more", "4", "RUNTEST 4294967296 TCK;\n", {"1:9 warning large-count"}},
        {"no line end after the last statement",
         "4",
         "STATE IDLE;",
         {"1:11 warning no-line-end-after-last-statement"}},
        {"PIO", "4", "PIO (HLZ);\n", {"1:1 warning pio-used"}},
        {"several devices of unknown register length",
         "4,5",
         "SIR 9 TDI (022);\nSDR 10 TDI (0);\n",
         {"1: ir 0 = 1", "1: ir 1 = 02", "2 warning dr-split-assumed", "2: dr 0 = 0",
          "2: dr 1 = 000"}},
    };
    for (const Case& c : cases) {
        expectEvents(c);
    }
}

TEST(ChainPlayer, BrokenFilesGiveTheirErrorOnTheirLine) {
    const Case cases[] = {
        {"a header one bit short",
         "6,8,10",
         "HIR 9 TDI (1ff);\nTIR 6 TDI (3f);\nSIR 8 TDI (05);\n",
         // 23 bits through 24: device 2 keeps a 0 of device 0's capture in its bit 0.
         {"3:1 error scan-does-not-fit", "3: ir 0 = 3f", "3: ir 1 = 05", "3: ir 2 = 3fe",
          "3 info chain-hint"}},
        {"header and trailer swapped",
         "6,8,10",
         "HIR 6 TDI (3f);\nTIR 10 TDI (3ff);\nSIR 8 TDI (05);\n",
         {"3:1 error scan-does-not-fit", "3: ir 0 = 3f", "3: ir 1 = f0", "3: ir 2 = 17f"}},
        {"a wrong IDCODE expected",
         "6:0x0362c093",
         "SDR 32 TDI (0) TDO (0362d093) MASK (0fffffff);\n",
         {"1: tdo FAIL 32 at 12", "1 error tdo-mismatch", "1: dr 0 = 00000000"}},
        {"a 1 digit beyond the length", "6", "SIR 6 TDI (7f);\n", {"1:12 error reader-error"}},
        {"a DR scan longer than the BYPASS registers measures the chain",
         "4,5",
         "SIR 9 TDI (1ff);\nSDR 64 TDI (0);\n",
         {"1: ir 0 = f", "1: ir 1 = 1f", "2:1 info chain-measurement"}},
        {"a STATE path that does not start next to the TAP's state",
         "4",
         "STATE IDLE;\nSTATE DRCAPTURE DREXIT1 DRPAUSE;\n",
         {"2:1 error state-path"}},
    };
    for (const Case& c : cases) {
        expectEvents(c);
    }
}

// What real generators' files do, as both common players latch it.
TEST(ChainPlayer, RegistersHoldEveryBitSinceTheirCapture) {
    const Case cases[] = {
        {"a bitstream in pieces through Pause-DR: one update of all of them",
         "8",
         "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 8 TDI (01);\nSDR 8 TDI (02);\nENDDR IDLE;\n"
         "SDR 8 TDI (03);\n",
         {"2: ir 0 = 7a", "6: dr 0 = 030201"}},
        {"pieces through RUNTEST in the pause, then an update without a shift",
         "8",
         "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 8 TDI (01);\nRUNTEST DRPAUSE 3 TCK ENDSTATE "
         "DRPAUSE;\n"
         "SDR 8 TDI (02);\nSTATE IDLE;\n",
         {"2: ir 0 = 7a", "5: dr 0 = 0201"}},
        {"Update-DR without any shift latches 0 bits, on the statement that reached it",
         "8",
         "ENDIR IRPAUSE;\nSIR 8 TDI (ED);\nSTATE IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 "
         "DRPAUSE;\nSTATE IDLE;\nSTATE DRPAUSE;\nRUNTEST IDLE 1 TCK;\n",
         {"2: ir 0 = ed", "4: dr 0 = ", "6: dr 0 = "}},
        {"TDO of a continued scan is the device's own capture, also after RUNTEST DRPAUSE",
         "8",
         "ENDDR DRPAUSE;\nSIR 8 TDI (3A);\nSDR 16 TDI (68FE);\n"
         "SDR 16 TDI (00A0) TDO (00FF) MASK (C100);\nRUNTEST IDLE 1 TCK;\n"
         "RUNTEST DRPAUSE 1 TCK ENDSTATE DRPAUSE;\nSDR 16 TDI (0) TDO (1234);\nSTATE IDLE;\n",
         {"2: ir 0 = 3a", "4: tdo pass 16", "4: dr 0 = 00a068fe", "7: tdo pass 16",
          "7: dr 0 = 0000"}},
        {"a register of known length pushes the continued scan's own bits out",
         "4:0x1a2b3c4d",
         "ENDDR DRPAUSE;\nSDR 32 TDI (cafef00d) TDO (1a2b3c4d);\nSDR 16 TDI (0) TDO (f00d);\n"
         "STATE IDLE;\n",
         {"2: tdo pass 32", "3: tdo pass 16", "3: dr 0 = 0000cafe"}},
        {"IDCODE by the opcode the chain names: a wrong IDCODE is a TDO error",
         "8:0x12345093:0x01",
         "SIR 8 TDI (01);\nSDR 32 TDI (0) TDO (12345093);\nSDR 32 TDI (0) TDO (0a2b3c4d);\n",
         {"1: ir 0 = 01", "2: tdo pass 32", "2: dr 0 = 00000000", "3: tdo FAIL 32 at 1",
          "3 error tdo-mismatch", "3: dr 0 = 00000000"}},
    };
    for (const Case& c : cases) {
        expectEvents(c);
    }
}

TEST(ChainPlayer, FindsWhatPlayersStopAtOrDoDifferently) {
    const Case cases[] = {
        {"TRST after TRST ABSENT",
         "4",
         "TRST ABSENT;\nTRST OFF;\n",
         {"2:1 error trst-after-absent"}},
        {"a STATE path through Shift-DR",
         "4",
         "STATE IDLE DRSELECT DRCAPTURE DRSHIFT DREXIT1 DRUPDATE IDLE;\n",
         {"1 warning state-through-shift", "1: dr 0 = 0"}},
        {"MAXIMUM below the minimum time",
         "4",
         "RUNTEST 10 TCK 1E-03 SEC MAXIMUM 1E-04 SEC;\n",
         {"1:1 warning maximum-below-minimum"}},
        {"no statement", "4", "! only a comment\n", {"0 error no-statement"}},
        {"a run state carried over that changes nothing: no warning",
         "4",
         "RUNTEST DRPAUSE 5 TCK;\nRUNTEST IDLE 5 TCK;\n",
         {"2: dr 0 = "}},
        {"a run state carried over that a later scan continues from",
         "4",
         "SIR 4 TDI (1);\nRUNTEST DRPAUSE 5 TCK;\nSDR 4 TDI (0);\nSTATE IDLE;\n",
         {"1: ir 0 = 1", "2:1 warning run-state-without-end-state", "3: dr 0 = 0"}},
    };
    for (const Case& c : cases) {
        expectEvents(c);
    }
    const Played wrongChain = play("SIR 8 TDI (01);\nSIR 8 TDI (02);\n", "7");
    ASSERT_FALSE(wrongChain.texts.empty());
    EXPECT_EQ(wrongChain.texts.back(),
              "every SIR (with its header and trailer) is 8 bits; the chain's IR lengths add up "
              "to 7: is the chain described the file's?");
}

TEST(ChainPlayer, AnIdcodeCheckPassesOnlyAgainstTheRightIdcode) {
    const char* svf = "STATE RESET;\nSDR 32 TDI (00000000) TDO (0362d093) MASK (0fffffff);\n";
    const struct {
        const char* chain;
        bool passes;
        bool tdoFails;
    } cases[] = {{"6:0x0362d093", true, false},
                 {"6:0x1362d093", true, false},  // the version is masked
                 {"6:0x0362d095", false, true},
                 {"6:0", false, true},
                 // Too short for device 1's register of unknown length, whose capture fills TDO.
                 {"6:0x0362d093,8", false, false}};
    for (const auto& c : cases) {
        const Played played = play(svf, c.chain);
        EXPECT_EQ(played.summary.errors == 0, c.passes) << c.chain;
        EXPECT_EQ(played.summary.tdoFailures != 0, c.tdoFails) << c.chain;
    }
}

TEST(ChainPlayer, CountsClocksPerStateWaitsAndTheReplayTime) {
    // From reset: 1 clock to IDLE and 100 there; IDLE-DRSELECT-DRCAPTURE-DREXIT1 to DRPAUSE and
    // 5 there; five TMS-high clocks from DRPAUSE to RESET (through DREXIT2, DRUPDATE, DRSELECT,
    // IRSELECT); RESET holds without clocks for a wait.
    const Played played = play(
        "RUNTEST 100 TCK;\nRUNTEST DRPAUSE 5 TCK 1500E-06 SEC ENDSTATE DRPAUSE;\n"
        "RUNTEST RESET 250000E-06 SEC ENDSTATE RESET;\n",
        "4");
    const kelsvf::check::PlaySummary& summary = played.summary;
    const std::array<kelsvf::check::Count, 16> clocks = {1, 101, 2, 1, 0, 1, 6, 1,
                                                         1, 1,   0, 0, 0, 0, 0, 0};
    EXPECT_EQ(summary.clocksInState, clocks);
    EXPECT_EQ(summary.totalClocks, 115u);
    EXPECT_EQ(summary.minimumWaitMicroseconds, 251500u);
    EXPECT_DOUBLE_EQ(summary.replaySeconds, 115e-6 + 0.2515);
    EXPECT_EQ(summary.statements, 3u);
    EXPECT_TRUE(summary.readToEnd);

    // "STATE RESET;" clocks five times even in reset; SCK counts clock nothing.
    const Played reset = play("STATE RESET;\nRUNTEST 10 SCK;\n", "4");
    EXPECT_EQ(reset.summary.clocksInState[0], 5u + 1u);
    EXPECT_EQ(reset.summary.clocksInState[1], 0u);

    // A file's lower FREQUENCY counts while in force: 101 clocks at 100 kHz, 100 at 1 MHz.
    const Played slow =
        play("FREQUENCY 1E5 HZ;\nRUNTEST 100 TCK;\nFREQUENCY;\nRUNTEST 100 TCK;\n", "4", 1e6);
    EXPECT_NEAR(slow.summary.replaySeconds, 101e-5 + 100e-6, 1e-12);
}

TEST(ChainPlayer, ShowsLongValuesShortened) {
    std::string svf = "SDR 260 TDI (f";
    svf += std::string(64, '0') + ");\n";
    const Played played = play(svf, "4");
    EXPECT_EQ(played.events, (Events{"1: dr 0 = f000000000000000\u2026"}));
}

}  // namespace
}  // namespace checktest
