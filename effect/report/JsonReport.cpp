// kelsvf check's report as one JSON document, written as the file plays: the events array is
// open while they come, one event a line.
#include <cstdio>

#include "CheckReport.h"
#include "kelsvfreader/SvfStatement.h"
#include "report/DecimalText.h"
#include "report/DigestCache.h"
#include "report/JsonText.h"
#include "report/ReportBuffer.h"
#include "report/ReportRoom.h"
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
    JsonReport(std::FILE* out, bool fullValues) : file_(out), out_(out), fullValues_(fullValues) {}

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
        std::fprintf(file_, "{\"file\": %s,\n\"chain\": %s],\n\"events\": [",
                     jsonString(fileName).c_str(), devices.c_str());
    }

    // Events go straight into the buffer, member by member as JsonObject spells them, the
    // members of fixed size into room reserved once.
    void deviceUpdate(const DeviceUpdate& update) override {
        const uint64_t bits = update.bitCount;
        // A digest is hex digits (or "(no digest)"): a JSON string as it stands.
        const std::string& digest = digests_.of(update.value, bits);
        ReportRoom room(out_, kMostUpdateHead + kMostShortValueText + digest.size() + 32);
        startEvent(room);
        room.put("{\"type\": \"update\", \"line\": ")
            .put(lines_.text(update.line))
            .put(", \"device\": ")
            .number(update.device)
            .put(update.ir ? ", \"register\": \"ir\", \"bits\": "
                           : ", \"register\": \"dr\", \"bits\": ")
            .number(bits);
        if (bits <= kWholeValueBits) {
            room.put(", \"value\": \"").shortValue(update.value, bits).put('"');
            room.put(", \"hash\": \"").put(digest).put('"');
            room.done();
        } else {
            room.done();
            longValue(", \"value\": ", update.value, bits);
            out_.put(", \"hash\": \"").put(digest).put('"');
        }
        if (!update.registerName.empty()) {
            out_.put(", \"name\": ").jsonString(update.registerName);
        }
        if (update.ir && update.device < hasPart_.size() && hasPart_[update.device]) {
            out_.put(", \"instruction\": ");
            if (update.instruction.empty()) {
                out_.put("null");
            } else {
                out_.jsonString(update.instruction);
            }
        }
        out_.put('}');
        out_.endEvent();
    }

    void tdoCheck(const TdoCheck& check) override {
        ReportRoom head(out_, kMostTdoHead);
        startEvent(head);
        head.put("{\"type\": \"tdo\", \"line\": ")
            .put(lines_.text(check.line))
            .put(check.ir ? ", \"register\": \"ir\", \"bits\": "
                          : ", \"register\": \"dr\", \"bits\": ")
            .number(check.bitCount);
        if (check.passed) {
            head.put(", \"passed\": true");
        } else {
            head.put(", \"passed\": false");
        }
        head.put(", \"mismatchedBits\": ")
            .number(check.mismatchedBits)
            .put(", \"unknownBits\": ")
            .number(check.unknownBits)
            .put(", \"comparedBits\": ")
            .number(check.comparedBits);
        if (!check.passed) {
            head.put(", \"firstMismatch\": ").number(check.firstMismatch);
        }
        head.done();
        value(", \"expected\": ", check.expected, check.bitCount);
        value(", \"mask\": ", check.mask, check.bitCount);
        value(", \"actual\": ", check.actual, check.bitCount);
        out_.put('}');
        out_.endEvent();
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
        startEvent();
        out_.put(object.text());
        out_.endEvent();
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
        out_.flush();
        std::fprintf(file_, "%s],\n\"summary\": %s,\n\"result\": \"%s\"}\n",
                     events_ == 0 ? "" : "\n", object.text().c_str(),
                     summary.errors == 0 ? "ok" : "errors");
    }

  private:
    // The event separator, then each member of an update's head and a TDO check's with its
    // largest number.
    static constexpr size_t kMostUpdateHead =
        2 + 27 + kMostDecimalDigits + 12 + kMostDecimalDigits + 28 + kMostDecimalDigits;
    static constexpr size_t kMostTdoHead = 2 + 24 + kMostDecimalDigits + 28 + kMostDecimalDigits +
                                           17 + 20 + kMostDecimalDigits + 17 + kMostDecimalDigits +
                                           18 + kMostDecimalDigits + 19 + kMostDecimalDigits;

    // `member` and a JSON string of the value: shortened past kWholeValueBits unless every
    // digit is asked for; whole values are written digit by digit into the buffer.
    template <size_t N>
    void value(const char (&member)[N], const BitValue& bits, uint64_t bitCount) {
        if (bitCount <= kWholeValueBits) {
            ReportRoom room(out_, N + kMostShortValueText + 2);
            room.put(member).put('"').shortValue(bits, bitCount).put('"');
            room.done();
        } else {
            longValue(member, bits, bitCount);
        }
    }
    void longValue(std::string_view member, const BitValue& bits, uint64_t bitCount) {
        out_.put(member);
        if (fullValues_) {
            out_.put('"').hexDigits(bits, bitCount).put('"');
        } else {
            out_.jsonString(valueText(bits, bitCount));
        }
    }

    void startEvent() { out_.put(events_++ == 0 ? "\n" : ",\n"); }
    void startEvent(ReportRoom& room) {
        if (events_++ != 0) {
            room.put(',');
        }
        room.put('\n');
    }

    std::FILE* file_;
    ReportBuffer out_;
    DigestCache digests_;
    bool fullValues_;
    uint64_t events_ = 0;
    SteppedDecimal lines_;
    std::vector<bool> hasPart_;
};

}  // namespace

std::unique_ptr<CheckReport> jsonReport(std::FILE* out, bool fullValues) {
    return std::make_unique<JsonReport>(out, fullValues);
}

}  // namespace kelsvf::check
