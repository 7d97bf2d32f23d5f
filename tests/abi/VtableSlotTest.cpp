// The virtual table is the host's interface: every operation must sit in its fixed slot.
//
// On this ABI a pointer to a virtual member function holds 1 + the byte offset of its entry in
// the table, so the slot of each operation can be read from the declarations the host compiles.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kel/KelPlugin.h"

namespace {

using namespace KelPluginInterface;

struct Slot {
    std::string name;
    std::ptrdiff_t slot;  // -1 for a member that is not virtual
};

template <typename MemberFunction>
std::ptrdiff_t slotOf(MemberFunction member) {
    static_assert(sizeof(MemberFunction) == 2 * sizeof(void*), "Itanium member function pointer");
    struct {
        uintptr_t pointer;
        std::ptrdiff_t adjustment;
    } raw;
    std::memcpy(&raw, &member, sizeof raw);
    if ((raw.pointer & 1u) == 0) {
        return -1;
    }
    return static_cast<std::ptrdiff_t>((raw.pointer - 1) / sizeof(void*));
}

// The implementation operations are protected; a derived class may name them. It is never
// instantiated.
struct SlotProbe : KelPlugin {
    static std::vector<Slot> implementationSlots() {
        using WaitingNavigation = KelResult (KelPlugin::*)(TapState, uint32_t, uint32_t);
        using Navigation = KelResult (KelPlugin::*)(TapState, uint32_t);
        return {
            {"initializeTargetImpl", slotOf(&SlotProbe::initializeTargetImpl)},
            {"openTargetImpl", slotOf(&SlotProbe::openTargetImpl)},
            {"closeTargetImpl", slotOf(&SlotProbe::closeTargetImpl)},
            {"navigateTAPImpl(state, count, wait)",
             slotOf(static_cast<WaitingNavigation>(&SlotProbe::navigateTAPImpl))},
            {"navigateTAPImpl(state, count)",
             slotOf(static_cast<Navigation>(&SlotProbe::navigateTAPImpl))},
            {"initializeTAPImpl", slotOf(&SlotProbe::initializeTAPImpl)},
            {"shiftChainIRImpl", slotOf(&SlotProbe::shiftChainIRImpl)},
            {"shiftChainDRImpl", slotOf(&SlotProbe::shiftChainDRImpl)},
            {"readChainIRImpl", slotOf(&SlotProbe::readChainIRImpl)},
            {"writeChainIRImpl", slotOf(&SlotProbe::writeChainIRImpl)},
            {"readChainDRImpl", slotOf(&SlotProbe::readChainDRImpl)},
            {"writeChainDRImpl", slotOf(&SlotProbe::writeChainDRImpl)},
            {"readDeviceIRImpl", slotOf(&SlotProbe::readDeviceIRImpl)},
            {"writeDeviceIRImpl", slotOf(&SlotProbe::writeDeviceIRImpl)},
            {"shiftDeviceIRImpl", slotOf(&SlotProbe::shiftDeviceIRImpl)},
            {"readDeviceDRImpl", slotOf(&SlotProbe::readDeviceDRImpl)},
            {"writeDeviceDRImpl", slotOf(&SlotProbe::writeDeviceDRImpl)},
            {"shiftDeviceDRImpl", slotOf(&SlotProbe::shiftDeviceDRImpl)},
            {"isConnectedImpl", slotOf(&SlotProbe::isConnectedImpl)},
            {"getTAPStateImpl", slotOf(&SlotProbe::getTAPStateImpl)},
            {"lockTargetImpl", slotOf(&SlotProbe::lockTargetImpl)},
            {"unlockTargetImpl", slotOf(&SlotProbe::unlockTargetImpl)},
            {"cleanLocksImpl", slotOf(&SlotProbe::cleanLocksImpl)},
            {"flushImpl", slotOf(&SlotProbe::flushImpl)},
            {"setPinImpl", slotOf(&SlotProbe::setPinImpl)},
            {"getPinImpl", slotOf(&SlotProbe::getPinImpl)},
            {"pulsePinImpl", slotOf(&SlotProbe::pulsePinImpl)},
            {"waitTimeImpl", slotOf(&SlotProbe::waitTimeImpl)},
            {"setWaitTimeAndRetriesImpl", slotOf(&SlotProbe::setWaitTimeAndRetriesImpl)},
            {"getTargetInfoImpl", slotOf(&SlotProbe::getTargetInfoImpl)},
            {"sendCommandImpl", slotOf(&SlotProbe::sendCommandImpl)},
            {"setOptionImpl", slotOf(&SlotProbe::setOptionImpl)},
            {"getOptionImpl", slotOf(&SlotProbe::getOptionImpl)},
            {"isFileOutputImpl", slotOf(&SlotProbe::isFileOutputImpl)},
            {"writeCommentImpl", slotOf(&SlotProbe::writeCommentImpl)},
            {"writeHeaderImpl", slotOf(&SlotProbe::writeHeaderImpl)},
            {"scanEndStateImpl", slotOf(&SlotProbe::scanEndStateImpl)},
            {"startOperationImpl", slotOf(&SlotProbe::startOperationImpl)},
        };
    }
};

std::vector<Slot> publicSlots() {
    using WaitingNavigation = KelResult (KelPlugin::*)(TapState, uint32_t, uint32_t);
    using Navigation = KelResult (KelPlugin::*)(TapState, uint32_t);
    return {
        {"initializeTarget", slotOf(&KelPlugin::initializeTarget)},
        {"openTarget", slotOf(&KelPlugin::openTarget)},
        {"closeTarget", slotOf(&KelPlugin::closeTarget)},
        {"isOpened", slotOf(&KelPlugin::isOpened)},
        {"isConnected", slotOf(&KelPlugin::isConnected)},
        {"scanJTAGChain", slotOf(&KelPlugin::scanJTAGChain)},
        {"fileScanJTAGChain", slotOf(&KelPlugin::fileScanJTAGChain)},
        {"targetScanJTAGChain", slotOf(&KelPlugin::targetScanJTAGChain)},
        {"getDeviceCount", slotOf(&KelPlugin::getDeviceCount)},
        {"setDeviceCount", slotOf(&KelPlugin::setDeviceCount)},
        {"getIRLength", slotOf(&KelPlugin::getIRLength)},
        {"setIRLength", slotOf(&KelPlugin::setIRLength)},
        {"getDeviceID", slotOf(&KelPlugin::getDeviceID)},
        {"setDeviceID", slotOf(&KelPlugin::setDeviceID)},
        {"getTargetInfo", slotOf(&KelPlugin::getTargetInfo)},
        {"setMessageContext", slotOf(&KelPlugin::setMessageContext)},
        {"setUserData", slotOf(&KelPlugin::setUserData)},
        {"lockTarget", slotOf(&KelPlugin::lockTarget)},
        {"unlockTarget", slotOf(&KelPlugin::unlockTarget)},
        {"cleanLocks", slotOf(&KelPlugin::cleanLocks)},
        {"setLockOwned", slotOf(&KelPlugin::setLockOwned)},
        {"getTAPState", slotOf(&KelPlugin::getTAPState)},
        {"initializeTAP", slotOf(&KelPlugin::initializeTAP)},
        {"navigateTAP(state, count, wait)",
         slotOf(static_cast<WaitingNavigation>(&KelPlugin::navigateTAP))},
        {"navigateTAP(state, count)", slotOf(static_cast<Navigation>(&KelPlugin::navigateTAP))},
        {"readChainIR", slotOf(&KelPlugin::readChainIR)},
        {"writeChainIR", slotOf(&KelPlugin::writeChainIR)},
        {"shiftChainIR", slotOf(&KelPlugin::shiftChainIR)},
        {"readChainDR", slotOf(&KelPlugin::readChainDR)},
        {"writeChainDR", slotOf(&KelPlugin::writeChainDR)},
        {"shiftChainDR", slotOf(&KelPlugin::shiftChainDR)},
        {"readDeviceIR", slotOf(&KelPlugin::readDeviceIR)},
        {"writeDeviceIR", slotOf(&KelPlugin::writeDeviceIR)},
        {"shiftDeviceIR", slotOf(&KelPlugin::shiftDeviceIR)},
        {"readDeviceDR", slotOf(&KelPlugin::readDeviceDR)},
        {"writeDeviceDR", slotOf(&KelPlugin::writeDeviceDR)},
        {"shiftDeviceDR", slotOf(&KelPlugin::shiftDeviceDR)},
        {"flush", slotOf(&KelPlugin::flush)},
        {"setPin", slotOf(&KelPlugin::setPin)},
        {"getPin", slotOf(&KelPlugin::getPin)},
        {"pulsePin", slotOf(&KelPlugin::pulsePin)},
        {"waitTime", slotOf(&KelPlugin::waitTime)},
        {"setWaitTimeAndRetries", slotOf(&KelPlugin::setWaitTimeAndRetries)},
        {"sendCommand", slotOf(&KelPlugin::sendCommand)},
        {"setOption", slotOf(&KelPlugin::setOption)},
        {"getOption", slotOf(&KelPlugin::getOption)},
        {"isFileOutput", slotOf(&KelPlugin::isFileOutput)},
        {"writeComment", slotOf(&KelPlugin::writeComment)},
        {"writeHeader", slotOf(&KelPlugin::writeHeader)},
        {"scanEndState", slotOf(&KelPlugin::scanEndState)},
        {"startOperation", slotOf(&KelPlugin::startOperation)},
    };
}

constexpr std::ptrdiff_t kDestructorSlots[] = {38, 39};  // complete and deleting destructor

TEST(VtableSlots, ImplementationOperationsFillSlots0To37InOrder) {
    const std::vector<Slot> slots = SlotProbe::implementationSlots();
    ASSERT_EQ(38u, slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(static_cast<std::ptrdiff_t>(i), slots[i].slot) << slots[i].name;
    }
}

// The destructor owns the two slots between the implementation and the public operations.
TEST(VtableSlots, PublicOperationsFillSlots40To90InOrder) {
    const std::vector<Slot> slots = publicSlots();
    ASSERT_EQ(51u, slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(static_cast<std::ptrdiff_t>(40 + i), slots[i].slot) << slots[i].name;
    }
    std::vector<Slot> all = SlotProbe::implementationSlots();
    all.insert(all.end(), slots.begin(), slots.end());
    for (const Slot& slot : all) {
        for (const std::ptrdiff_t destructor : kDestructorSlots) {
            EXPECT_NE(destructor, slot.slot) << slot.name;
        }
    }
}

}  // namespace
