// The chain model's own rules: pad bits, when the IR lengths count as set, and the whole-table
// operations the chain scans rely on.
#include <gtest/gtest.h>

#include <cstdint>

#include "kel/DeviceTable.h"

namespace {

using namespace KelPluginInterface;

DeviceTable chainWithIRLengths(std::initializer_list<uint32_t> lengths) {
    DeviceTable table;
    table.setDeviceCount(static_cast<uint32_t>(lengths.size()));
    uint32_t index = 0;
    for (const uint32_t length : lengths) {
        table.setDeviceIRLength(index++, length);
    }
    return table;
}

TEST(DeviceTable, PadBitsOfTheThreeDeviceExample) {
    const DeviceTable table = chainWithIRLengths({8, 6, 10});
    ASSERT_TRUE(table.allIRLengthsSet());
    EXPECT_EQ(table.getTotalIRLength(), 24u);
    const uint32_t heading[] = {0, 8, 14};
    const uint32_t trailing[] = {16, 10, 0};
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table.irHeadingPadBits(i), heading[i]);
        EXPECT_EQ(table.irTrailingPadBits(i), trailing[i]);
        EXPECT_EQ(table.drHeadingPadBits(i), i);
        EXPECT_EQ(table.drTrailingPadBits(i), 2 - i);
    }
}

TEST(DeviceTable, IRLengthsCountAsSetOnlyWhenEveryDeviceHasOne) {
    DeviceTable table;
    EXPECT_FALSE(table.updatePadBits()) << "an empty chain has nothing to pad";

    table.setDeviceCount(3);
    table.setDeviceIRLength(0, 8);
    table.setDeviceIRLength(1, 6);
    EXPECT_FALSE(table.allIRLengthsSet());
    EXPECT_EQ(table.getTotalIRLength(), 0u);

    table.setDeviceIRLength(2, 10);
    EXPECT_TRUE(table.allIRLengthsSet());
    EXPECT_EQ(table.irTrailingPadBits(0), 16u) << "pads recomputed once the last length arrives";

    table.setDeviceIRLength(1, 0);
    EXPECT_FALSE(table.allIRLengthsSet());
    EXPECT_EQ(table.getTotalIRLength(), 0u);

    table.setDeviceIRLength(3, 4);  // beyond the count: ignored
    EXPECT_EQ(table.irLength(3), 0u);
    EXPECT_FALSE(table.allIRLengthsSet());
}

TEST(DeviceTable, AChainWhoseIRExceeds32BitsCannotBePadded) {
    const DeviceTable table = chainWithIRLengths({0xFFFFFFFFu, 2});
    EXPECT_FALSE(table.allIRLengthsSet());
    EXPECT_EQ(table.getTotalIRLength(), 0u);

    const DeviceTable largest = chainWithIRLengths({0xFFFFFFFEu, 1});
    EXPECT_TRUE(largest.allIRLengthsSet());
    EXPECT_EQ(largest.getTotalIRLength(), 0xFFFFFFFFu);
}

TEST(DeviceTable, IndexesAtOrBeyondTheCountReadAsZero) {
    DeviceTable table = chainWithIRLengths({8, 6, 10});
    table.setDeviceId(2, 0x1234);
    table.setDeviceId(3, 0x5678);  // ignored
    EXPECT_EQ(table.deviceId(2), 0x1234u);
    EXPECT_EQ(table.deviceId(3), 0u);
    EXPECT_EQ(table.irLength(3), 0u);
    EXPECT_EQ(table.irHeadingPadBits(3), 0u);
    EXPECT_EQ(table.irTrailingPadBits(0xFFFFFFFFu), 0u);
    EXPECT_EQ(table.drTrailingPadBits(3), 0xFFFFFFFFu) << "the DR pad wraps, unchecked";
}

