#include "script/Operations.h"

#include "common/TextUtil.h"
#include "script/OperationBuilders.h"
#include "script/ScriptValues.h"

namespace kelsvf {

uint32_t LineArgs::number(size_t i, std::string_view what) const {
    return parseNumber32(words_[i], what);
}

std::filesystem::path LineArgs::inputPath(std::string_view word) const {
    const std::filesystem::path path(word);
    return path.is_absolute() || settings_.baseDir.empty() ? path : settings_.baseDir / path;
}

const std::vector<OperationInfo>& operations() {
    static const std::vector<OperationInfo> table{
        // Target lifecycle and lock
        {"open", "KEY=VALUE...",
         "open the target (openTarget); the SVF target needs fname=FILE and type=TEXT", 0,
         kAnyCount, build::open},
        {"close", "", "close the target (closeTarget): gives the lock back, completes the file", 0,
         0, build::close},
        {"lock", "[FLAGS]", "take the port lock (lockTarget): STATE RESET; then STATE IDLE;", 0, 1,
         build::lock},
        {"unlock", "", "give the port lock back (unlockTarget): STATE IDLE;", 0, 0, build::unlock},
        {"cleanlocks", "", "clean stale locks (cleanLocks)", 0, 0, build::cleanLocks},
        // Chain description
        {"devices", "COUNT", "set the number of devices on the chain (setDeviceCount)", 1, 1,
         build::devices},
        {"idcode", "DEVICE IDCODE", "set a device's IDCODE, in hex (setDeviceID)", 2, 2,
         build::idcode},
        {"irlen", "DEVICE BITS", "set a device's IR length (setIRLength)", 2, 2, build::irlen},
        {"chain", "IRLEN...",
         "shorthand: devices, then irlen for each device from device 0 (nearest TDI)", 1, kAnyCount,
         build::chain},
        {"chainfile", "[PATH]",
         "name the chain-description file for scan (sets ZOR_VANTORA_JTAGFILE); no PATH unsets "
         "it",
         0, 1, build::chainFile},
        {"scan", "",
         "describe the chain from the chain file named by chainfile (scanJTAGChain); needs the "
         "lock",
         0, 0, build::scan},
        // TAP
        {"reset", "", "reset the TAP (initializeTAP): STATE RESET;", 0, 0, build::reset},
        {"state", "STATE [CLOCKS [WAIT_US]]",
         "go to STATE and stay there CLOCKS clocks and at least WAIT_US microseconds "
         "(navigateTAP): STATE RESET; or STATE IDLE;, then the clocks and the wait as one "
         "RUNTEST (see Waits)",
         1, 3, build::state},
        {"runtest", "CLOCKS [WAIT_US]",
         "shorthand: state IDLE CLOCKS [WAIT_US]: RUNTEST CLOCKS TCK [WAIT_US E-06 SEC];", 1, 2,
         build::runtest},
        // Device writes
        {"ir", "DEVICE BITS HEX [END] | DEVICE [BITS] @FILE[:msb] [END]",
         "write a device's instruction register, the others in BYPASS (writeDeviceIR); the scan "
         "ends in END (default IDLE)",
         2, 4, build::ir},
        {"dr", "DEVICE BITS HEX [END] | DEVICE [BITS] @FILE[:msb] [END]",
         "write a device's data register, the others in BYPASS (writeDeviceDR); the scan ends in "
         "END (default IDLE)",
         2, 4, build::dr},
        // Pass-through operations
        {"wait", "WAIT_US",
         "a wait of WAIT_US microseconds, written as a RUNTEST minimum time in the state the TAP "
         "is in (waitTime); nothing sleeps",
         1, 1, build::wait},
        {"flush", "", "flush the target's output (flush)", 0, 0, build::flush},
        {"setpin", "PIN VALUE", "set a pin (setPin)", 2, 2, build::setPin},
        {"getpin", "PIN", "read a pin and show its value (getPin)", 1, 1, build::getPin},
        {"pulsepin", "PIN DURATION", "pulse a pin (pulsePin)", 2, 2, build::pulsePin},
        {"waitretries", "WAIT RETRIES", "set wait time and retries (setWaitTimeAndRetries)", 2, 2,
         build::waitRetries},
        {"command", "NAME [DATA...]", "send a command with text data (sendCommand)", 1, kAnyCount,
         build::command},
        {"option", "KEY VALUE", "set a target option (setOption)", 2, 2, build::option},
        {"getoption", "KEY", "read a target option and show it (getOption)", 1, 1,
         build::getOption},
        {"comment", "TEXT...", "write a comment (writeComment)", 1, kAnyCount, build::comment},
        {"header", "TEXT...", "write a header (writeHeader)", 1, kAnyCount, build::header},
        {"endstate", "FIRST SECOND", "set the scan end states (scanEndState)", 2, 2,
         build::endState},
        {"startop", "OPERATION", "mark the start of an operation (startOperation)", 1, 1,
         build::startOperation},
        // Host settings and queries
        {"context", "NUMBER", "message context of this target (setMessageContext)", 1, 1,
         build::context},
        {"userdata", "NUMBER", "store a value in the target (setUserData)", 1, 1, build::userData},
        {"lockowned", "0|1", "mark the lock as owned or not, nothing else (setLockOwned)", 1, 1,
         build::lockOwned},
        {"show", "", "print the target's state, information and chain to standard output", 0, 0,
         build::show},
    };
    return table;
}

const OperationInfo* findOperation(std::string_view name) {
    for (const OperationInfo& operation : operations()) {
        if (equalsIgnoringCase(operation.name, name)) {
            return &operation;
        }
    }
    return nullptr;
}

}  // namespace kelsvf
