// A script read a line at a time, as often as needed: the run checks the whole script in one
// pass and runs it in a second, so memory does not grow with the script's length. Standard
// input and other streams are copied to an unnamed temporary file first, so that they can be
// read twice.
#ifndef KELSVF_SCRIPT_READER_H
#define KELSVF_SCRIPT_READER_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace kelsvf {

// The largest script kelsvf reads.
inline constexpr uint64_t kMaxScriptBytes = uint64_t{1} << 30;

class ScriptReader {
  public:
    // `path` "-" reads standard input. Nothing, with `error` set, when the script cannot be
    // read or is larger than kMaxScriptBytes.
    static std::unique_ptr<ScriptReader> open(const std::string& path, std::string& error);
    // A script held in memory (program's generated lines).
    static std::unique_ptr<ScriptReader> fromText(std::string text);

    ~ScriptReader();
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;

    // The next line, without its end: LF, CR LF and a lone CR each end one; a UTF-8 byte order
    // mark at the start is dropped. False at the end, or when a byte that no text holds was met
    // (notText() says which) or reading failed (readError()).
    bool next(std::string& line);
    // Back to the first line, for the running pass. False when the file cannot seek.
    bool rewind();

    // "byte 0x00 at offset 12" once such a byte was met.
    const std::optional<std::string>& notText() const { return notText_; }
    const std::optional<std::string>& readError() const { return readError_; }

  private:
    ScriptReader(std::FILE* file, std::string text);
    bool fill();

    std::FILE* file_;   // null for a script in memory
    std::string text_;  // the script in memory, or the bytes read and not yet taken
    size_t position_ = 0;
    uint64_t offset_ = 0;  // of text_[position_] in the script
    bool endOfInput_ = false;
    bool pendingCr_ = false;  // the last line ended in CR: a LF right after it belongs to it
    std::optional<std::string> notText_;
    std::optional<std::string> readError_;
};

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_READER_H
