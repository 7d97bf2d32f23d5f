#include "PlayRecorder.h"

#include <stdexcept>

#include "report/ValueText.h"

namespace checktest {
namespace {

using namespace kelsvf::check;

class Recorder : public PlaySink {
  public:
    explicit Recorder(Played& played) : played_(played) {}

    void deviceUpdate(const DeviceUpdate& update) override {
        played_.events.push_back(
            std::to_string(update.line) + ": " + (update.ir ? "ir " : "dr ") +
            std::to_string(update.device) + " = " + valueText(update.value, update.bitCount) +
            (update.instruction.empty() ? "" : " ") + std::string(update.instruction));
    }
    void tdoCheck(const TdoCheck& check) override {
        played_.events.push_back(
            std::to_string(check.line) + ": tdo " + (check.passed ? "pass " : "FAIL ") +
            std::to_string(check.bitCount) +
            (check.passed ? "" : " at " + std::to_string(check.firstMismatch)));
    }
    void finding(const Finding& finding) override {
        const std::string place = std::to_string(finding.line) +
                                  (finding.column != 0 ? ":" + std::to_string(finding.column) : "");
        played_.events.push_back(place + " " +
                                 (finding.severity == Severity::Error     ? "error "
                                  : finding.severity == Severity::Warning ? "warning "
                                                                          : "info ") +
                                 finding.kind);
        played_.texts.push_back(finding.text);
    }

  private:
    Played& played_;
};

}  // namespace

std::vector<std::string> Played::only(std::string_view kind) const {
    std::vector<std::string> found;
    for (const std::string& event : events) {
        const size_t space = event.find(' ');
        if (event.compare(space + 1, kind.size(), kind) == 0 &&
            event.size() > space + 1 + kind.size() && event[space + 1 + kind.size()] == ' ') {
            found.push_back(event);
        }
    }
    return found;
}

Played play(std::string_view svf, std::string_view chainText, double frequencyHz) {
    std::string error;
    const std::optional<ChainDescription> chain = parseChainOption(chainText, error);
    if (!chain) {
        throw std::invalid_argument(error);
    }
    return play(svf, *chain, frequencyHz);
}

Played play(std::string_view svf, const ChainDescription& chain, double frequencyHz) {
    Played played;
    Recorder recorder(played);
    ChainPlayer player(chain, recorder, PlayOptions{frequencyHz});
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(svf);
    played.summary = player.playAll(reader);
    return played;
}

}  // namespace checktest
