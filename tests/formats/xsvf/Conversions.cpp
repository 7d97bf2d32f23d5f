#include "Conversions.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "kelsvfreader/SvfReader.h"
#include "kelsvfwriter/PortableSvfWriter.h"
#include "kelxsvf/XsvfReader.h"
#include "kelxsvf/XsvfWriter.h"

namespace kelxsvf::test {
namespace {

std::unique_ptr<kelsvfwriter::StatementWriter> writerFor(To to, kelsvfwriter::WriterOptions options,
                                                         std::string& out) {
    auto sink = [&out](std::string_view text) {
        out += text;
        return true;
    };
    if (to == To::Svf) {
        return std::make_unique<kelsvfwriter::PortableSvfWriter>(options, sink);
    }
    return std::make_unique<XsvfWriter>(options, sink);
}

template <typename Reader>
Converted convert(Reader& reader, To to, kelsvfwriter::WriterOptions options) {
    Converted result;
    auto writer = writerFor(to, options, result.output);
    kelsvfreader::Statement statement;
    while (reader.next(statement)) {
        writer->write(statement);
    }
    if (reader.failed()) {
        result.error = reader.error().message;
    }
    writer->finish();
    for (const auto& finding : writer->findings()) {
        result.findings.push_back((finding.error ? "error: " : "warning: ") + finding.text);
    }
    return result;
}

}  // namespace

Converted fromSvf(std::string_view svf, To to, kelsvfwriter::WriterOptions options,
                  uint64_t spillAbove) {
    auto reader = kelsvfreader::SvfReader::fromString(svf);
    reader.setSpillThreshold(spillAbove);
    return convert(reader, to, options);
}

Converted fromXsvf(std::string_view xsvf, To to, kelsvfwriter::WriterOptions options,
                   size_t blockSize, uint64_t spillAbove) {
    auto reader = XsvfReader::fromBytes(xsvf, blockSize);
    reader.setSpillThreshold(spillAbove);
    Converted result;
    auto writer = writerFor(to, options, result.output);
    kelsvfreader::Statement statement;
    while (reader.next(statement)) {
        for (const auto& note : reader.notes()) {
            result.notes.push_back(note.text);
        }
        writer->write(statement);
    }
    for (const auto& note : reader.notes()) {
        result.notes.push_back(note.text);
    }
    if (reader.failed()) {
        result.error = reader.error().message;
    }
    writer->finish();
    for (const auto& finding : writer->findings()) {
        result.findings.push_back((finding.error ? "error: " : "warning: ") + finding.text);
    }
    return result;
}

std::string caseName(const char* name) {
    std::string out;
    for (const char* c = name; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) {
            out.push_back(*c);
        } else if (!out.empty() && out.back() != '_') {
            out.push_back('_');
        }
    }
    return out;
}

std::string bytes(std::string_view hex) {
    std::string out;
    unsigned value = 0;
    int digits = 0;
    for (const char c : hex) {
        if (c == ' ') {
            continue;
        }
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        if (++digits == 2) {
            out.push_back(static_cast<char>(value));
            value = 0;
            digits = 0;
        }
    }
    return out;
}

std::string hexOf(std::string_view data) {
    std::string out;
    char two[4];
    for (const char c : data) {
        std::snprintf(two, sizeof two, out.empty() ? "%02x" : " %02x",
                      static_cast<unsigned char>(c));
        out += two;
    }
    return out;
}

}  // namespace kelxsvf::test
