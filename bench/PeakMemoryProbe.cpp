// Runs one large SDR through the plug-in in a process of its own and prints its peak resident
// memory, so that every size starts from the same fresh process:
//   kel_bench_peak_memory <MiB> <output file>
// prints "<peak KiB> <peak before the write KiB> <caller's buffer KiB>".
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "PluginSession.h"

namespace {

// The process's peak resident set so far (VmHWM), in KiB; falls back to getrusage.
long peakResidentKiB() {
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kib = -1;
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::strncmp(line, "VmHWM:", 6) == 0) {
                kib = std::strtol(line + 6, nullptr, 10);
                break;
            }
        }
        std::fclose(status);
        if (kib >= 0) {
            return kib;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <MiB> <output file>\n", argv[0]);
        return 2;
    }
    const long mib = std::strtol(argv[1], nullptr, 10);
    if (mib <= 0 || mib > 256) {
        std::fprintf(stderr, "MiB must be 1 to 256\n");
        return 2;
    }
    const size_t bufferBytes = static_cast<size_t>(mib) * 1024 * 1024;

    kelbench::registerCallbacks(kelbench::Callbacks::NoOp);
    kelbench::PluginSession session(argv[2], 1);
    const std::unique_ptr<uint8_t[]> tdi =
        kelbench::patternBytes(bufferBytes);  // every page touched
    if (!session.ready()) {
        std::fprintf(stderr, "cannot open the target\n");
        return 1;
    }
    const long before = peakResidentKiB();
    const KelResult result = session.target().writeDeviceDR(
        0, tdi.get(), nullptr, static_cast<uint32_t>(bufferBytes * 8),
        KelPluginInterface::KELJTAG_RUN_TEST_IDLE, kelbench::kNoContext);
    if (kelFailed(result) || !session.close()) {
        std::fprintf(stderr, "writeDeviceDR or closeTarget failed\n");
        return 1;
    }
    std::printf("%ld %ld %zu\n", peakResidentKiB(), before, bufferBytes / 1024);
    return 0;
}
