// kelsvf check's report for a person: a programming file makes tens of thousands of events, so
// they are gathered per device and instruction, the TDO checks and findings counted and grouped.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <openssl/evp.h>

#include "CheckReport.h"
#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

// Bounds on what is kept, so that a hostile file cannot make the report grow without end.
constexpr size_t kMaxInstructions = 256;  // per device
constexpr size_t kMaxRuns = 20;           // per device
constexpr size_t kMaxIdcodeChecks = 10;
// A run of data under one instruction is shown when it is longer than a person reads.
constexpr uint64_t kRunScans = 2;
constexpr uint64_t kRunBits = kWholeValueBits;

// The SHA-256 of a run: of each value's length (8 bytes, least significant first) and bytes.
// Short values are gathered and hashed in chunks: a call per value costs more than its bytes.
// A run of one value has that value's digest: a long run of zeros ("TDI (0)") waits to see
// whether it stays alone, and then costs one digest of its length for every run.
class RunDigest {
  public:
    void add(const BitValue& value, uint64_t bitCount) {
        if (!context_ && !zerosAlone_ && value.allZeros()) {
            zerosAlone_ = bitCount;
            return;
        }
        if (const std::optional<uint64_t> zeros = std::exchange(zerosAlone_, std::nullopt)) {
            const BitRope rope = zerosOf(*zeros);
            hash(BitValue(rope), *zeros);
        }
        hash(value, bitCount);
    }
    // The first 16 hex digits; the digest is spent.
    std::string text() {
        if (const std::optional<uint64_t> zeros = std::exchange(zerosAlone_, std::nullopt)) {
            const BitRope rope = zerosOf(*zeros);
            return digestText(BitValue(rope), *zeros);
        }
        hashPending();
        uint8_t digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!ok_ || EVP_DigestFinal_ex(context_.get(), digest, &size) != 1 || size < 8) {
            return "(no digest)";
        }
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string hex(16, '0');
        for (size_t i = 0; i < 8; ++i) {
            hex[2 * i] = kDigits[digest[i] >> 4];
            hex[2 * i + 1] = kDigits[digest[i] & 0xF];
        }
        return hex;
    }

  private:
    static constexpr size_t kChunk = 4096;

    static BitRope zerosOf(uint64_t bitCount) {
        BitRope rope;
        append(rope, Bits::zeros(bitCount));
        return rope;
    }

    void hash(const BitValue& value, uint64_t bitCount) {
        static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
        if (!context_) {
            context_.reset(EVP_MD_CTX_new());
            ok_ = sha256 != nullptr && context_ != nullptr &&
                  EVP_DigestInit_ex(context_.get(), sha256, nullptr) == 1;
        }
        for (size_t i = 0; i < 8; ++i) {
            pending_.push_back(static_cast<uint8_t>(bitCount >> (8 * i)));
        }
        const size_t bytes = (bitCount + 7) / 8;
        if (const uint8_t* whole = value.memory(); whole != nullptr && bytes <= kChunk) {
            pending_.insert(pending_.end(), whole, whole + bytes);
            if (pending_.size() >= kChunk) {
                hashPending();
            }
            return;
        }
        hashPending();
        if (const uint8_t* whole = value.memory()) {
            ok_ = ok_ && EVP_DigestUpdate(context_.get(), whole, bytes) == 1;
            return;
        }
        std::vector<uint8_t> block;
        for (uint64_t first = 0; ok_ && first < bitCount; first += kBlockBits) {
            const uint64_t count = std::min(kBlockBits, bitCount - first);
            block.assign((count + 7) / 8, 0);
            ok_ = value.read(first, count, block.data()) &&
                  EVP_DigestUpdate(context_.get(), block.data(), block.size()) == 1;
        }
    }

    void hashPending() {
        if (!pending_.empty()) {
            ok_ = ok_ && EVP_DigestUpdate(context_.get(), pending_.data(), pending_.size()) == 1;
            pending_.clear();
        }
    }

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context_{nullptr, EVP_MD_CTX_free};
    bool ok_ = false;
    std::vector<uint8_t> pending_;
    std::optional<uint64_t> zerosAlone_;  // the run's one value so far, all zeros
};

struct Lines {
    uint64_t count = 0;
    uint64_t first = 0;
    uint64_t last = 0;

    void add(uint64_t line) {
        first = count++ == 0 ? line : first;
        last = line;
    }
    std::string text() const {
        return count == 1 ? "line " + std::to_string(first)
                          : "lines " + std::to_string(first) + " to " + std::to_string(last);
    }
};

