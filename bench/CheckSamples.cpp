#include "CheckSamples.h"

#include <cstdio>
#include <string_view>

#include "BenchFiles.h"
#include "LargeScan.h"
#include "PluginSession.h"

namespace kelbench {
namespace {

// An instruction of the one-device chain that is neither BYPASS nor IDCODE.
constexpr char kLoadInstruction[] = "SIR 8 TDI (02);\r\n";

// Writes `text` as a new sample file.
CheckSample writeSample(const std::string& name, const std::string& text) {
    CheckSample made;
    made.path = scratchPath(name);
    FILE* out = std::fopen(made.path.c_str(), "wb");
    const bool ok = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out == nullptr || std::fclose(out) != 0 || !ok) {
        made.error = "cannot write " + made.path;
    }
    made.bytes = fileSize(made.path);
    return made;
}

}  // namespace

const CheckSample& checkSample() {
    static const CheckSample sample = [] {
        CheckSample made;
        const SvfSample& plain = svfSample(64);
        if (!plain.error.empty()) {
            made.error = plain.error;
            return made;
        }
        made.path = scratchPath("check-sample-64.svf");
        FILE* in = std::fopen(plain.path.c_str(), "rb");
        FILE* out = std::fopen(made.path.c_str(), "wb");
        bool ok = in != nullptr && out != nullptr;
        bool inserted = false;
        std::string chunk(1 << 20, '\0');
        size_t got = 0;
        while (ok && (got = std::fread(chunk.data(), 1, chunk.size(), in)) != 0) {
            std::string_view text(chunk.data(), got);
            const size_t at = inserted ? std::string_view::npos : text.find("SDR ");
            if (at != std::string_view::npos) {
                ok = std::fwrite(text.data(), 1, at, out) == at &&
                     std::fputs(kLoadInstruction, out) >= 0;
                text.remove_prefix(at);
                inserted = true;
            }
            ok = ok && std::fwrite(text.data(), 1, text.size(), out) == text.size();
        }
        ok = ok && inserted;
        if (in != nullptr) {
            std::fclose(in);
        }
        if (out != nullptr) {
            ok = std::fclose(out) == 0 && ok;
        }
        made.bytes = fileSize(made.path);
        if (!ok) {
            made.error = "cannot write the check sample";
        }
        return made;
    }();
    return sample;
}

const CheckSample& statementSample() {
    static const CheckSample sample = [] {
        constexpr size_t kSize = 51'000'000;
        std::string text = "STATE RESET;\nENDIR IDLE;\nENDDR IDLE;\nSIR 10 TDI (3a5);\n";
        text.reserve(kSize + 64);
        for (uint64_t i = 0; text.size() < kSize; ++i) {
            if (i % 500 == 0) {
                text += "RUNTEST 50003 TCK;\n";
            } else if (i % 7 == 0) {
                text += "SDR 16 TDI (0000) TDO (7FFF) MASK (7FFF);\n";
            } else {
                text += "SDR 16 TDI (7FFF);\nRUNTEST 10 TCK;\n";
            }
        }
        return writeSample("check-statements.svf", text);
    }();
    return sample;
}

const CheckSample& hugeLengthSample() {
    static const CheckSample sample =
        writeSample("check-huge-length.svf", "SDR 4294967295 TDI (0);\n");
    return sample;
}

const CheckSample& eightInstructionSample() {
    static const CheckSample sample = [] {
        std::string text;
        for (int k = 1; k <= 8; ++k) {
            text += "SIR 64 TDI (" + std::to_string(k) + ");\nSDR 1000000000 TDI (0);\n";
        }
        return writeSample("check-eight-instructions.svf", text);
    }();
    return sample;
}

kelsvf::check::ChainDescription oneDevice() {
    return kelsvf::check::chainFromIrLengths({kIRLength});
}

kelsvf::check::ChainDescription statementDevice() {
    return kelsvf::check::chainFromIrLengths({10});
}

}  // namespace kelbench