TEST(DeviceTable, CountIsCappedAndAppendStopsAt255) {
    DeviceTable table;
    table.setDeviceCount(256);
    EXPECT_EQ(table.deviceCount(), 255u);

    table.clear();
    EXPECT_EQ(table.deviceCount(), 0u);
    for (uint32_t i = 0; i < 255; ++i) {
        ASSERT_TRUE(table.appendDevice(i + 1));
    }
    EXPECT_FALSE(table.appendDevice(0xABCD));
    EXPECT_EQ(table.deviceCount(), 255u);
    EXPECT_EQ(table.deviceId(254), 255u);
}

TEST(DeviceTable, AppendStartsAFreshRecordAndUnsetsTheIRLengths) {
    DeviceTable table = chainWithIRLengths({8, 6, 10});
    table.setDeviceCount(1);  // records 1 and 2 keep their stale lengths
    ASSERT_TRUE(table.updatePadBits());

    ASSERT_TRUE(table.appendDevice(0xCAFE));
    EXPECT_EQ(table.deviceCount(), 2u);
    EXPECT_EQ(table.deviceId(1), 0xCAFEu);
    EXPECT_EQ(table.irLength(1), 0u);
    EXPECT_FALSE(table.allIRLengthsSet());
}

TEST(DeviceTable, HasSameDevicesComparesCountAndIdcodesOnly) {
    DeviceTable a = chainWithIRLengths({8, 6});
    DeviceTable b = chainWithIRLengths({4, 4});
    a.setDeviceId(0, 0x11);
    a.setDeviceId(1, 0x22);
    b.setDeviceId(0, 0x11);
    b.setDeviceId(1, 0x22);
    EXPECT_TRUE(a.hasSameDevices(b)) << "IR lengths are not compared";

    b.setDeviceId(1, 0x23);
    EXPECT_FALSE(a.hasSameDevices(b));

    DeviceTable shorter;
    shorter.appendDevice(0x11);
    EXPECT_FALSE(a.hasSameDevices(shorter));
    EXPECT_TRUE(DeviceTable().hasSameDevices(DeviceTable()));
}

TEST(DeviceTable, AssignCopiesTheUsedRecordsAndTheFlag) {
    const DeviceTable source = chainWithIRLengths({8, 6, 10});
    DeviceTable target;
    target.assign(source);
    EXPECT_EQ(target.deviceCount(), 3u);
    EXPECT_TRUE(target.allIRLengthsSet());
    EXPECT_EQ(target.irTrailingPadBits(0), 16u);
    EXPECT_EQ(target.getTotalIRLength(), 24u);

    DeviceTable shorter;
    shorter.appendDevice(0x77);
    target.assign(shorter);
    EXPECT_EQ(target.deviceCount(), 1u);
    EXPECT_EQ(target.deviceId(0), 0x77u);
    EXPECT_FALSE(target.allIRLengthsSet());
    target.setDeviceCount(3);  // records beyond the copied count keep what they held
    EXPECT_EQ(target.irLength(2), 10u);

    target.assign(target);
    EXPECT_EQ(target.deviceCount(), 3u);
}

TEST(DeviceTable, ReverseSwapsWholeRecords) {
    DeviceTable table = chainWithIRLengths({8, 6, 10});
    for (uint32_t i = 0; i < 3; ++i) {
        table.setDeviceId(i, 0xA0 + i);
    }
    table.reverse();
    EXPECT_EQ(table.deviceId(0), 0xA2u);
    EXPECT_EQ(table.irLength(0), 10u);
    EXPECT_EQ(table.deviceId(1), 0xA1u);
    EXPECT_EQ(table.deviceId(2), 0xA0u);
    EXPECT_EQ(table.irLength(2), 8u);
    // Pad fields move with their record until the next recomputation.
    EXPECT_EQ(table.irTrailingPadBits(2), 16u);
    table.updatePadBits();
    EXPECT_EQ(table.irTrailingPadBits(2), 0u);
    EXPECT_EQ(table.irTrailingPadBits(0), 14u);
}

}  // namespace
