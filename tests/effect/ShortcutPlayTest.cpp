// The player's shortcuts (short scans in one step, the register selection kept between
// captures) against the general way: every event, field, clock count and summary the same, on
// files in the shapes programming tools write and on the cases next to each shortcut's bounds.
#include <gtest/gtest.h>

#include "EventLog.h"

namespace checktest {
namespace {

using kelsvf::check::ChainDescription;
using kelsvf::check::parseChainOption;
using kelsvf::check::PlayOptions;

const char* const kChains[] = {"8",       "4,5", "6:0x0362d093,8,10", "8:0x12345093:0x01",
                               "4:0,5,3", "10",  "8,4:0x12345093:0x1"};

const char* const kFiles[] = {
    // A flash file: one instruction, short data and waits, verify reads.
    "STATE RESET;\nENDIR IDLE;\nENDDR IDLE;\nSIR 10 TDI (3a5);\nRUNTEST 50003 TCK;\n"
    "SDR 16 TDI (7FFF);\nRUNTEST 10 TCK;\nSDR 16 TDI (7FFF);\nRUNTEST 10 TCK;\n"
    "SDR 16 TDI (0000) TDO (7FFF) MASK (7FFF);\nSDR 16 TDI (0001);\nSDR 16;\n",
    // IDCODE after a reset, then through its opcode, BYPASS, and a chain measurement.
    "STATE RESET;\nSTATE IDLE;\nSDR 32 TDI (00000000);\nSDR 40 TDI (0);\nSIR 8 TDI (01);\n"
    "SDR 32 TDI (ffffffff);\nSIR 8 TDI (FF);\nSDR 1 TDI (1);\nSDR 5 TDI (0A);\nSIR 4 TDI (F);\n"
    "SDR 5 TDI (0A);\nSIR 24 TDI (FFFFFF);\nSDR 3 TDI (5);\nSDR 9 TDI (1FF);\nSDR 2 TDI (1);\n",
    // Instructions changing between captures; resets by TMS, TRST and a STATE path.
    "SIR 8 TDI (3A);\nSDR 8 TDI (12);\nSIR 8 TDI (FF);\nSDR 8 TDI (34);\nTRST ON;\nTRST OFF;\n"
    "STATE IDLE;\nSDR 8 TDI (56);\nSIR 8 TDI (01);\nSDR 32 TDI (0);\nSTATE RESET IDLE;\n"
    "SDR 32 TDI (1);\nSIR 8 TDI (3A);\nSTATE DRSELECT DRCAPTURE DREXIT1 DRUPDATE IDLE;\n"
    "SDR 8 TDI (78);\nSTATE DRSELECT DRCAPTURE DRSHIFT DREXIT1 DRUPDATE IDLE;\nSDR 8 TDI (9A);\n",
    // Scans continued through Pause-DR, then short ones from Run-Test/Idle again.
    "SIR 8 TDI (7A);\nENDDR DRPAUSE;\nSDR 8 TDI (01);\nSDR 8 TDI (02);\nENDDR IDLE;\n"
    "SDR 8 TDI (03);\nSDR 8 TDI (04);\nRUNTEST DRPAUSE 5 TCK;\nSDR 8 TDI (05);\n"
    "RUNTEST IDLE 5 TCK ENDSTATE IDLE;\nSDR 8 TDI (06);\nENDDR IRPAUSE;\nSDR 8 TDI (07);\n",
    // Headers and trailers, values on several lines, long values, a FREQUENCY.
    "SIR 8 TDI (3A);\nHDR 2 TDI (3);\nSDR 8 TDI (12);\nHDR 0;\nTDR 1 TDI (1);\nSDR 8 TDI (12);\n"
    "TDR 0;\nSDR 8 TDI (34);\nFREQUENCY 1E5 HZ;\nSDR 12 TDI (A\nBC);\nSDR 12 TDI (ABC);\n"
    "SDR 200 TDI (123456789abcdef0123456789abcdef0123456789abcdef01);\n"
    "SDR 5000 TDI (1);\nSDR 4096 TDI (8);\nSDR 129 TDI (1);\nSDR 128 TDI (1);\nFREQUENCY;\n"
    "SDR 0;\nSDR 8 TDI (1) SMASK (FF);\nTDR 0 TDO (0);\nSDR 2 TDI (1);\nTDR 0;\nHDR 0 TDO (0);\n"
    "SDR 2 TDI (1);\nHDR 0;\nSDR 2 TDI (1);\n",
    // Verify reads: masked, every bit, failing, through known captures, long, too long, after a
    // reset, with nothing compared.
    "SIR 8 TDI (3A);\nSDR 16 TDI (1234) TDO (1234) MASK (FFFF);\nSDR 16 TDI (0) TDO (0);\n"
    "SDR 8 TDI (0) TDO (01) MASK (03);\nSIR 8 TDI (01);\nSDR 32 TDI (0) TDO (12345093);\n"
    "SDR 32 TDI (0) TDO (12345094) MASK (0000000F);\nSDR 44 TDI (0) TDO (0) MASK (0);\n"
    "SIR 8 TDI (FF);\nSDR 1 TDI (1) TDO (0);\nSDR 3 TDI (7) TDO (1) MASK (1);\nSIR 4 TDI (F);\n"
    "SDR 200 TDI (0) TDO (1) MASK (3);\nSDR 5000 TDI (0) TDO (0) MASK (1);\nSIR 12 TDI (0);\n"
    "SDR 40 TDI (0) TDO (0) SMASK (0);\nSTATE RESET IDLE;\nSDR 48 TDI (0) TDO (1234509300) MASK "
    "(FFFFFFFFFF);\nSDR 48 TDI (5) TDO (5);\n",
    // Findings in the scans: a misfit, several registers of unknown length, a reader error.
    "SIR 17 TDI (1FFFF);\nSDR 1 TDI (1);\nSIR 9 TDI (0);\nSDR 1 TDI (0);\nSDR 2 TDI (3);\n"
    "SDR 64 TDI (1);\nSDR 8 TDI (100);\n",
};

TEST(ShortcutPlay, GivesWhatTheGeneralWayGives) {
    for (const char* chainText : kChains) {
        std::string error;
        const std::optional<ChainDescription> chain = parseChainOption(chainText, error);
        ASSERT_TRUE(chain) << error;
        for (const char* file : kFiles) {
            PlayOptions general;
            general.shortcuts = false;
            const std::string expected = eventLog(file, *chain, general);
            EXPECT_EQ(eventLog(file, *chain), expected) << "chain " << chainText << "\n" << file;
            EXPECT_NE(expected.find("update"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace checktest
