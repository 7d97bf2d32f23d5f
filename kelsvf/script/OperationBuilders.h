// The builders behind the operation table, one per script operation (see Operations.cpp).
#ifndef KELSVF_OPERATION_BUILDERS_H
#define KELSVF_OPERATION_BUILDERS_H

#include "script/Operations.h"

namespace kelsvf::build {

// Target lifecycle, chain description, TAP and device writes (TargetOperations.cpp).
Action open(const LineArgs& args);
Action close(const LineArgs& args);
Action lock(const LineArgs& args);
Action unlock(const LineArgs& args);
Action cleanLocks(const LineArgs& args);
Action devices(const LineArgs& args);
Action idcode(const LineArgs& args);
Action irlen(const LineArgs& args);
Action chain(const LineArgs& args);
Action chainFile(const LineArgs& args);
Action scan(const LineArgs& args);
Action reset(const LineArgs& args);
Action state(const LineArgs& args);
Action runtest(const LineArgs& args);
Action ir(const LineArgs& args);
Action dr(const LineArgs& args);

// Pass-through operations, host settings and queries (PassThroughOperations.cpp).
Action wait(const LineArgs& args);
Action flush(const LineArgs& args);
Action setPin(const LineArgs& args);
Action getPin(const LineArgs& args);
Action pulsePin(const LineArgs& args);
Action waitRetries(const LineArgs& args);
Action command(const LineArgs& args);
Action option(const LineArgs& args);
Action getOption(const LineArgs& args);
Action comment(const LineArgs& args);
Action header(const LineArgs& args);
Action endState(const LineArgs& args);
Action startOperation(const LineArgs& args);
Action context(const LineArgs& args);
Action userData(const LineArgs& args);
Action lockOwned(const LineArgs& args);
Action show(const LineArgs& args);

}  // namespace kelsvf::build

#endif  // KELSVF_OPERATION_BUILDERS_H
