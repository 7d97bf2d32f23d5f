#include "ProgramScript.h"

#include "TextUtil.h"

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

}  // namespace

GeneratedScript programScript(const ProgramOptions& options) {
    const auto deviceCount = options.irLengths.size();
    if (options.device >= deviceCount) {
        throw UsageError("--device " + std::to_string(options.device) + " is not on a chain of " +
                         std::to_string(deviceCount) + " device" + (deviceCount == 1 ? "" : "s"));
    }
    const std::string device = std::to_string(options.device);
    const std::string irBits = std::to_string(options.irLengths[options.device]);

    ScriptWriter script;
    script.line(
        "# Written by kelsvf program: wraps " + options.dataFile + " for device " + device + ".",
        "");
    script.line(
        "open " + quoteWord("fname=" + options.output) + " " + quoteWord("type=" + options.type),
        "-o");
    script.line("lock", "");
    if (options.chainFile) {
        script.line("chainfile " + quoteWord(*options.chainFile), "--chainfile");
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
    script.line("dr " + device + " " + quoteWord("@" + options.dataFile), "--data");
    if (options.runtest) {
        script.line("runtest " + std::to_string(*options.runtest), "--runtest");
    }
    script.line("unlock", "");
    script.line("close", "");
    return script.take();
}

}  // namespace kelsvf
