// What the large-scan benchmarks share: the scan data, and the plug-in's SVF text for each size,
// written once and checked against the per-byte reference writer.
#ifndef KEL_BENCH_LARGE_SCAN_H
#define KEL_BENCH_LARGE_SCAN_H

#include <cstdint>
#include <string>

namespace kelbench {

constexpr uint64_t kMiB = 1024 * 1024;

// The bit count of a scan of `mib` MiB.
inline uint32_t bitsOf(int64_t mib) {
    return static_cast<uint32_t>(static_cast<uint64_t>(mib) * kMiB * 8);
}

// The whole content of a file; empty when it cannot be read.
std::string readWhole(const std::string& path);

// Pattern bytes enough for the largest scan (64 MiB), made once.
const uint8_t* scanData();

// The plug-in's SVF file for one SDR of `mib` MiB on a one-device chain.
struct SvfSample {
    std::string path;
    int64_t bytes = 0;
    std::string error;  // empty when the file was written and its SDR statement equals the
                        // reference writer's text byte for byte
};
const SvfSample& svfSample(int64_t mib);

}  // namespace kelbench

#endif  // KEL_BENCH_LARGE_SCAN_H
