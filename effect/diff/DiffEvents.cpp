#include "DiffEvents.h"

namespace kelsvf::check::diff {

void movePlaceAndCounts(Effect& from, Effect& to) {
    to.tdo = from.tdo;
    to.line = from.line;
    to.device = from.device;
    to.ir = from.ir;
    to.bitCount = from.bitCount;
    to.spent.swap(from.spent);
    if (!from.spent) {
        from.spent = std::make_unique<Spent>();  // `to` was moved from
    }
    to.capture = from.capture;
    to.captureOffset = from.captureOffset;
}

void moveEffect(Effect& from, Effect& to, size_t most) {
    movePlaceAndCounts(from, to);
    to.value.swap(from.value);
    to.mask.swap(from.mask);
    to.sources.swap(from.sources);
    if (!from.digitLines.empty() || !to.digitLines.empty()) {
        to.digitLines.swap(from.digitLines);
        from.digitLines.clear();
    }
    releaseLarge(from, most);
}

void releaseLarge(Effect& effect, size_t most) {
    effect.value.releaseIfLarge(most);
    effect.mask.releaseIfLarge(most);
    if (effect.sources.capacity() * sizeof(ValueSource) > most) {
        std::vector<ValueSource>().swap(effect.sources);
    }
    effect.digitLines.clear();
}

}  // namespace kelsvf::check::diff
