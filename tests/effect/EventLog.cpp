#include "EventLog.h"

#include <cstdio>
#include <vector>

namespace checktest {
namespace {

using namespace kelsvf::check;

void put(std::string& log, const BitValue& value) {
    if (value.empty()) {
        log += " -";
        return;
    }
    log += " " + std::to_string(value.bitCount()) + ":";
    if (value.bitCount() > kBlockBits) {
        log += "long";
        return;
    }
    std::vector<uint8_t> buffer;
    char digits[3];
    for (const uint8_t byte : value.bytes(buffer)) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        log += digits;
    }
}

void put(std::string& log, double number) {
    char text[40];
    std::snprintf(text, sizeof text, " %a", number);
    log += text;
}

class EventLogSink : public PlaySink {
  public:
    explicit EventLogSink(std::string& log) : log_(log) {}
    void attach(const ChainPlayer& player) { player_ = &player; }

    void deviceUpdate(const DeviceUpdate& update) override {
        log_ += "update " + std::to_string(update.line) + " " + std::to_string(update.device) +
                (update.ir ? " ir " : " dr ") + std::to_string(update.bitCount);
        put(log_, update.value);
        log_ += " [" + std::string(update.registerName) + "] [" + std::string(update.instruction) +
                "] " + std::to_string(update.instructionCode) +
                (update.afterReset ? " reset" : "") + " sources";
        for (const ValueSource& source : update.sources) {
            log_ += " " + std::to_string(source.firstBit) + "@" + std::to_string(source.line);
        }
        for (const ValueDigitLines& lines : update.digitLines) {
            log_ += " digits " + std::to_string(lines.firstBit) + "+" +
                    std::to_string(lines.bitCount) + "@" + std::to_string(lines.tdiBit);
        }
        state();
    }
    void tdoCheck(const TdoCheck& check) override {
        log_ += "tdo " + std::to_string(check.line) + (check.ir ? " ir" : " dr") +
                (check.passed ? " pass " : " FAIL ");
        for (const uint64_t number :
             {check.bitCount, check.mismatchedBits, check.firstMismatch, check.unknownBits,
              check.comparedBits, check.captureNumber, check.captureOffset}) {
            log_ += std::to_string(number) + " ";
        }
        log_ += check.idcode ? "idcode" : "";
        put(log_, check.expected);
        put(log_, check.mask);
        put(log_, check.actual);
        state();
    }
    void finding(const Finding& finding) override {
        log_ += "finding " + std::to_string(static_cast<int>(finding.severity)) + " " +
                std::to_string(finding.line) + ":" + std::to_string(finding.column) + " " +
                finding.kind + " " + finding.text;
        state();
    }

  private:
    // What a diff takes from the player at each event.
    void state() {
        if (player_ != nullptr) {
            log_ += " |";
            for (const Count clocks : player_->clocksInState()) {
                log_ += " " + countText(clocks);
            }
            log_ += " | " + countText(player_->minimumWaitMicroseconds());
            for (const double run : player_->runMicroseconds()) {
                put(log_, run);
            }
        }
        log_ += "\n";
    }

    std::string& log_;
    const ChainPlayer* player_ = nullptr;
};

}  // namespace

std::string eventLog(std::string_view svf, const ChainDescription& chain, PlayOptions options) {
    std::string log;
    EventLogSink sink(log);
    ChainPlayer player(chain, sink, options);
    sink.attach(player);
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(svf);
    const PlaySummary summary = player.playAll(reader);
    log += "summary " + countText(summary.totalClocks) + " " +
           countText(summary.minimumWaitMicroseconds);
    put(log, summary.replaySeconds);
    put(log, summary.lowestFileFrequencyHz);
    for (const uint64_t number :
         {summary.statements, summary.bytesRead, summary.irUpdates, summary.drUpdates,
          summary.tdoChecks, summary.tdoFailures, summary.tdoUncompared, summary.errors,
          summary.warnings, summary.infos, uint64_t{summary.readToEnd}}) {
        log += " " + std::to_string(number);
    }
    for (const NonVolatileLoad& load : summary.nonVolatile) {
        log += " " + load.instruction + "×" + std::to_string(load.count);
    }
    return log + "\n";
}

}  // namespace checktest
