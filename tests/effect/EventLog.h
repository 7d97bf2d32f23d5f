// Every event a player reports, with every field and the clocks, waits and run times the player
// holds at that moment, one line each, then the summary: two plays with the same log did the
// same, as far as any sink or diff can tell.
#ifndef KELSVF_TESTS_EVENT_LOG_H
#define KELSVF_TESTS_EVENT_LOG_H

#include <string>
#include <string_view>

#include "ChainPlayer.h"

namespace checktest {

std::string eventLog(std::string_view svf, const kelsvf::check::ChainDescription& chain,
                     kelsvf::check::PlayOptions options = {});

}  // namespace checktest

#endif  // KELSVF_TESTS_EVENT_LOG_H
