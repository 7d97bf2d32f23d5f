// What kelsvf check reports about a file, set against what OpenOCD's replay of the same file
// did to a simulated chain: the same register updates, device by device, in the same order.
#ifndef KEL_REPLAY_EFFECT_CHECK_AGREEMENT_H
#define KEL_REPLAY_EFFECT_CHECK_AGREEMENT_H

#include <filesystem>
#include <string>
#include <vector>

#include "BitbangServer.h"
#include "ChainPlayer.h"
#include "ReplayFixture.h"

namespace replay {

// The chain as a user describes it to check: the IR lengths and IDCODEs of `setups` (the data
// register lengths are for check to work out).
kelsvf::check::ChainDescription chainDescriptionOf(const std::vector<DeviceSetup>& setups);

// Plays `svf` with check's engine on the chain of `setups` and compares its updates with the
// replay's: at each Update-IR every device's instruction, at each Update-DR the data of every
// device not in BYPASS; and, the replay having passed every TDO check, no check failing in
// check. Empty when they agree; otherwise what differs, first difference first.
std::vector<std::string> checkDisagreements(const std::vector<DeviceSetup>& setups,
                                            const std::filesystem::path& svf,
                                            const std::vector<RegisterUpdate>& replayed);

}  // namespace replay

#endif  // KEL_REPLAY_EFFECT_CHECK_AGREEMENT_H
