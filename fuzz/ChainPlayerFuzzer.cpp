// kelsvf check's player and diff on any SVF text: they must never crash, every event must hold
// together (a value of exactly its length's bytes, no bit set beyond it; a TDO check's vectors
// of its length; compared and unknown bits within the mask), and a text compared with itself
// must have the same effect, unless it cannot be read. The player's shortcuts must give every
// event, field and count that the general way gives.
//
// Input: the first byte picks the chain, the rest is the text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "EffectDiff.h"
#include "SmallNumbers.h"
#include "tests/effect/EventLog.h"

namespace {

using namespace kelsvf::check;

const char* const kChains[] = {"8", "4,5", "6:0x0362d093,8,10", "8:0x12345093:0x01", "4:0,5,3"};

void require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

bool tailClear(std::span<const uint8_t> bits, uint64_t bitCount) {
    return bitCount % 8 == 0 || bits.empty() || (bits.back() >> (bitCount % 8)) == 0;
}

class CheckingSink : public PlaySink {
  public:
    void deviceUpdate(const DeviceUpdate& update) override {
        require(update.value.bitCount() == update.bitCount);
        if (update.bitCount <= kelsvf::check::kBlockBits) {
            std::vector<uint8_t> buffer;
            require(tailClear(update.value.bytes(buffer), update.bitCount));
        }
    }
    void tdoCheck(const TdoCheck& check) override {
        require(check.expected.bitCount() == check.bitCount);
        require(check.actual.bitCount() == check.bitCount);
        require(check.mask.empty() || check.mask.bitCount() == check.bitCount);
        require(check.comparedBits + check.unknownBits <= check.bitCount);
        require(check.passed == (check.mismatchedBits == 0));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (!declaresOnlySmallNumbers(text)) {
        return 0;
    }
    std::string error;
    const auto chain =
        parseChainOption(kChains[data[0] % (sizeof kChains / sizeof kChains[0])], error);
    require(chain.has_value());

    CheckingSink sink;
    ChainPlayer player(*chain, sink);
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(text);
    const PlaySummary summary = player.playAll(reader);
    require(summary.tdoFailures <= summary.tdoChecks);

    PlayOptions general;
    general.shortcuts = false;
    require(checktest::eventLog(text, *chain) == checktest::eventLog(text, *chain, general));

    kelsvfreader::SvfReader a = kelsvfreader::SvfReader::fromString(text);
    kelsvfreader::SvfReader b = kelsvfreader::SvfReader::fromString(text, 3);
    const DiffResult result = EffectDiff(*chain).compare(a, b);
    require(result.same() || result.unreadableA || result.unreadableB);
    return 0;
}
