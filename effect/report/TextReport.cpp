// kelsvf check's report as text: an event a line, in the order of the file, then the summary.
#include <cinttypes>
#include <cstdio>

#include "CheckReport.h"
#include "kelsvfreader/SvfStatement.h"
#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

// A line per device: "non-volatile: device 0 (PART): ISC_ERASE at line 7, ISC_PROGRAM
// \u00d7 12 (lines 9 to 40)".
void printNonVolatile(std::FILE* out, const ChainDescription& chain,
                      const std::vector<NonVolatileLoad>& loads) {
    std::vector<bool> printed(loads.size(), false);
    for (size_t first = 0; first < loads.size(); ++first) {
        if (printed[first]) {
            continue;
        }
        const uint32_t device = loads[first].device;
        const DeviceDescription& described = chain.devices.at(device);
        std::fprintf(out, "  non-volatile: device %" PRIu32 " (%s):", device,
                     described.part ? described.part->entity.c_str() : "?");
        const char* separator = " ";
        for (size_t k = first; k < loads.size(); ++k) {
            const NonVolatileLoad& load = loads[k];
            if (load.device != device) {
                continue;
            }
            printed[k] = true;
            if (load.count == 1) {
                std::fprintf(out, "%s%s at line %" PRIu64, separator, load.instruction.c_str(),
                             load.firstLine);
            } else {
                std::fprintf(out, "%s%s \u00d7 %" PRIu64 " (lines %" PRIu64 " to %" PRIu64 ")",
                             separator, load.instruction.c_str(), load.count, load.firstLine,
                             load.lastLine);
            }
            separator = ", ";
        }
        std::fputc('\n', out);
    }
}

class TextReport : public CheckReport {
  public:
    explicit TextReport(std::FILE* out) : out_(out) {}

    void begin(const std::string& fileName, const ChainDescription& chain) override {
        name_ = fileName;
        chain_ = chain;
        std::fprintf(out_, "check of %s on %s\n", name_.c_str(), chain.describe().c_str());
    }

    void deviceUpdate(const DeviceUpdate& update) override {
        std::fprintf(
            out_, "%s:%" PRIu64 ": device %" PRIu32 " %s %s%s%s (%" PRIu32 " bit%s%s)\n",
            name_.c_str(), update.line, update.device, update.ir ? "ir" : "dr",
            valueText(update.value, update.bitCount).c_str(), update.instruction.empty() ? "" : " ",
            std::string(update.instruction).c_str(), update.bitCount,
            update.bitCount == 1 ? "" : "s",
            isShortened(update.bitCount) ? (", hash " + hashText(update.valueHash)).c_str() : "");
    }

    void tdoCheck(const TdoCheck& check) override {
        std::fprintf(out_, "%s:%" PRIu64 ": tdo %" PRIu64 " bits %s", name_.c_str(), check.line,
                     check.bitCount, check.passed ? "passed" : "FAILED");
        if (check.unknownBits != 0) {
            std::fprintf(out_,
                         " (%" PRIu64
                         " expected bits not compared: their capture is the "
                         "device's own)",
                         check.unknownBits);
        }
        std::fputc('\n', out_);
    }

    void finding(const Finding& finding) override {
        std::fprintf(out_, "%s:%" PRIu64, name_.c_str(), finding.line);
        if (finding.column != 0) {
            std::fprintf(out_, ":%" PRIu64, finding.column);
        }
        std::fprintf(out_, ": %s: %s [%s]\n",
                     finding.severity == Severity::Error ? "error" : "warning",
                     finding.text.c_str(), finding.kind.c_str());
    }

    void end(const PlaySummary& summary) override {
        printSummary(out_, chain_, summary);
        printResult(out_, name_, summary);
    }

  private:
    std::FILE* out_;
    std::string name_;
    ChainDescription chain_;
};

}  // namespace

std::unique_ptr<CheckReport> textReport(std::FILE* out) {
    return std::make_unique<TextReport>(out);
}

void printSummary(std::FILE* out, const ChainDescription& chain, const PlaySummary& summary) {
    std::fputs("Summary:\n  clocks per TAP state:", out);
    for (size_t state = 0; state < summary.clocksInState.size(); ++state) {
        std::fprintf(out, "%s%s %" PRIu64, state % 8 == 0 ? "\n    " : "  ",
                     kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state)),
                     summary.clocksInState[state]);
    }
    std::fprintf(out, "\n  TCK clocks: %" PRIu64 "\n", summary.totalClocks);
    std::fprintf(out, "  RUNTEST minimum times: %" PRIu64 " us\n", summary.minimumWaitMicroseconds);
    std::fprintf(out, "  shortest replay at %s: %.6f s\n",
                 frequencyText(summary.frequencyHz).c_str(), summary.replaySeconds);
    std::fprintf(out,
                 "  %" PRIu64 " statements; %" PRIu64 " instruction and %" PRIu64
                 " data register updates; %" PRIu64 " TDO checks, %" PRIu64 " failed\n",
                 summary.statements, summary.irUpdates, summary.drUpdates, summary.tdoChecks,
                 summary.tdoFailures);
    printNonVolatile(out, chain, summary.nonVolatile);
}

void printResult(std::FILE* out, const std::string& fileName, const PlaySummary& summary) {
    std::fprintf(out, "%s: %" PRIu64 " error%s, %" PRIu64 " warning%s%s\n", fileName.c_str(),
                 summary.errors, summary.errors == 1 ? "" : "s", summary.warnings,
                 summary.warnings == 1 ? "" : "s",
                 summary.readToEnd ? "" : " (not read to the end)");
}

std::string frequencyText(double hertz) {
    const char* unit = "Hz";
    double value = hertz;
    if (hertz >= 1e9) {
        value = hertz / 1e9;
        unit = "GHz";
    } else if (hertz >= 1e6) {
        value = hertz / 1e6;
        unit = "MHz";
    } else if (hertz >= 1e3) {
        value = hertz / 1e3;
        unit = "kHz";
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.10g %s", value, unit);
    return text;
}

}  // namespace kelsvf::check
