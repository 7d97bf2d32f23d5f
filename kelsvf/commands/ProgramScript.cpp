#include "commands/ProgramScript.h"

#include <filesystem>
#include <system_error>

#include "common/TextUtil.h"

namespace kelsvf {
namespace {

class ScriptWriter {
  public:
    void line(const std::string& text, const std::string& origin) {
        script_.text += text + "\n";
        script_.origins.push_back(origin);
    }
    GeneratedScript take() { return std::move(script_); }

  private:
    GeneratedScript script_;
};

// Paths made absolute, so that the script --print-script shows runs the same from any folder
// (symlinks are kept as named); or as the user gave them, for the run and its messages.
std::string scriptPath(const std::string& path, PathStyle style) {
    if (style == PathStyle::AsGiven) {
        return path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// "@PATH", with the bit order spelled out when the name itself ends like one.
std::string dataWord(const std::string& path, bool msbFirst, PathStyle style) {
    const std::string word = "@" + scriptPath(path, style);
    if (msbFirst) {
        return word + ":msb";
    }
    return word.ends_with(":msb") || word.ends_with(":lsb") ? word + ":lsb" : word;
}

// A value becomes a word of one script line: a line break in it would end the line there.
void refuseControlBytes(const std::string& option, const std::string& value) {
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            throw UsageError(option + ": '" + shownWord(value) +
                             "' holds a control byte, which no path or value here may hold");
        }
    }
}

}  // namespace

GeneratedScript programScript(const ProgramOptions& options, PathStyle style) {
    refuseControlBytes("--data", options.dataFile);
    refuseControlBytes("-o", options.output);
    refuseControlBytes("--ir", options.instruction);
    refuseControlBytes("--type", options.type);
    if (options.chainFile) {
        refuseControlBytes("--chainfile", *options.chainFile);
    }
    const auto deviceCount = options.irLengths.size();
    if (options.device >= deviceCount) {
        throw UsageError("--device " + std::to_string(options.device) + " is not on a chain of " +
                         std::to_string(deviceCount) + " device" + (deviceCount == 1 ? "" : "s"));
    }
    const std::string device = std::to_string(options.device);
    const std::string irBits = std::to_string(options.irLengths[options.device]);

    ScriptWriter script;
    const std::string data = scriptPath(options.dataFile, style);
    // Standard output by a name that "kelsvf run" writes directly as well.
    const std::string output = options.output == "-" && style == PathStyle::Absolute
                                   ? "/dev/stdout"
                                   : scriptPath(options.output, style);
    script.line("# Written by kelsvf program: wraps " + data + " for device " + device + ".", "");
    script.line("open " + quoteWord("fname=" + output) + " " + quoteWord("type=" + options.type),
                "-o");
    script.line("lock", "");
    if (options.chainFile) {
        script.line("chainfile " + quoteWord(scriptPath(*options.chainFile, style)), "--chainfile");
        script.line("scan", "--chainfile");
        for (size_t i = 0; i < deviceCount; ++i) {
            script.line("irlen " + std::to_string(i) + " " + std::to_string(options.irLengths[i]),
                        "--irlen");
        }
    } else {
        std::string chain = "chain";
        for (const uint32_t length : options.irLengths) {
            chain += " " + std::to_string(length);
        }
        script.line(chain, "--irlen");
    }
    script.line("ir " + device + " " + irBits + " " + quoteWord(options.instruction), "--ir");
    script.line(
        "dr " + device + " " + quoteWord(dataWord(options.dataFile, options.msbFirst, style)),
        "--data");
    if (options.runtest) {
        script.line("runtest " + std::to_string(*options.runtest), "--runtest");
    }
    script.line("unlock", "");
    script.line("close", "");
    return script.take();
}

}  // namespace kelsvf
