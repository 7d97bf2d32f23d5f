#include "script/ScriptParser.h"

#include <cstdlib>

#include "common/Activity.h"
#include "common/TextUtil.h"
#include "script/Operations.h"
#include "script/Session.h"

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
        written.push_back(shownWord(quoteWord(word)));
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
        throw LineError("unknown operation '" + shownWord(words.front()) + "'");
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

LineParser::LineParser(std::string sourceName, const ParseSettings& settings)
    : sourceName_(std::move(sourceName)), settings_(settings) {
    if (const char* chainFile = std::getenv(kChainFileVariable)) {
        state_.chainFile = chainFile;
    }
}

std::optional<Step> LineParser::parse(std::string_view line, int lineNumber) {
    state_.line = lineNumber;
    activity::set("checking", &sourceName_, lineNumber);
    std::vector<std::string> words = splitWords(line);
    if (words.empty()) {
        return std::nullopt;
    }
    Step step = parseLine(std::move(words), settings_, state_);
    step.where = SourceLocation{sourceName_, lineNumber};
    return step;
}

namespace {

// Every line of the script; the steps are kept only when asked for.
ParsedScript parseLines(ScriptReader& reader, const std::string& sourceName,
                        const ParseSettings& settings, bool keepSteps) {
    ParsedScript script;
    LineParser parser(sourceName, settings);
    std::string line;
    int lineNumber = 0;
    while (reader.next(line)) {
        ++lineNumber;
        try {
            std::optional<Step> step = parser.parse(line, lineNumber);
            if (step && keepSteps) {
                script.steps.push_back(std::move(*step));
            }
        } catch (const LineError& error) {
            script.addError({{sourceName, lineNumber}, error.what()});
        }
    }
    if (settings.outputOverride && parser.state().openLines == 0) {
        script.addError(
            {{sourceName, 0}, "-o names an output file, but the script has no open line"});
    }
    script.inputs = std::move(parser.state().inputs);
    script.outputs = std::move(parser.state().outputs);
    return script;
}

}  // namespace

ParsedScript checkScript(ScriptReader& reader, const std::string& sourceName,
                         const ParseSettings& settings) {
    return parseLines(reader, sourceName, settings, false);
}

ScriptSteps::ScriptSteps(ScriptReader& reader, const std::string& sourceName,
                         const ParseSettings& settings)
    : reader_(reader), parser_(sourceName, settings) {}

std::optional<Step> ScriptSteps::next() {
    while (reader_.next(line_)) {
        ++lineNumber_;
        try {
            if (std::optional<Step> step = parser_.parse(line_, lineNumber_)) {
                return step;
            }
        } catch (const LineError& error) {
            Step failing;
            failing.where = SourceLocation{parser_.sourceName(), lineNumber_};
            failing.text = shownText(trim(line_));
            failing.run = [reason = std::string(error.what())](Session& session) {
                session.errors().print("kelsvf: " + reason);
                return KEL_FAILURE;
            };
            return failing;
        }
    }
    return std::nullopt;
}

ParsedScript parseScript(std::string_view text, const std::string& sourceName,
                         const ParseSettings& settings) {
    const std::unique_ptr<ScriptReader> reader = ScriptReader::fromText(std::string(text));
    return parseLines(*reader, sourceName, settings, true);
}

}  // namespace kelsvf
