// The target-information record as raw bytes: a host reads it by offset, not by our struct.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kel/KelPlugin.h"
#include "kelhost/PluginLibrary.h"

namespace {

constexpr size_t kRecordSize = 11268;
constexpr size_t kTargetTypeOffset = 0;
constexpr size_t kPluginNameOffset = 8192;
constexpr size_t kPluginVersionOffset = 10240;

static_assert(sizeof(KelPluginInterface::KelTargetInfo) == kRecordSize);

TEST(TargetInfoLayout, ANewTargetHoldsOnlyTheTwoNamesAtTheirOffsets) {
    std::string error;
    auto library = kelhost::PluginLibrary::load(KEL_PLUGIN_PATH, &error);
    ASSERT_NE(library, nullptr) << error;
    kelhost::TargetPtr target = kelhost::makeTarget(*library);
    ASSERT_NE(target, nullptr);

    // One guard byte past the record shows that no more than the record is written.
    std::vector<unsigned char> bytes(kRecordSize + 1, 0xA5);
    ASSERT_EQ(KEL_SUCCESS, target->getTargetInfo(
                               reinterpret_cast<KelPluginInterface::KelTargetInfo*>(bytes.data())));

    std::vector<unsigned char> expected(kRecordSize + 1, 0);
    const char name[] = "KEL Plug-in";
    const char version[] = "KelPlugin Version 1.0";
    std::memcpy(&expected[kPluginNameOffset], name, sizeof name);
    std::memcpy(&expected[kPluginVersionOffset], version, sizeof version);
    expected[kRecordSize] = 0xA5;
    EXPECT_EQ(expected, bytes);
    EXPECT_EQ(0, bytes[kTargetTypeOffset]);
}

}  // namespace
