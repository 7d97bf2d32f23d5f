// The default device-level scans, proven by what the simulated devices receive and capture, and
// by the whole-chain buffers, dumps and messages a host sees.
#include <cstring>

#include "ScanTestSupport.h"
#include "kelsim/SimulatedChainTarget.h"

namespace {

using namespace scantest;
using namespace KelPluginInterface;
using kelsim::DataRegister;
using kelsim::SimulatedDevice;

constexpr uint64_t kUser0 = 0x05;  // device 0's 32-bit data register
constexpr uint64_t kUser1 = 0x0A;  // device 1's
constexpr uint64_t kUser2 = 0x11;  // device 2's

// Three devices with IR lengths 8, 6 and 10, device 0 nearest TDI.
std::vector<SimulatedDevice> threeDevices() {
    std::vector<SimulatedDevice> devices{SimulatedDevice(8, 0x1A2B3C4D), SimulatedDevice(6),
                                         SimulatedDevice(10, 0x0F0E0D0B)};
    devices[0].addDataRegister(kUser0, 32);
    devices[1].addDataRegister(kUser1, 32);
    devices[2].addDataRegister(kUser2, 32);
    return devices;
}

Bytes bytesOf(uint32_t value) {
    return Bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

class DeviceShifts : public RecordingTest {
  protected:
    DeviceShifts() : target(threeDevices()) {
        target.setDeviceCount(3);
        target.setIRLength(0, 8);
        target.setIRLength(1, 6);
        target.setIRLength(2, 10);
        recorder.clear();
    }

    // Loads `instruction` into one device with every other device in BYPASS.
    void select(uint32_t device, uint64_t instruction) {
        const Bytes tdi{static_cast<uint8_t>(instruction), static_cast<uint8_t>(instruction >> 8)};
        Bytes tdo(2);
        const uint32_t irLength = target.getIRLength(device);
        ASSERT_EQ(target.shiftDeviceIR(device, tdi.data(), tdo.data(), nullptr, nullptr, irLength,
                                       KELJTAG_RUN_TEST_IDLE, kNoContext),
                  KEL_SUCCESS);
        ASSERT_EQ(target.chain().device(device).instruction(), instruction);
        recorder.clear();
    }

    SimulatedDevice& device(size_t index) { return target.chain().device(index); }
    DataRegister& userRegister(size_t index, uint64_t instruction) {
        return device(index).dataRegisterFor(instruction);
    }

    kelsim::SimulatedChainTarget target;
};

// ----- IR -----------------------------------------------------------------------------------

TEST_F(DeviceShifts, IRShiftLoadsTheDeviceAndPutsTheOthersInBypass) {
    const uint8_t tdi = 0x2A;
    uint8_t tdo = 0xC0;  // bits 6 and 7 lie beyond the device's bits and must survive
    EXPECT_EQ(
        target.shiftDeviceIR(1, &tdi, &tdo, nullptr, nullptr, 6, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_SUCCESS);

    EXPECT_EQ(device(1).instruction(), 0x2Au);
    EXPECT_EQ(device(0).instruction(), device(0).bypassInstruction());
    EXPECT_EQ(device(2).instruction(), device(2).bypassInstruction());
    EXPECT_EQ(tdo, 0xC1) << "the device's captured ...01";
    EXPECT_EQ(target.heldTapState(), KELJTAG_RUN_TEST_IDLE);
    // 24 bits: 10 of device 2 (nearest TDO), device 1's 6 at bit 10, 8 of device 0.
    EXPECT_EQ(recorder.lines(), (Lines{"> KelPlugin::shiftDeviceIR",
                                       "dump 5 BUFFER AFTER PADDING: 24 ffabff", "< KEL_SUCCESS"}));
}

TEST_F(DeviceShifts, ShortIRBitsLeaveTheDevicesOwnUpperBitsOnes) {
    const uint8_t tdi = 0x05;
    uint8_t tdo = 0;
    EXPECT_EQ(
        target.shiftDeviceIR(2, &tdi, &tdo, nullptr, nullptr, 4, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_SUCCESS);
    EXPECT_EQ(device(2).instruction(), 0x3F5u);
    EXPECT_EQ(tdo, 0x01);
    EXPECT_EQ(dumps(), (Lines{"dump 5 BUFFER AFTER PADDING: 24 fffff5"}));
}

TEST_F(DeviceShifts, ZeroIRBitsPutEveryDeviceInBypassAndLeaveTdoAlone) {
    select(1, kUser1);
    const uint8_t tdi = 0x00;
    uint8_t tdo = 0x5A;
    EXPECT_EQ(
        target.shiftDeviceIR(1, &tdi, &tdo, nullptr, nullptr, 0, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_SUCCESS);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(device(i).instruction(), device(i).bypassInstruction()) << "device " << i;
    }
    EXPECT_EQ(tdo, 0x5A);
    EXPECT_EQ(dumps(), (Lines{"dump 5 BUFFER AFTER PADDING: 24 ffffff"}));
}

TEST_F(DeviceShifts, IRReadDrivesTheFillValueUnderANestedShiftTrace) {
    select(1, kUser1);
    uint8_t tdo = 0xFF;
    EXPECT_EQ(target.readDeviceIR(1, false, &tdo, nullptr, 6, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(device(1).instruction(), 0x00u);
    EXPECT_EQ(tdo, 0x01);
    EXPECT_EQ(recorder.lines(), (Lines{"> KelPlugin::readDeviceIR", "  > KelPlugin::shiftDeviceIR",
                                       "dump 5 BUFFER AFTER PADDING: 24 ff03ff", "  < KEL_SUCCESS",
                                       "< KEL_SUCCESS"}));
}

TEST_F(DeviceShifts, IRWriteLoadsTheDeviceWithoutCapturing) {
    const uint8_t tdi = 0x33;
    EXPECT_EQ(target.writeDeviceIR(0, &tdi, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(device(0).instruction(), 0x33u);
    EXPECT_EQ(device(1).instruction(), device(1).bypassInstruction());
    EXPECT_FALSE(target.lastShift().tdoGiven);
    // The default chain write goes through the traced public shift.
    EXPECT_EQ(recorder.lines(),
              (Lines{"> KelPlugin::writeDeviceIR", "dump 5 BUFFER AFTER PADDING: 24 33ffff",
                     "  > KelPlugin::shiftChainIR", "  < KEL_SUCCESS", "< KEL_SUCCESS"}));
}

TEST_F(DeviceShifts, TooManyIRBitsAreRefusedBeforeAnythingIsShifted) {
    const uint8_t tdi = 0x7F;
    uint8_t tdo = 0x00;
    const uint32_t shiftsBefore = target.shiftCount();
    EXPECT_EQ(
        target.shiftDeviceIR(1, &tdi, &tdo, nullptr, nullptr, 7, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_FAILURE);
    EXPECT_EQ(tdo, 0x00);
    // The read fills tdo first and fails in the same check.
    EXPECT_EQ(target.readDeviceIR(1, true, &tdo, nullptr, 7, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(tdo, 0xFF);
    EXPECT_EQ(target.writeDeviceIR(1, &tdi, nullptr, 7, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.shiftCount(), shiftsBefore);
    EXPECT_EQ(prints(),
              (Lines{"1: <KelPlugin> shiftDeviceIR called with bitCount > device IR Length!\n",
                     "1: <KelPlugin> shiftDeviceIR called with bitCount > device IR Length!\n",
                     "1: <KelPlugin> writeDeviceIR called with bitCount > device IR Length!\n"}));
    EXPECT_TRUE(dumps().empty());
}

// ----- DR -----------------------------------------------------------------------------------

TEST_F(DeviceShifts, DRShiftLoadsTheDeviceAndReturnsWhatItCaptured) {
    select(1, kUser1);
    userRegister(1, kUser1).setCaptureValue(0x12345678);
    const Bytes tdi = bytesOf(0xCAFEF00D);
    Bytes tdo(5, 0xEE);
    EXPECT_EQ(target.shiftDeviceDR(1, tdi.data(), tdo.data(), nullptr, nullptr, 32,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);

    EXPECT_EQ(userRegister(1, kUser1).updatedValue(), 0xCAFEF00Du);
    EXPECT_EQ(tdo, (Bytes{0x78, 0x56, 0x34, 0x12, 0xEE}));
    // 34 bits: one zero bypass bit on each side of device 1's 32.
    EXPECT_EQ(recorder.lines(),
              (Lines{"> KelPlugin::shiftDeviceDR", "dump 5 BUFFER AFTER PADDING: 34 0195fde01a",
                     "< KEL_SUCCESS"}));
}

TEST_F(DeviceShifts, DRReadDrivesTheFillValueAndIsNotDumped) {
    select(0, kUser0);
    userRegister(0, kUser0).setCaptureValue(0x0BADF00D);
    Bytes tdo(4);
    EXPECT_EQ(
        target.readDeviceDR(0, true, tdo.data(), nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_SUCCESS);
    EXPECT_EQ(userRegister(0, kUser0).updatedValue(), 0xFFFFFFFFu);
    EXPECT_EQ(tdo, bytesOf(0x0BADF00D));
    EXPECT_EQ(target.lastShift().bitCount, 34u);
    EXPECT_EQ(recorder.lines(), (Lines{"> KelPlugin::readDeviceDR", "  > KelPlugin::shiftChainDR",
                                       "  < KEL_SUCCESS", "< KEL_SUCCESS"}));

    EXPECT_EQ(
        target.readDeviceDR(0, false, tdo.data(), nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_SUCCESS);
    EXPECT_EQ(userRegister(0, kUser0).updatedValue(), 0u);
}

TEST_F(DeviceShifts, DRWriteNeedsNoPadBitsTowardTdo) {
    select(2, kUser2);
    const Bytes tdi = bytesOf(0xDEADBEEF);
    EXPECT_EQ(target.writeDeviceDR(2, tdi.data(), nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(userRegister(2, kUser2).updatedValue(), 0xDEADBEEFu);
    EXPECT_FALSE(target.lastShift().tdoGiven);
    EXPECT_EQ(dumps(), (Lines{"dump 5 BUFFER AFTER PADDING: 34 00deadbeef"}));

    // Device 0, nearest TDI: its bits are the last in, no pad bit at all.
    select(0, kUser0);
    EXPECT_EQ(target.writeDeviceDR(0, tdi.data(), nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(userRegister(0, kUser0).updatedValue(), 0xDEADBEEFu);
    EXPECT_EQ(dumps(), (Lines{"dump 5 BUFFER AFTER PADDING: 32 deadbeef"}));
}

TEST_F(DeviceShifts, DRWriteCopiesTheCallersLastByteWhole) {
    // Bits 12 and 13 are the pad bits of devices 1 and 0; they carry the caller's upper nibble.
    const Bytes tdi{0x34, 0xF2};
    EXPECT_EQ(target.writeDeviceDR(2, tdi.data(), nullptr, 12, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(dumps(), (Lines{"dump 5 BUFFER AFTER PADDING: 14 f234"}));
}

TEST_F(DeviceShifts, FailingChainShiftIsPassedUpWithTheCapturedSlice) {
    select(1, kUser1);
    userRegister(1, kUser1).setCaptureValue(0x600DCAFE);
    target.failShifts(static_cast<KelResult>(0x80010005u));
    const Bytes tdi(4, 0);
    Bytes tdo(4);
    EXPECT_EQ(target.shiftDeviceDR(1, tdi.data(), tdo.data(), nullptr, nullptr, 32,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              static_cast<KelResult>(0x80010005u));
    EXPECT_EQ(tdo, bytesOf(0x600DCAFE));
    EXPECT_EQ(recorder.traceLines().back(), "< KEL_FAILURE, ERROR CODE: 5");
}

// ----- Masks --------------------------------------------------------------------------------

TEST_F(DeviceShifts, MasksArePaddedAroundTheDevicesSlice) {
    const uint8_t tdi = 0x2A;
    uint8_t tdo = 0;
    const uint8_t tdiMask = 0x15;
    const uint8_t tdoMask = 0x3F;
    ASSERT_EQ(target.shiftDeviceIR(1, &tdi, &tdo, &tdiMask, &tdoMask, 6, KELJTAG_RUN_TEST_IDLE,
                                   kNoContext),
              KEL_SUCCESS);
    // tdiMask: ones for the bypassed devices; tdoMask: only the device's own bits.
    EXPECT_EQ(target.lastShift().tdiMask, (Bytes{0xFF, 0x57, 0xFF}));
    EXPECT_EQ(target.lastShift().tdoMask, (Bytes{0x00, 0xFC, 0x00}));

    const Bytes dataMask{0x0F, 0xF0, 0x00, 0x11};
    Bytes dr(4);
    ASSERT_EQ(target.shiftDeviceDR(1, dr.data(), dr.data(), dataMask.data(), dataMask.data(), 32,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(target.lastShift().tdiMask, (Bytes{0x1F, 0xE0, 0x01, 0x22, 0xFE}));
    EXPECT_EQ(target.lastShift().tdoMask, (Bytes{0x1E, 0xE0, 0x01, 0x22, 0x00}));

    ASSERT_EQ(
        target.writeDeviceDR(2, dr.data(), dataMask.data(), 32, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_SUCCESS);
    EXPECT_EQ(target.lastShift().tdiMask, (Bytes{0x0F, 0xF0, 0x00, 0x11, 0xFF}));

    ASSERT_EQ(target.shiftDeviceDR(1, dr.data(), dr.data(), nullptr, nullptr, 32,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_FALSE(target.lastShift().tdiMaskGiven);
    EXPECT_FALSE(target.lastShift().tdoMaskGiven);
}

TEST_F(DeviceShifts, PaddingMatchesABitByBitLayoutAtEveryLength) {
    // Whole-chain buffers of every length and position against a plain bit-by-bit layout: the
    // pad value around the device's bits, the bits themselves at P.
    for (uint32_t device = 0; device < 3; ++device) {
        for (uint32_t bitCount = 0; bitCount <= 80; ++bitCount) {
            Bytes tdi((bitCount + 7) / 8 + 1);
            for (size_t i = 0; i < tdi.size(); ++i) {
                tdi[i] = static_cast<uint8_t>(0x9D * (i + bitCount + device));
            }
            Bytes tdo(tdi.size());
            const Bytes mask = tdi;
            recorder.clear();
            ASSERT_EQ(target.shiftDeviceDR(device, tdi.data(), tdo.data(), mask.data(), mask.data(),
                                           bitCount, KELJTAG_RUN_TEST_IDLE, kNoContext),
                      KEL_SUCCESS);

            const uint32_t total = bitCount + 2;
            const uint32_t position = 2 - device;
            Bytes buffer((total + 7) / 8, 0x00);
            Bytes tdiMask((total + 7) / 8, 0xFF);
            Bytes tdoMask((total + 7) / 8, 0x00);
            for (uint32_t k = 0; k < bitCount; ++k) {
                const uint32_t at = position + k;
                const auto bit = static_cast<uint8_t>(1u << (at % 8));
                const bool value = bitOf(tdi, k);
                buffer[at / 8] =
                    static_cast<uint8_t>(value ? buffer[at / 8] | bit : buffer[at / 8]);
                tdiMask[at / 8] =
                    static_cast<uint8_t>(value ? tdiMask[at / 8] : tdiMask[at / 8] & ~bit);
                tdoMask[at / 8] =
                    static_cast<uint8_t>(value ? tdoMask[at / 8] | bit : tdoMask[at / 8]);
            }
            ASSERT_EQ(recorder.events().at(1).bytes, buffer) << device << " " << bitCount;
            ASSERT_EQ(target.lastShift().tdiMask, tdiMask) << device << " " << bitCount;
            ASSERT_EQ(target.lastShift().tdoMask, tdoMask) << device << " " << bitCount;
        }
    }
}

// ----- Refusals -----------------------------------------------------------------------------

TEST_F(DeviceShifts, EveryScanNeedsAllIRLengths) {
    target.setIRLength(2, 0);
    recorder.clear();
    Bytes bits(4);
    EXPECT_EQ(
        target.readDeviceIR(0, true, bits.data(), nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_FAILURE);
    EXPECT_EQ(target.writeDeviceIR(0, bits.data(), nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(
        target.readDeviceDR(0, true, bits.data(), nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_FAILURE);
    EXPECT_EQ(target.writeDeviceDR(0, bits.data(), nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.shiftDeviceDR(0, bits.data(), bits.data(), nullptr, nullptr, 8,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(prints(),
              (Lines{"1: <KelPlugin> shiftDeviceIR called but not all IR lengths set!\n",
                     "1: <KelPlugin> writeDeviceIR called but not all IR lengths set!\n",
                     "1: <KelPlugin> readDeviceDR called but not all IR lengths set!\n",
                     "1: <KelPlugin> writeDeviceDR called but not all IR lengths set!\n",
                     "1: <KelPlugin> shiftDeviceDR called but not all IR lengths set!\n"}));
    EXPECT_EQ(target.shiftCount(), 0u);
}

TEST_F(DeviceShifts, ADeviceBeyondTheChainIsRefused) {
    Bytes bits(4);
    const uint32_t beyond = 3;
    EXPECT_EQ(target.shiftDeviceIR(beyond, bits.data(), bits.data(), nullptr, nullptr, 0,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(
        target.writeDeviceIR(beyond, bits.data(), nullptr, 0, KELJTAG_RUN_TEST_IDLE, kNoContext),
        KEL_FAILURE);
    EXPECT_EQ(target.shiftDeviceDR(beyond, bits.data(), bits.data(), nullptr, nullptr, 8,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.readDeviceDR(0xFFFFFFFFu, true, bits.data(), nullptr, 8, KELJTAG_RUN_TEST_IDLE,
                                  kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.writeDeviceDR(200, bits.data(), nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(
        prints(),
        (Lines{"1: <KelPlugin> shiftDeviceIR called with a device index beyond the chain!\n",
               "1: <KelPlugin> writeDeviceIR called with a device index beyond the chain!\n",
               "1: <KelPlugin> shiftDeviceDR called with a device index beyond the chain!\n",
               "1: <KelPlugin> readDeviceDR called with a device index beyond the chain!\n",
               "1: <KelPlugin> writeDeviceDR called with a device index beyond the chain!\n"}));
    EXPECT_EQ(target.shiftCount(), 0u);
}

TEST_F(DeviceShifts, NullBuffersAreRefused) {
    Bytes bits(4);
    EXPECT_EQ(target.readDeviceIR(0, true, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.shiftDeviceIR(0, nullptr, bits.data(), nullptr, nullptr, 8,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.writeDeviceIR(0, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.shiftDeviceDR(0, bits.data(), nullptr, nullptr, nullptr, 8,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.readDeviceDR(0, true, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.writeDeviceDR(0, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(prints(), (Lines{"1: <KelPlugin> readDeviceIR called with a NULL buffer!\n",
                               "1: <KelPlugin> shiftDeviceIR called with a NULL buffer!\n",
                               "1: <KelPlugin> writeDeviceIR called with a NULL buffer!\n",
                               "1: <KelPlugin> shiftDeviceDR called with a NULL buffer!\n",
                               "1: <KelPlugin> readDeviceDR called with a NULL buffer!\n",
                               "1: <KelPlugin> writeDeviceDR called with a NULL buffer!\n"}));
    EXPECT_EQ(target.shiftCount(), 0u);
}

TEST_F(DeviceShifts, APaddedLengthBeyond32BitsIsRefused) {
    Bytes bits(4);
    // 2^32 - 1 bits plus two bypass bits.
    EXPECT_EQ(target.shiftDeviceDR(1, bits.data(), bits.data(), nullptr, nullptr, 0xFFFFFFFFu,
                                   KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(target.writeDeviceDR(2, bits.data(), nullptr, 0xFFFFFFFEu, KELJTAG_RUN_TEST_IDLE,
                                   kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(prints(),
              (Lines{"1: <KelPlugin> shiftDeviceDR called with bitCount too large to pad for the "
                     "chain!\n",
                     "1: <KelPlugin> writeDeviceDR called with bitCount too large to pad for the "
                     "chain!\n"}));
    EXPECT_EQ(target.shiftCount(), 0u);
}

}  // namespace
