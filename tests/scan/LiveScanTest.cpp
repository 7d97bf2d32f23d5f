// The live IDCODE scan on simulated chains: what it finds, in which order, across blocks, and
// what the common tail keeps or clears.
#include <cstdlib>

#include "ScanTestSupport.h"
#include "kelsim/SimulatedChainTarget.h"

namespace {

using namespace scantest;
using namespace KelPluginInterface;
using kelsim::SimulatedDevice;
using Ids = std::vector<uint32_t>;

// Devices in chain order (device 0 nearest TDI); an id of 0 is a device without IDCODE.
std::vector<SimulatedDevice> chainOf(const Ids& ids) {
    std::vector<SimulatedDevice> devices;
    for (const uint32_t id : ids) {
        devices.emplace_back(4, id);
    }
    return devices;
}

// Distinct IDCODEs with bit 0 set, as the standard requires.
uint32_t idcode(uint32_t n) {
    return 0x10000001u | (n << 4);
}

class LiveScan : public RecordingTest {
  protected:
    LiveScan() { unsetenv("ZOR_VANTORA_JTAGFILE"); }

    // A target on `ids`, holding the lock, with the recorder cleared.
    void useChain(const Ids& ids) {
        target = std::make_unique<kelsim::SimulatedChainTarget>(chainOf(ids));
        ASSERT_EQ(target->lockTarget(0), KEL_SUCCESS);
        recorder.clear();
    }

    Ids storedIds() const {
        Ids ids;
        for (uint32_t i = 0; i < target->getDeviceCount(); ++i) {
            ids.push_back(target->getDeviceID(i));
        }
        return ids;
    }