struct InstructionUse {
    std::string shown;  // "05 SAMPLE", "after a reset"
    Lines loads;
    std::map<uint64_t, uint64_t> drLengths;  // bits -> scans
};

// The DR updates of a device between two of its IR updates.
struct DataRun {
    std::string under;
    Lines scans;
    uint64_t bits = 0;
    std::string digest;  // when the run is closed
};

constexpr size_t kNoUse = SIZE_MAX;

struct DeviceLog {
    std::vector<InstructionUse> instructions;
    std::map<std::string, size_t> byShown;
    uint64_t instructionsLeftOut = 0;
    std::string current = "after a reset";
    // The entry of `current` in `instructions` once found: a DR update needs no lookup.
    size_t currentUse = kNoUse;
    DataRun run;
    RunDigest runDigest;
    std::vector<DataRun> runs;
    uint64_t runsLeftOut = 0;
};

struct FindingGroup {
    Finding first;
    Lines lines;
};

class SummaryReport : public CheckReport {
  public:
    explicit SummaryReport(std::FILE* out) : out_(out) {}

    void begin(const std::string& fileName, const ChainDescription& chain) override {
        name_ = fileName;
        chain_ = chain;
        devices_.clear();
        devices_.resize(chain.devices.size());
        std::fprintf(out_, "check of %s on %s\n", name_.c_str(), chain.describe().c_str());
    }

    void deviceUpdate(const DeviceUpdate& update) override {
        if (update.device >= devices_.size()) {
            return;
        }
        DeviceLog& log = devices_[update.device];
        if (update.ir) {
            closeRun(log);
            log.current = "ir " + valueText(update.value, update.bitCount) +
                          (update.instruction.empty() ? "" : " " + std::string(update.instruction));
            log.currentUse = kNoUse;
            if (InstructionUse* use = currentInstruction(log)) {
                use->loads.add(update.line);
            }
            return;
        }
        if (update.afterReset && log.current != "after a reset") {
            closeRun(log);
            log.current = "after a reset";
            log.currentUse = kNoUse;
        }
        if (InstructionUse* use = currentInstruction(log)) {
            ++use->drLengths[update.bitCount];
        }
        if (log.run.under != log.current) {
            log.run.under = log.current;
        }
        log.run.scans.add(update.line);
        log.run.bits += update.bitCount;
        log.runDigest.add(update.value, update.bitCount);
    }

    void tdoCheck(const TdoCheck& check) override {
        if (!check.passed) {
            ++tdoFailed_;
        } else if (check.comparedBits == 0) {
            ++tdoNotComparable_;
        } else {
            ++tdoCompared_;
        }
        if (check.idcode) {
            if (idcodeChecks_.size() < kMaxIdcodeChecks) {
                idcodeChecks_.emplace_back(check.line, check.passed);
            } else {
                ++idcodeChecksLeftOut_;
            }
        }
    }

    void finding(const Finding& finding) override {
        const std::string key = std::to_string(static_cast<int>(finding.severity)) + finding.kind;
        auto [group, added] = groups_.try_emplace(key, FindingGroup{finding, {}});
        if (added) {
            order_.push_back(key);
        }
        group->second.lines.add(finding.line);
    }

    void end(const PlaySummary& summary) override {
        for (size_t i = 0; i < devices_.size(); ++i) {
            printDevice(i);
        }
        printChecks();
        printSummary(out_, chain_, summary);
        printFindings();
        printResult(out_, name_, summary);
    }

  private:
    // instruction(log, log.current), remembered once found (a miss is counted every time).
    InstructionUse* currentInstruction(DeviceLog& log) {
        if (log.currentUse != kNoUse) {
            return &log.instructions[log.currentUse];
        }
        InstructionUse* use = instruction(log, log.current);
        if (use != nullptr) {
            log.currentUse = static_cast<size_t>(use - log.instructions.data());
        }
        return use;
    }

    InstructionUse* instruction(DeviceLog& log, const std::string& shown) {
        const auto found = log.byShown.find(shown);
        if (found != log.byShown.end()) {
            return &log.instructions[found->second];
        }
        if (log.instructions.size() >= kMaxInstructions) {
            ++log.instructionsLeftOut;
            return nullptr;
        }
        log.byShown.emplace(shown, log.instructions.size());
        log.instructions.push_back({shown, {}, {}});
        return &log.instructions.back();
    }

