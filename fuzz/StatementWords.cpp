#include "StatementWords.h"

namespace kelfuzz {

using kelsvfreader::Keyword;
using kelsvfreader::svfStateName;

TextLines::TextLines(std::string_view text) {
    starts_.push_back(0);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            starts_.push_back(i + 1);
        }
    }
}

size_t TextLines::offset(const kelsvfreader::Position& position) const {
    if (position.line == 0 || position.line > starts_.size()) {
        return std::string_view::npos;
    }
    return starts_[position.line - 1] + position.column - 1;
}

std::vector<std::string> writtenWords(std::string_view text, const TextLines& lines,
                                      const kelsvfreader::Statement& statement) {
    const size_t begin = lines.offset(statement.position);
    const size_t end = lines.offset(statement.end);
    std::vector<std::string> words;
    if (begin >= end || end > text.size()) {
        return words;
    }
    std::string word;
    bool keyword = true;  // the first word is the keyword itself
    for (const char c : text.substr(begin, end - begin)) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty() && !keyword) {
                words.push_back(word);
            }
            keyword = keyword && word.empty();
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty() && !keyword) {
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> resolvedWords(const kelsvfreader::Statement& statement) {
    std::vector<std::string> words;
    switch (statement.keyword) {
        case Keyword::State:
            for (const auto state : statement.path) {
                words.emplace_back(svfStateName(state));
            }
            break;
        case Keyword::EndIR:
        case Keyword::EndDR:
            words.emplace_back(svfStateName(statement.state));
            break;
        case Keyword::RunTest: {
            const kelsvfreader::RunTest& run = statement.run;
            if (run.runStateGiven) {
                words.emplace_back(svfStateName(run.runState));
            }
            if (run.hasCount) {
                words.push_back(std::to_string(run.count));
                words.emplace_back(run.clock == kelsvfreader::RunClock::TCK ? "TCK" : "SCK");
            }
            if (run.hasMinTime) {
                words.push_back(std::to_string(run.minTime.microseconds) + "E-06");
                words.emplace_back("SEC");
            }
            if (run.endStateGiven) {
                words.emplace_back("ENDSTATE");
                words.emplace_back(svfStateName(run.endState));
            }
            break;
        }
        default:
            break;
    }
    return words;
}

}  // namespace kelfuzz
