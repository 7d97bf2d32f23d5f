// The script language: one table entry per operation name, with its usage, its one-line help
// and the builder that turns a line's words into a runnable Action.
#ifndef KELSVF_OPERATIONS_H
#define KELSVF_OPERATIONS_H

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "script/Script.h"

namespace kelsvf {

// The environment variable by which the plug-in finds the chain-description file for scan.
inline constexpr char kChainFileVariable[] = "ZOR_VANTORA_JTAGFILE";

struct ParseState {
    int line = 0;       // the line being understood
    int openLines = 0;  // how many open lines the script has so far
    // The chain-description file a scan at this point reads: the last chainfile line's, or the
    // environment's before any.
    std::string chainFile;
    std::vector<FileUse> inputs;
    std::vector<FileUse> outputs;
    // The chain as the lines so far describe it, for checking ir lines: known after chain or
    // devices, forgotten after scan; 0 for an IR length not given.
    bool chainKnown = false;
    std::vector<uint32_t> irLengths;

    // Each file is listed once, at the first line that names it.
    void addInput(FileUse use) { addOnce(inputs, std::move(use)); }
    void addOutput(FileUse use) { addOnce(outputs, std::move(use)); }

  private:
    void addOnce(std::vector<FileUse>& list, FileUse use) {
        if (listed_.insert(use.what + '\0' + use.path).second) {
            list.push_back(std::move(use));
        }
    }
    std::set<std::string> listed_;
};

// The words of one line after the operation name, with typed accessors that throw LineError.
class LineArgs {
  public:
    LineArgs(std::vector<std::string> words, const ParseSettings& settings, ParseState& state)
        : words_(std::move(words)), settings_(settings), state_(state) {}

    size_t size() const { return words_.size(); }
    const std::string& operator[](size_t i) const { return words_[i]; }
    const std::vector<std::string>& words() const { return words_; }

    uint32_t number(size_t i, std::string_view what) const;
    // A path relative to the script's folder (absolute paths stay as they are).
    std::filesystem::path inputPath(std::string_view word) const;

    const ParseSettings& settings() const { return settings_; }
    ParseState& state() const { return state_; }

  private:
    std::vector<std::string> words_;
    const ParseSettings& settings_;
    ParseState& state_;
};

struct OperationInfo {
    std::string_view name;
    std::string_view usage;    // the arguments: "DEVICE BITS VALUE"
    std::string_view summary;  // what it does, and which call of the target it makes
    size_t minArgs;
    size_t maxArgs;
    Action (*build)(const LineArgs& args);
};

inline constexpr size_t kAnyCount = static_cast<size_t>(-1);

// Every operation, in the order --help lists them.
const std::vector<OperationInfo>& operations();
// Looks an operation up by name, ignoring case; null when there is none.
const OperationInfo* findOperation(std::string_view name);

}  // namespace kelsvf

#endif  // KELSVF_OPERATIONS_H