    std::unique_ptr<kelsim::SimulatedChainTarget> target;
};

TEST_F(LiveScan, FindsDevicesWithAndWithoutIdcodeInChainOrder) {
    useChain({0x1A2B3C4D, 0, 0x0F0E0D0B});
    EXPECT_EQ(target->scanJTAGChain(), KEL_SUCCESS);

    EXPECT_EQ(
        recorder.lines(),
        (Lines{
            "> KelPlugin::scanJTAGChain", "  > KelPlugin::targetScanJTAGChain",
            "    > KelPlugin::initializeTAP", "    < KEL_SUCCESS", "    > KelPlugin::shiftChainDR",
            "    < KEL_SUCCESS",
            // From bit 0: device 2's IDCODE, device 1's bypass 0, device 0's IDCODE,
            // then the ones driven in.
            "dump 5 BUFFER AFTER SHIFTDR: 1024 " + std::string(2 * 119, 'f') + "fe3456789a0f0e0d0b",
            "    > KelPlugin::initializeTAP", "    < KEL_SUCCESS", "    > KelPlugin::navigateTAP",
            "print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET TO("
            "KELJTAG_RUN_TEST_IDLE,0) returning 0\n",
            "    < KEL_SUCCESS", "print 2: JTAG chain changed... Resetting IR Lengths\n",
            "print 3: JTAG DeviceCount=3\n", "print 3: Device[0]=1a2b3c4d\n",
            "print 3: Device[1]=00000000\n", "print 3: Device[2]=0f0e0d0b\n", "  < KEL_SUCCESS",
            "< "}));
    EXPECT_EQ(storedIds(), (Ids{0x1A2B3C4D, 0, 0x0F0E0D0B}));
    EXPECT_EQ(target->heldTapState(), KELJTAG_RUN_TEST_IDLE);
    EXPECT_EQ(target->chain().state(), KELJTAG_RUN_TEST_IDLE);
}

TEST_F(LiveScan, ReadsAnIdcodeAcrossTheBlockBoundary) {
    // From TDO: 31 IDCODEs (992 bits), 8 devices without (1000 bits), then an IDCODE in bits
    // 1000 to 1031.
    Ids ids{0x0BADF00D};
    ids.insert(ids.end(), 8, 0);
    for (uint32_t n = 31; n-- > 0;) {
        ids.push_back(idcode(n));
    }
    useChain(ids);
    EXPECT_EQ(target->scanJTAGChain(), KEL_SUCCESS);
    EXPECT_EQ(storedIds(), ids);
    EXPECT_EQ(target->shiftCount(), 2u);
    EXPECT_EQ(dumps().size(), 2u);
}

TEST_F(LiveScan, FortyDevicesTakeMoreThanOneBlock) {
    Ids ids;
    for (uint32_t n = 0; n < 40; ++n) {
        ids.push_back(idcode(n));
    }
    useChain(ids);
    EXPECT_EQ(target->scanJTAGChain(), KEL_SUCCESS);
    EXPECT_EQ(storedIds(), ids);
    EXPECT_EQ(target->shiftCount(), 2u);
}

TEST_F(LiveScan, FindsNoDevicesWhenTdoIsStuckLowOrTheChainIsEmpty) {
    for (const bool stuck : {true, false}) {
        useChain(stuck ? Ids{idcode(1), idcode(2)} : Ids{});
        target->chain().setTdoStuckLow(stuck);
        target->setDeviceCount(2);
        recorder.clear();

        EXPECT_EQ(target->scanJTAGChain(), KEL_FAILURE);
        EXPECT_EQ(recorder.traceLines().end()[-2], "  < KEL_FAILURE, ERROR CODE: 0");
        EXPECT_EQ(recorder.messageLines(),
                  (Lines{"0 256: No devices detected while scanning the JTAG chain\n"}));
        EXPECT_EQ(linesStartingWith("print 1"),
                  (Lines{"print 1: <KelPlugin> Error:No devices detected while scanning the JTAG "
                         "chain\n"}));
        EXPECT_EQ(target->getDeviceCount(), 0u) << "the table is cleared";
        // 255 bypass bits fit in one block; the walk ends there.
        EXPECT_EQ(target->shiftCount(), 1u);
    }
}

TEST_F(LiveScan, AnUnchangedChainKeepsItsIRLengthsAndAChangedOneClearsThem) {
    useChain({idcode(1), 0, idcode(2)});
    ASSERT_EQ(target->scanJTAGChain(), KEL_SUCCESS);
    for (uint32_t i = 0; i < 3; ++i) {
        target->setIRLength(i, 4);
    }
    recorder.clear();

    EXPECT_EQ(target->scanJTAGChain(), KEL_SUCCESS);
    EXPECT_EQ(linesStartingWith("print 2"),
              (Lines{"print 2: No JTAG chain changes detected...\n"}));
    EXPECT_EQ(target->getIRLength(2), 4u);

    // The stored chain no longer matches the devices: the scan replaces it.
    target->setDeviceID(1, 0x12345679);
    recorder.clear();
    EXPECT_EQ(target->scanJTAGChain(), KEL_SUCCESS);
    EXPECT_EQ(linesStartingWith("print 2"),
              (Lines{"print 2: JTAG chain changed... Resetting IR Lengths\n"}));
    EXPECT_EQ(storedIds(), (Ids{idcode(1), 0, idcode(2)}));
    EXPECT_EQ(target->getIRLength(2), 0u);
    uint8_t ir = 0;
    EXPECT_EQ(
        target->shiftDeviceIR(0, &ir, &ir, nullptr, nullptr, 4, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_FAILURE);
}

TEST_F(LiveScan, WithoutTheLockTheDirectScanFailsAtItsLastNavigation) {
    target = std::make_unique<kelsim::SimulatedChainTarget>(chainOf({idcode(1)}));
    target->setDeviceCount(2);
    recorder.clear();

    EXPECT_EQ(target->scanJTAGChain(), KEL_FAILURE);
    EXPECT_EQ(target->shiftCount(), 0u);

    EXPECT_EQ(target->targetScanJTAGChain(), KEL_FAILURE);
    EXPECT_EQ(recorder.traceLines().back(), "< KEL_FAILURE, ERROR CODE: 0");
    EXPECT_EQ(target->shiftCount(), 1u);
    EXPECT_EQ(target->getDeviceCount(), 2u);
    EXPECT_EQ(
        linesStartingWith("print 1"),
        (Lines{
            "print 1: <KelPlugin> Operation not permitted without obtaining an exclusive lock!\n",
            "print 1: <KelPlugin> Operation not permitted without obtaining an exclusive "
            "lock!\n"}));
}

TEST_F(LiveScan, AFailingShiftEndsTheScanWithItsCode) {
    Ids ids;
    for (uint32_t n = 0; n < 40; ++n) {
        ids.push_back(idcode(n));
    }
    useChain(ids);
    target->setDeviceCount(2);
    const auto code = static_cast<KelResult>(0x80000007u);
    target->failShifts(code, 1);
    recorder.clear();

    EXPECT_EQ(target->scanJTAGChain(), code);
    EXPECT_EQ(recorder.traceLines().end()[-2], "  < KEL_FAILURE, ERROR CODE: 7");
    EXPECT_EQ(target->getDeviceCount(), 2u);
    EXPECT_EQ(target->heldTapState(), KELJTAG_SHIFT_DR) << "left where the shift left it";
}

}  // namespace
