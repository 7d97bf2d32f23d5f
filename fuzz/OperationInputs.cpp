#include "OperationInputs.h"

#include <strings.h>

#include <cstring>
#include <filesystem>
#include <iterator>

#include "ScratchFile.h"

namespace kelfuzz {
namespace {

// The key of an option entry as findKey sees it: up to the first '=' within 511 characters.
bool namesOutputFile(const char* entry) {
    const size_t examined = strnlen(entry, 511);
    const void* equals = std::memchr(entry, '=', examined);
    const size_t keyLength = equals != nullptr
                                 ? static_cast<size_t>(static_cast<const char*>(equals) - entry)
                                 : examined;
    return keyLength == 5 && strncasecmp(entry, "fname", 5) == 0;
}

}  // namespace

FuzzFiles FuzzFiles::create() {
    FuzzFiles files;
    files.outputA = scratchFile("a.svf");
    files.outputB = scratchFile("b.svf");
    files.finalOutput = scratchFile("final.svf");
    files.chainFile = scratchFile("chain.txt");
    files.missingDirectory = scratchFile("missing") + "/out.svf";
    files.directory = std::filesystem::path(files.outputA).parent_path().string();
    std::FILE* chain = std::fopen(files.chainFile.c_str(), "wb");
    if (chain != nullptr) {
        std::fputs("0x0BA00477\n0\n0x16D4A093\n", chain);
        std::fclose(chain);
    }
    return files;
}

BitArgument::BitArgument(FuzzedDataProvider& in, uint32_t bitCount, bool mayBeNull) {
    null_ = mayBeNull && in.ConsumeIntegralInRange<int>(0, 9) == 0;
    const size_t size = (size_t{bitCount} + 7) / 8;
    bytes_ = in.ConsumeBytes<uint8_t>(size);
    bytes_.resize(size == 0 ? 1 : size, 0x5A);  // never a null data() for a non-null argument
}

OptionArgument::OptionArgument(FuzzedDataProvider& in, const FuzzFiles& files) {
    const auto entries = in.ConsumeIntegralInRange<uint32_t>(0, 4);
    for (uint32_t i = 0; i < entries; ++i) {
        switch (in.ConsumeIntegralInRange<int>(0, 12)) {
            case 0:
            case 1:
                texts_.push_back("fname=" + files.outputA);
                break;
            case 2:
                texts_.push_back("FName=" + files.outputB);
                break;
            case 3:
                texts_.push_back("fname=" +
                                 (in.ConsumeBool() ? files.missingDirectory : files.directory));
                break;
            case 4:
                texts_.push_back(in.ConsumeBool() ? "fname=/dev/full" : "fname=");
                break;
            case 5:
            case 6:
                texts_.push_back("type=SVF");
                break;
            case 7:
                texts_.push_back(in.ConsumeBool() ? "type=" : "TYPE");
                break;
            case 8:
                texts_.push_back("type=" + std::string(8192 + in.ConsumeIntegral<uint8_t>(), 'T'));
                break;
            default: {
                std::string text = in.ConsumeRandomLengthString(600);
                texts_.push_back(namesOutputFile(text.c_str()) ? "fname=" + files.outputB : text);
            }
        }
    }
    // Pointers are taken once the texts no longer move; some entries become null.
    for (const std::string& text : texts_) {
        pointers_.push_back(in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : text.c_str());
    }
    count_ = static_cast<uint32_t>(pointers_.size());
    null_ = count_ != 0 && in.ConsumeIntegralInRange<int>(0, 15) == 0;
}

uint32_t pickDevice(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange<int>(0, 9) != 0 ? in.ConsumeIntegralInRange<uint32_t>(0, 4)
                                                     : in.ConsumeIntegral<uint32_t>();
}

KelPluginInterface::TapState pickState(FuzzedDataProvider& in) {
    const int32_t value = in.ConsumeIntegralInRange<int>(0, 9) != 0
                              ? in.ConsumeIntegralInRange<int32_t>(0, 15)
                              : in.ConsumeIntegral<int32_t>();
    return static_cast<KelPluginInterface::TapState>(value);
}

KelPluginInterface::TapState pickRunState(FuzzedDataProvider& in) {
    using namespace KelPluginInterface;
    static constexpr TapState kHoldable[] = {KELJTAG_TEST_LOGIC_RESET, KELJTAG_RUN_TEST_IDLE,
                                             KELJTAG_PAUSE_DR, KELJTAG_PAUSE_IR};
    if (in.ConsumeBool()) {
        return kHoldable[in.ConsumeIntegralInRange<size_t>(0, std::size(kHoldable) - 1)];
    }
    return pickState(in);
}

uint32_t pickAmount(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
        case 1:
            return 0;
        case 2:
            return in.ConsumeIntegral<uint32_t>();
        case 3:
            return in.ConsumeIntegralInRange<uint32_t>(1000, 5000000);
        default:
            return in.ConsumeIntegralInRange<uint32_t>(1, 300);
    }
}

uint32_t pickBitCount(FuzzedDataProvider& in) {
    const auto kind = in.ConsumeIntegral<uint8_t>();
    if (kind < 12) {
        return in.ConsumeIntegralInRange<uint32_t>(0, 20000);
    }
    if (kind < 96) {
        return in.ConsumeIntegralInRange<uint32_t>(0, 2048);
    }
    return in.ConsumeIntegralInRange<uint32_t>(0, 64);
}

// Bounded: a host that declares gigabit registers asks for gigabit scans, which is no defect.
uint32_t pickIRLength(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange<int>(0, 9) != 0 ? in.ConsumeIntegralInRange<uint32_t>(0, 64)
                                                     : in.ConsumeIntegralInRange<uint32_t>(0, 5000);
}

uint32_t pickDeviceCount(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
        case 0:
            return in.ConsumeIntegral<uint32_t>();
        case 1:
            return in.ConsumeIntegralInRange<uint32_t>(250, 256);
        default:
            return in.ConsumeIntegralInRange<uint32_t>(0, 5);
    }
}

const char* pickText(FuzzedDataProvider& in, std::string& storage) {
    if (in.ConsumeIntegralInRange<int>(0, 9) == 0) {
        return nullptr;
    }
    storage = in.ConsumeRandomLengthString(700);
    return storage.c_str();
}

}  // namespace kelfuzz
