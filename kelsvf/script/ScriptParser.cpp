#include "script/ScriptParser.h"

#include <cstdlib>

#include "common/TextUtil.h"
#include "script/Operations.h"

namespace kelsvf {
namespace {

std::string usageOf(const OperationInfo& operation) {
    std::string usage(operation.name);
    if (!operation.usage.empty()) {
        usage += " ";
        usage += operation.usage;
    }
    return usage;
}

Step parseLine(std::vector<std::string> words, const ParseSettings& settings, ParseState& state) {
    Step step;
    std::vector<std::string> written;
    for (const std::string& word : words) {
        written.push_back(quoteWord(word));
    }
    step.text = join(written, 0, " ");
    if (equalsIgnoringCase(words.front(), "try")) {
        step.mayFail = true;
        words.erase(words.begin());
        if (words.empty()) {
            throw LineError("try needs an operation to run");
        }
    }
    const OperationInfo* operation = findOperation(words.front());
    if (operation == nullptr) {
        throw LineError("unknown operation '" + words.front() + "'");
    }
    words.erase(words.begin());
    if (words.size() < operation->minArgs) {
        throw LineError("missing argument for " + std::string(operation->name) +
                        " (usage: " + usageOf(*operation) + ")");
    }
    if (operation->maxArgs != kAnyCount && words.size() > operation->maxArgs) {
        throw LineError("too many arguments for " + std::string(operation->name) +
                        " (usage: " + usageOf(*operation) + ")");
    }
    step.run = operation->build(LineArgs(std::move(words), settings, state));
    return step;
}

}  // namespace

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size()) {
                word += line[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        throw LineError("unterminated quote");
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

ParsedScript parseScript(std::string_view text, const std::string& sourceName,
                         const ParseSettings& settings) {
    ParsedScript script;
    ParseState state;
    if (const char* chainFile = std::getenv(kChainFileVariable)) {
        state.chainFile = chainFile;
    }
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const SourceLocation where{sourceName, ++lineNumber};
        state.line = lineNumber;
        try {
            std::vector<std::string> words = splitWords(line);
            if (words.empty()) {
                continue;
            }
            Step step = parseLine(std::move(words), settings, state);
            step.where = where;
            script.steps.push_back(std::move(step));
        } catch (const LineError& error) {
            script.errors.push_back({where, error.what()});
        }
    }
    if (settings.outputOverride && state.openLines == 0) {
        script.errors.push_back(
            {{sourceName, 0}, "-o names an output file, but the script has no open line"});
    }
    script.inputs = std::move(state.inputs);
    script.outputs = std::move(state.outputs);
    return script;
}

}  // namespace kelsvf
