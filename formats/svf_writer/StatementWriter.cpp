// The writers' shared part: findings, the output buffer, the frequency in force.
#include "kelsvfwriter/StatementWriter.h"

#include <cmath>
#include <exception>

namespace kelsvfwriter {

namespace {
constexpr size_t kFlushSize = 1 << 20;
}

StatementWriter::StatementWriter(WriterOptions options, OutputSink sink)
    : options_(options), sink_(std::move(sink)) {}

bool StatementWriter::write(const Statement& statement) noexcept {
    if (outputFailed_) {
        return false;
    }
    try {
        if (statement.keyword == kelsvfreader::Keyword::Frequency) {
            noteFrequency(statement);
        }
        writeStatement(statement);
        flushIfLarge();
    } catch (const std::exception& e) {
        add(true, statement.position, std::string("cannot convert: ") + e.what());
        outputFailed_ = true;
    }
    return !outputFailed_;
}

bool StatementWriter::finish() noexcept {
    if (outputFailed_) {
        return false;
    }
    try {
        writeEnd();
        flush();
    } catch (const std::exception& e) {
        add(true, Position{}, std::string("cannot convert: ") + e.what());
        outputFailed_ = true;
    }
    return !outputFailed_;
}

void StatementWriter::warn(const Position& at, std::string text) {
    add(false, at, std::move(text));
}

void StatementWriter::fail(const Position& at, std::string text) {
    add(true, at, std::move(text));
}

void StatementWriter::unsupported(const Position& at, const std::string& text) {
    if (options_.dropUnsupported) {
        add(false, at, text + " (left out)");
    } else {
        add(true, at, text);
    }
}

void StatementWriter::add(bool error, const Position& at, std::string text) {
    ++findingCount_;
    errorCount_ += error ? 1 : 0;
    if (findings_.size() < kMaxFindings) {
        findings_.push_back(Finding{error, at, std::move(text)});
    }
}

void StatementWriter::noteFrequency(const Statement& statement) {
    frequencyInForce_ = statement.hasFrequency ? statement.hertz : 0;
}

void StatementWriter::flushIfLarge() {
    if (buffer_.size() >= kFlushSize) {
        flush();
    }
}

void StatementWriter::flush() {
    if (!buffer_.empty() && !outputFailed_ && !sink_(buffer_)) {
        outputFailed_ = true;
    }
    buffer_.clear();
}

uint64_t clockMicroseconds(uint64_t count, double hertz) {
    if (count == 0) {
        return 0;
    }
    if (!(hertz > 0)) {
        hertz = 1e6;
    }
    const double us = std::ceil(static_cast<double>(count) * 1e6 / hertz);
    return us >= 1.8e19 ? UINT64_MAX : static_cast<uint64_t>(us);
}

}  // namespace kelsvfwriter
