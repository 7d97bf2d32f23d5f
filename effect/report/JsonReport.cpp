// kelsvf check's report as one JSON document, written as the file plays: the events array is
// open while they come, one event a line.
#include <cstdio>
#include <utility>
#include <vector>

#include "CheckReport.h"
#include "kelsvfreader/SvfStatement.h"
#include "report/JsonText.h"
#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

std::string idcodeText(uint32_t idcode) {
    char text[12];
    std::snprintf(text, sizeof text, "%08x", idcode);
    return text;
}

class JsonReport : public CheckReport {
  public:
    JsonReport(std::FILE* out, bool fullValues) : out_(out), fullValues_(fullValues) {}

    void begin(const std::string& fileName, const ChainDescription& chain) override {
        std::string devices = "[";
        for (size_t i = 0; i < chain.devices.size(); ++i) {
            const DeviceDescription& device = chain.devices[i];
            JsonObject object;
            object.add("device", uint64_t{i}).add("irLength", uint64_t{device.irLength});
            if (device.idcode) {
                object.add("idcode", idcodeText(*device.idcode));
            } else {
                object.addRaw("idcode", "null");
            }
            if (device.part) {
                object.add("part", device.part->entity);
            }
            hasPart_.push_back(device.part != nullptr);
            devices += (i == 0 ? "" : ", ") + object.text();
        }
        std::fprintf(out_, "{\"file\": %s,\n\"chain\": %s],\n\"events\": [",
                     jsonString(fileName).c_str(), devices.c_str());
    }

    void deviceUpdate(const DeviceUpdate& update) override {
        JsonObject object;
        object.add("type", "update")
            .add("line", update.line)
            .add("device", uint64_t{update.device})
            .add("register", update.ir ? "ir" : "dr")
            .add("bits", update.bitCount)
            .addRaw("value", value(update.value, update.bitCount))
            .add("hash", digestText(update.value, update.bitCount));
        if (!update.registerName.empty()) {
            object.add("name", std::string(update.registerName));
        }
        if (update.ir && update.device < hasPart_.size() && hasPart_[update.device]) {
            if (update.instruction.empty()) {
                object.addRaw("instruction", "null");
            } else {
                object.add("instruction", std::string(update.instruction));
            }
        }
        event(object);
    }

    void tdoCheck(const TdoCheck& check) override {
        JsonObject object;
        object.add("type", "tdo")
            .add("line", check.line)
            .add("register", check.ir ? "ir" : "dr")
            .add("bits", check.bitCount)
            .add("passed", check.passed)
            .add("mismatchedBits", check.mismatchedBits)
            .add("unknownBits", check.unknownBits)
            .add("comparedBits", check.comparedBits);
        if (!check.passed) {
            object.add("firstMismatch", check.firstMismatch);
        }
        object.addRaw("expected", value(check.expected, check.bitCount))
            .addRaw("mask", value(check.mask, check.bitCount))
            .addRaw("actual", value(check.actual, check.bitCount));
        event(object);
    }

    void finding(const Finding& finding) override {
        JsonObject object;
        object.add("type", "finding")
            .add("severity", finding.severity == Severity::Error     ? "error"
                             : finding.severity == Severity::Warning ? "warning"
                                                                     : "info")
            .add("line", finding.line)
            .add("column", finding.column)
            .add("kind", finding.kind)
            .add("text", finding.text);
        event(object);
    }

    void end(const PlaySummary& summary) override {
        JsonObject clocks;
        for (size_t state = 0; state < summary.clocksInState.size(); ++state) {
            clocks.addRaw(kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state)),
                          countText(summary.clocksInState[state]));
        }
        JsonObject object;
        object.addRaw("clocks", clocks.text())
            .addRaw("totalClocks", countText(summary.totalClocks))
            .addRaw("minimumWaitMicroseconds", countText(summary.minimumWaitMicroseconds))
            .add("frequencyHz", summary.frequencyHz)
            .add("lowestFileFrequencyHz", summary.lowestFileFrequencyHz)
            .add("replaySeconds", summary.replaySeconds)
            .add("statements", summary.statements)
            .add("bytesRead", summary.bytesRead)
            .add("irUpdates", summary.irUpdates)
            .add("drUpdates", summary.drUpdates)
            .add("tdoChecks", summary.tdoChecks)
            .add("tdoFailures", summary.tdoFailures)
            .add("tdoUncompared", summary.tdoUncompared)
            .add("errors", summary.errors)
            .add("warnings", summary.warnings)
            .add("infos", summary.infos)
            .add("readToEnd", summary.readToEnd);
        if (!summary.nonVolatile.empty()) {
            std::string loads = "[";
            for (const NonVolatileLoad& load : summary.nonVolatile) {
                loads += (loads.size() > 1 ? ", " : "") + JsonObject()
                                                              .add("device", uint64_t{load.device})
                                                              .add("instruction", load.instruction)
                                                              .add("count", load.count)
                                                              .add("firstLine", load.firstLine)
                                                              .add("lastLine", load.lastLine)
                                                              .text();
            }
            object.addRaw("nonVolatile", loads + "]");
        }
        std::fprintf(out_, "%s],\n\"summary\": %s,\n\"result\": \"%s\"}\n",
                     events_ == 0 ? "" : "\n", object.text().c_str(),
                     summary.errors == 0 ? "ok" : "errors");
    }

  private:
    // A value as a JSON string: shortened past kWholeValueBits unless every digit is asked
    // for. Every digit of a long value is written from the value itself, a block at a time, in
    // the place of a mark the object holds (no JSON text holds a control byte).
    std::string value(const BitValue& bits, uint64_t bitCount) {
        if (!fullValues_ || bitCount <= kBlockBits) {
            return jsonString(fullValues_ ? fullValueText(bits, bitCount)
                                          : valueText(bits, bitCount));
        }
        pending_.push_back({bits, bitCount});
        return std::string(1, kValueMark);
    }

    void event(const JsonObject& object) {
        std::fprintf(out_, "%s\n", events_++ == 0 ? "" : ",");
        const std::string text = object.text();
        size_t from = 0;
        for (const auto& [bits, bitCount] : pending_) {
            const size_t mark = text.find(kValueMark, from);
            std::fwrite(text.data() + from, 1, mark - from, out_);
            std::fputc('"', out_);
            if (!writeFullValue(out_, readerOf(bits), bitCount)) {
                std::fputs("(unreadable)", out_);
            }
            std::fputc('"', out_);
            from = mark + 1;
        }
        pending_.clear();
        std::fwrite(text.data() + from, 1, text.size() - from, out_);
    }

    static constexpr char kValueMark = '\x01';
    std::vector<std::pair<BitValue, uint64_t>> pending_;

    std::FILE* out_;
    bool fullValues_;
    uint64_t events_ = 0;
    std::vector<bool> hasPart_;
};

}  // namespace

std::unique_ptr<CheckReport> jsonReport(std::FILE* out, bool fullValues) {
    return std::make_unique<JsonReport>(out, fullValues);
}

}  // namespace kelsvf::check
