// Plays SVF text on a chain and keeps every event as one short line of text, for tests that
// compare what a file does with what it should do.
#ifndef KELSVF_TESTS_PLAY_RECORDER_H
#define KELSVF_TESTS_PLAY_RECORDER_H

#include <string>
#include <string_view>
#include <vector>

#include "ChainPlayer.h"

namespace checktest {

struct Played {
    // "7: ir 0 = 3f", "8: dr 1 = 12345678", "9: tdo pass 32", "9: tdo FAIL 32 at 3",
    // "4:1 warning several-statements-on-line", "9 error scan-does-not-fit".
    std::vector<std::string> events;
    std::vector<std::string> texts;  // the findings' texts, in order
    kelsvf::check::PlaySummary summary;

    // The events of one kind: "ir", "dr", "tdo", "warning", "error", "info".
    std::vector<std::string> only(std::string_view kind) const;
};

// The chain as --chain writes it ("6:0x0362d093,8").
Played play(std::string_view svf, std::string_view chain, double frequencyHz = 1e6);
Played play(std::string_view svf, const kelsvf::check::ChainDescription& chain,
            double frequencyHz = 1e6);

}  // namespace checktest

#endif  // KELSVF_TESTS_PLAY_RECORDER_H
