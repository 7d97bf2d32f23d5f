// kelsvf check's report as text: an event a line, in the order of the file, then the summary.
// Findings of one kind past the first few are counted, not printed: a file that repeats one
// form thousands of times gets one line for them.
#include <cinttypes>
#include <cstdio>
#include <map>

#include "CheckReport.h"
#include "kelsvfreader/SvfStatement.h"
#include "report/DecimalText.h"
#include "report/ReportBuffer.h"
#include "report/ReportRoom.h"
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
    explicit TextReport(std::FILE* out) : file_(out), out_(out) {}

    void begin(const std::string& fileName, const ChainDescription& chain) override {
        name_ = fileName;
        chain_ = chain;
        std::fprintf(file_, "check of %s on %s\n", name_.c_str(), chain.describe().c_str());
    }

    // A file of many short scans makes a line per statement: each line is written into room
    // reserved once, and the lines go out in large writes.
    void deviceUpdate(const DeviceUpdate& update) override {
        if (!isShortened(update.bitCount)) {
            writeUpdate(update, {}, {});
        } else {
            // A shortened value shows its top digits and a digest.
            writeUpdate(update, valueText(update.value, update.bitCount),
                        digestText(update.value, update.bitCount));
        }
        out_.endEvent();
    }

    void tdoCheck(const TdoCheck& check) override {
        {
            ReportRoom room(out_, name_.size() + kMostTdoText);
            startLine(room, check.line);
            room.put(": tdo ").number(check.bitCount);
            if (check.comparedBits == 0) {
                room.put(" bits not compared (the expected bits are the device's own capture)\n");
            } else {
                if (check.passed) {
                    room.put(" bits passed");
                } else {
                    room.put(" bits FAILED");
                }
                if (check.unknownBits != 0) {
                    room.put(" (").number(check.unknownBits);
                    room.put(" expected bits not compared: their capture is the device's own)");
                }
                room.put('\n');
            }
            room.done();
        }
        out_.endEvent();
    }

    void finding(const Finding& finding) override {
        Group& group = groups_[{finding.severity, finding.kind}];
        group.last = finding.line;
        if (group.count++ == 0) {
            group.first = finding.line;
        }
        if (group.count > kShownPerKind) {
            return;
        }
        out_.flush();
        std::fprintf(file_, "%s:%" PRIu64, name_.c_str(), finding.line);
        if (finding.column != 0) {
            std::fprintf(file_, ":%" PRIu64, finding.column);
        }
        std::fprintf(file_, ": %s: %s [%s]\n", severityName(finding.severity), finding.text.c_str(),
                     finding.kind.c_str());
    }

    void end(const PlaySummary& summary) override {
        out_.flush();
        for (const auto& [key, group] : groups_) {
            if (group.count > kShownPerKind) {
                std::fprintf(file_,
                             "%s: %" PRIu64 " x %s [%s], first at line %" PRIu64
                             ", last at line %" PRIu64 " (the first %" PRIu64 " shown)\n",
                             name_.c_str(), group.count, severityName(key.first),
                             key.second.c_str(), group.first, group.last, kShownPerKind);
            }
        }
        printSummary(file_, chain_, summary);
        printResult(file_, name_, summary);
    }

  private:
    static constexpr uint64_t kShownPerKind = 3;
    struct Group {
        uint64_t count = 0;
        uint64_t first = 0;
        uint64_t last = 0;
    };

    static const char* severityName(Severity severity) {
        return severity == Severity::Error     ? "error"
               : severity == Severity::Warning ? "warning"
                                               : "note";
    }

    // The most of an update's line besides the file name, the instruction and a shortened
    // value's texts: ":LINE: device N dr VALUE (N bits)\n".
    static constexpr size_t kMostUpdateText = 1 + kMostDecimalDigits + 9 + kMostDecimalDigits + 4 +
                                              kMostShortValueText + 2 + 1 + kMostDecimalDigits + 5 +
                                              9 + 3;
    static constexpr size_t kMostTdoText = 200;

    // `top` and `digest`: a shortened value's texts, empty for one shown whole.
    void writeUpdate(const DeviceUpdate& update, std::string_view top, std::string_view digest) {
        const uint64_t bits = update.bitCount;
        ReportRoom room(out_, name_.size() + update.instruction.size() + top.size() +
                                  digest.size() + kMostUpdateText);
        startLine(room, update.line);
        room.put(": device ").number(update.device).put(update.ir ? " ir " : " dr ");
        // An update without a shift into a register of unknown length latches no bit.
        if (bits != 0) {
            if (top.empty()) {
                room.shortValue(update.value, bits);
            } else {
                room.put(top);
            }
            room.put(' ');
        }
        if (update.ir && !update.instruction.empty()) {
            room.put(update.instruction).put(' ');
        }
        room.put('(').number(bits).put(" bit");
        if (bits != 1) {
            room.put('s');
        }
        if (!digest.empty()) {
            room.put(", sha256 ").put(digest);
        }
        room.put(")\n");
        room.done();
    }

    void startLine(ReportRoom& room, uint64_t line) {
        room.put(name_).put(':').put(lines_.text(line));
    }

    std::FILE* file_;
    ReportBuffer out_;
    ChainDescription chain_;
    std::string name_;
    SteppedDecimal lines_;
    std::map<std::pair<Severity, std::string>, Group> groups_;
};

}  // namespace

std::unique_ptr<CheckReport> textReport(std::FILE* out) {
    return std::make_unique<TextReport>(out);
}

void printSummary(std::FILE* out, const ChainDescription& chain, const PlaySummary& summary) {
    std::fputs("Summary:\n  clocks per TAP state:", out);
    for (size_t state = 0; state < summary.clocksInState.size(); ++state) {
        std::fprintf(out, "%s%s %s", state % 8 == 0 ? "\n    " : "  ",
                     kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state)),
                     countText(summary.clocksInState[state]).c_str());
    }
    std::fprintf(out, "\n  TCK clocks: %s\n", countText(summary.totalClocks).c_str());
    std::fprintf(out, "  RUNTEST minimum times: %s us\n",
                 countText(summary.minimumWaitMicroseconds).c_str());
    std::string rate = frequencyText(summary.frequencyHz);
    if (summary.lowestFileFrequencyHz > 0) {
        rate += " (the file's FREQUENCY where lower, down to " +
                frequencyText(summary.lowestFileFrequencyHz) + ")";
    }
    std::fprintf(out, "  shortest replay at %s: %.6f s\n", rate.c_str(), summary.replaySeconds);
    const std::string uncompared =
        summary.tdoUncompared == 0
            ? ""
            : " (" + std::to_string(summary.tdoUncompared) + " of them compared no bit)";
    std::fprintf(out,
                 "  %" PRIu64 " statements; %" PRIu64 " instruction and %" PRIu64
                 " data register updates; %" PRIu64 " TDO checks%s, %" PRIu64 " failed\n",
                 summary.statements, summary.irUpdates, summary.drUpdates, summary.tdoChecks,
                 uncompared.c_str(), summary.tdoFailures);
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
