// What the converters share: a writer takes a file's statements one at a time, as a reader hands
// them out, writes its own format through a sink, and collects what it could not say
// faithfully, each finding with the place of the statement it is about.
#ifndef KELSVFWRITER_STATEMENT_WRITER_H
#define KELSVFWRITER_STATEMENT_WRITER_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kelsvfreader/SvfStatement.h"

namespace kelsvfwriter {

using kelsvfreader::Position;
using kelsvfreader::Statement;

struct Finding {
    bool error = false;  // the output would not do what the input does (else a warning)
    Position position;
    std::string text;
};

struct WriterOptions {
    uint64_t maxScan = 0;          // the longest scan written, in bits; 0: no limit
    unsigned xrepeat = 0;          // XSVF: retries of a failed TDO check (XREPEAT)
    bool dropUnsupported = false;  // what the output cannot say is left out with a warning
    double frequency = 1e6;        // Hz: what a TCK count takes where no FREQUENCY is in force
};

// Takes the bytes written; false when they could not be kept (the writer then stops).
using OutputSink = std::function<bool(std::string_view bytes)>;

class StatementWriter {
  public:
    StatementWriter(WriterOptions options, OutputSink sink);
    virtual ~StatementWriter() = default;
    StatementWriter(const StatementWriter&) = delete;
    StatementWriter& operator=(const StatementWriter&) = delete;

    // One statement, as the reader resolved it. False once the output failed.
    bool write(const Statement& statement) noexcept;
    // After the last statement: what the format needs at its end, then everything is flushed.
    bool finish() noexcept;

    // At most kMaxFindings are kept; findingCount() counts them all.
    static constexpr size_t kMaxFindings = 1000;
    const std::vector<Finding>& findings() const { return findings_; }
    uint64_t findingCount() const { return findingCount_; }
    uint64_t errorCount() const { return errorCount_; }
    bool outputFailed() const { return outputFailed_; }

  protected:
    virtual void writeStatement(const Statement& statement) = 0;
    virtual void writeEnd() = 0;

    void warn(const Position& at, std::string text);
    void fail(const Position& at, std::string text);
    // What the output format cannot say: an error, or a warning with dropUnsupported.
    void unsupported(const Position& at, const std::string& text);

    // The bytes not yet handed to the sink; flushed when large.
    std::string& out() { return buffer_; }
    void flushIfLarge();
    // The frequency TCK counts are converted at: the FREQUENCY in force, else the option's.
    double frequency() const {
        return frequencyInForce_ > 0 ? frequencyInForce_ : options_.frequency;
    }
    void noteFrequency(const Statement& statement);

    const WriterOptions options_;

  private:
    void add(bool error, const Position& at, std::string text);
    void flush();

    OutputSink sink_;
    std::string buffer_;
    std::vector<Finding> findings_;
    uint64_t findingCount_ = 0;
    uint64_t errorCount_ = 0;
    bool outputFailed_ = false;
    double frequencyInForce_ = 0;
};

// Microseconds that `count` clocks take at `hertz`, rounded up (saturating).
uint64_t clockMicroseconds(uint64_t count, double hertz);

}  // namespace kelsvfwriter

#endif  // KELSVFWRITER_STATEMENT_WRITER_H
