// Events packed on one thread come out of the batch as they went in: every field, every count
// (128-bit ones, a RUNTEST time of -0), and the events that do not fit the packing in their
// large slots, in order, across many flushes of the staging buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "HandedEvents.h"

namespace {

using namespace kelsvf::check;
using namespace kelsvf::check::diff;

Effect makeEffect(uint64_t line, uint64_t valueBits, size_t sources, bool tdo) {
    Effect effect;
    effect.tdo = tdo;
    effect.ir = line % 3 == 0;
    effect.line = line;
    effect.device = static_cast<uint32_t>(line % 5);
    effect.bitCount = valueBits;
    const std::vector<uint8_t> bytes(bytesFor(valueBits), static_cast<uint8_t>(line));
    effect.value.assignShort(bytes.data(), valueBits);
    if (tdo) {
        effect.mask.assignShort(bytes.data(), valueBits);
        effect.capture = line * 7;
        effect.captureOffset = line % 11;
    }
    for (size_t i = 0; i < sources; ++i) {
        effect.sources.push_back({i * 8, line + i});
    }
    return effect;
}

std::string text(const Effect& e) {
    std::string out = std::to_string(e.tdo) + std::to_string(e.ir) + " " + std::to_string(e.line) +
                      " " + std::to_string(e.device) + " " + std::to_string(e.bitCount) + " " +
                      std::to_string(e.capture) + "+" + std::to_string(e.captureOffset) + " [";
    for (const Kept* kept : {&e.value, &e.mask}) {
        out += std::to_string(kept->bitCount()) + ":";
        for (size_t i = 0; i < bytesFor(kept->bitCount()); ++i) {
            out += std::to_string(kept->memory()[i]) + ",";
        }
    }
    for (const ValueSource& source : e.sources) {
        out += " " + std::to_string(source.firstBit) + "@" + std::to_string(source.line);
    }
    out += "] " + countText(e.spent->waits);
    for (size_t i = 0; i < e.spent->clocks.size(); ++i) {
        out += " " + countText(e.spent->clocks[i]) + "/" + std::to_string(e.spent->run[i]) +
               (std::signbit(e.spent->run[i]) ? "-" : "");
    }
    return out;
}

TEST(HandedEvents, ComeOutOfTheBatchAsTheyWentIn) {
    struct Shape {
        uint64_t valueBits;
        size_t sources;
        bool tdo;
    };
    // Short ones, then those kept whole beside the batch: a value over 256 bits, five sources.
    const Shape shapes[] = {{16, 1, false}, {32, 0, true},   {0, 0, false}, {256, 4, false},
                            {255, 1, true}, {257, 1, false}, {8, 5, false}};
    std::vector<Effect> sent;
    Spent spent;
    for (uint64_t line = 1; line <= 700; ++line) {
        const Shape& shape = shapes[line % std::size(shapes)];
        sent.push_back(makeEffect(line, shape.valueBits, shape.sources, shape.tdo));
        if (line % 4 != 0) {  // every fourth event has the counts of the one before
            spent.clocks[line % 16] += line % 9 == 0 ? Count{1} << 100 : Count{line};
            spent.waits += line % 13 == 0 ? Count{1} << 70 : 0;
            spent.run[line % 7] = line % 10 == 0 ? -0.0 : static_cast<double>(line) / 3;
        }
        *sent.back().spent = spent;
    }
    HandedBatch batch;
    EventPacker packer;
    for (const Effect& effect : sent) {
        if (Effect* large = packer.handIn(batch, effect)) {
            Effect copy =
                makeEffect(effect.line, effect.bitCount, effect.sources.size(), effect.tdo);
            *copy.spent = *effect.spent;
            moveEffect(copy, *large, 0);
        }
    }
    packer.finish(batch);
    ASSERT_EQ(batch.count, sent.size());
    EventUnpacker unpacker;
    Effect taken;
    size_t at = 0;
    for (const Effect& effect : sent) {
        EXPECT_EQ(text(*unpacker.takeOut(batch, at, taken)), text(effect));
    }
    EXPECT_LE(at, batch.used);
}

}  // namespace