    static void closeRun(DeviceLog& log) {
        log.run.digest = log.run.scans.count != 0 ? log.runDigest.text() : "";
        log.runDigest = RunDigest{};
        if (log.run.scans.count >= kRunScans || log.run.bits > kRunBits) {
            if (log.runs.size() < kMaxRuns) {
                log.runs.push_back(log.run);
            } else {
                ++log.runsLeftOut;
            }
        }
        log.run = DataRun{};
    }

    void printDevice(size_t i) {
        DeviceLog& log = devices_[i];
        closeRun(log);
        const DeviceDescription& device = chain_.devices[i];
        std::fprintf(out_, "device %zu (%s%sIR %" PRIu32 "):\n", i,
                     device.part ? device.part->entity.c_str() : "", device.part ? ", " : "",
                     device.irLength);
        if (log.instructions.empty()) {
            std::fputs("  no instruction loaded, no data\n", out_);
        }
        for (const InstructionUse& use : log.instructions) {
            std::string line = "  " + use.shown;
            if (use.loads.count != 0) {
                line +=
                    ": loaded \u00d7" + std::to_string(use.loads.count) + ", " + use.loads.text();
            }
            if (!use.drLengths.empty()) {
                line += use.loads.count != 0 ? "; dr" : ": dr";
                const char* separator = " ";
                for (const auto& [bits, scans] : use.drLengths) {
                    line +=
                        separator + std::to_string(bits) + " bits \u00d7" + std::to_string(scans);
                    separator = ", ";
                }
            }
            std::fprintf(out_, "%s\n", line.c_str());
        }
        if (log.instructionsLeftOut != 0) {
            std::fprintf(out_, "  ... and %" PRIu64 " more loads of other instructions\n",
                         log.instructionsLeftOut);
        }
        for (const DataRun& run : log.runs) {
            std::fprintf(out_,
                         "  data under %s: %" PRIu64 " scan%s, %" PRIu64 " bits, %s, digest %s\n",
                         run.under.c_str(), run.scans.count, run.scans.count == 1 ? "" : "s",
                         run.bits, run.scans.text().c_str(), run.digest.c_str());
        }
        if (log.runsLeftOut != 0) {
            std::fprintf(out_, "  ... and %" PRIu64 " more runs of data\n", log.runsLeftOut);
        }
    }

    void printChecks() {
        if (!idcodeChecks_.empty()) {
            std::string line = "IDCODE checks:";
            const char* separator = " ";
            for (const auto& [at, passed] : idcodeChecks_) {
                line += separator + std::string("line ") + std::to_string(at) +
                        (passed ? " passed" : " FAILED");
                separator = ", ";
            }
            if (idcodeChecksLeftOut_ != 0) {
                line += ", and " + std::to_string(idcodeChecksLeftOut_) + " more";
            }
            std::fprintf(out_, "%s\n", line.c_str());
        }
        std::fprintf(out_,
                     "TDO checks: %" PRIu64 " compared and passed, %" PRIu64
                     " not comparable (every expected bit is the device's own), %" PRIu64
                     " failed\n",
                     tdoCompared_, tdoNotComparable_, tdoFailed_);
    }

    void printFindings() {
        for (const std::string& key : order_) {
            const FindingGroup& group = groups_.at(key);
            const Finding& first = group.first;
            std::fprintf(out_, "%s:%" PRIu64, name_.c_str(), first.line);
            if (first.column != 0) {
                std::fprintf(out_, ":%" PRIu64, first.column);
            }
            std::fprintf(out_, ": %s: %s [%s]",
                         first.severity == Severity::Error     ? "error"
                         : first.severity == Severity::Warning ? "warning"
                                                               : "note",
                         first.text.c_str(), first.kind.c_str());
            if (group.lines.count > 1) {
                std::fprintf(out_,
                             " (\u00d7%" PRIu64 ", first at line %" PRIu64 ", last at line %" PRIu64
                             ")",
                             group.lines.count, group.lines.first, group.lines.last);
            }
            std::fputc('\n', out_);
        }
    }

    std::FILE* out_;
    std::string name_;
    ChainDescription chain_;
    std::vector<DeviceLog> devices_;
    uint64_t tdoCompared_ = 0;
    uint64_t tdoNotComparable_ = 0;
    uint64_t tdoFailed_ = 0;
    std::vector<std::pair<uint64_t, bool>> idcodeChecks_;
    uint64_t idcodeChecksLeftOut_ = 0;
    std::map<std::string, FindingGroup> groups_;
    std::vector<std::string> order_;
};

}  // namespace

std::unique_ptr<CheckReport> summaryReport(std::FILE* out) {
    return std::make_unique<SummaryReport>(out);
}

}  // namespace kelsvf::check
