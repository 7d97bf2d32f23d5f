#include "HostTest.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace kelhost::test {

OptionList::OptionList(std::initializer_list<std::string> entries) : texts_(entries) {
    for (const std::string& text : texts_) {
        pointers_.push_back(text.c_str());
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) {
        text << in.rdbuf();
    }
    return text.str();
}

namespace {

// "...returned 55d0c3a1b2c0\n" becomes "...returned <handle>\n"; a null handle ("0") stays.
std::string hideHandle(const std::string& line) {
    const std::string marker = "returned ";
    const size_t start = line.rfind(marker);
    if (start == std::string::npos) {
        return line;
    }
    const std::string value = line.substr(start + marker.size());
    const bool isHex = value.size() >= 2 && value.back() == '\n' &&
                       value.find_first_not_of("0123456789abcdef") == value.size() - 1;
    if (!isHex || value == "0\n") {
        return line;
    }
    return line.substr(0, start) + marker + "<handle>\n";
}

}  // namespace

std::vector<std::string> hostLines(const Recorder& recorder) {
    std::vector<std::string> lines = recorder.lines();
    const std::vector<Event>& events = recorder.events();
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind == Event::Kind::Print && events[i].format.rfind("fopen(", 0) == 0) {
            lines[i] = hideHandle(lines[i]);
        }
    }
    return lines;
}

namespace {

std::string spellOut(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string showLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += spellOut(line);
        out += '\n';
    }
    return out;
}

std::string showSvf(const std::string& bytes) {
    std::string out;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        end = (end == std::string::npos) ? bytes.size() : end + 1;
        out += spellOut(bytes.substr(start, end - start));
        out += '\n';
        start = end;
    }
    return out;
}

bool hasPrint(const Recorder& recorder, uint32_t level, const std::string& text) {
    for (const Event& event : recorder.events()) {
        if (event.kind == Event::Kind::Print && event.level == level && event.text == text) {
            return true;
        }
    }
    return false;
}

void HostTest::SetUp() {
    std::string error;
    library_ = PluginLibrary::load(KEL_PLUGIN_PATH, &error);
    ASSERT_NE(library_, nullptr) << error;
    const KelPluginCallbacks callbacks = Recorder::callbacks();
    library_->setCallbacks(&callbacks);
    target_ = makeTarget(*library_);
    ASSERT_NE(target_, nullptr);
    recorder_.clear();

    std::string pattern = (std::filesystem::temp_directory_path() / "kelhost-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    tempDir_ = pattern;
}

void HostTest::TearDown() {
    // The destructor closes nothing; a host closes first, so the stream is not leaked.
    if (target_ != nullptr && target_->isOpened()) {
        target_->closeTarget();
    }
    target_.reset();
    if (!tempDir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(tempDir_, ignored);
    }
}

std::string HostTest::tempPath(const std::string& name) const {
    return (tempDir_ / name).string();
}

KelResult HostTest::open(const std::string& path, const std::string& type) {
    const OptionList options{"fname=" + path, "type=" + type};
    return target_->openTarget(options.count(), options.data(), kNoContext);
}

void HostTest::describeChain(const std::vector<uint32_t>& irLengths) {
    describedIrLengths_ = irLengths;
    ASSERT_EQ(KEL_SUCCESS, target_->setDeviceCount(static_cast<uint32_t>(irLengths.size())));
    for (uint32_t device = 0; device < irLengths.size(); ++device) {
        ASSERT_EQ(KEL_SUCCESS, target_->setIRLength(device, irLengths[device]));
    }
}

void HostTest::startSession(const std::string& path, const std::vector<uint32_t>& irLengths) {
    ASSERT_EQ(KEL_SUCCESS, open(path));
    ASSERT_NO_FATAL_FAILURE(describeChain(irLengths));
    ASSERT_EQ(KEL_SUCCESS, target_->lockTarget(0));
    recorder_.clear();
}

KelResult HostTest::writeIR(uint32_t device, const std::vector<uint8_t>& tdi, uint32_t bitCount) {
    return target_->writeDeviceIR(device, tdi.data(), nullptr, bitCount,
                                  KelPluginInterface::KELJTAG_RUN_TEST_IDLE, kNoContext);
}

KelResult HostTest::writeDR(uint32_t device, const std::vector<uint8_t>& tdi, uint32_t bitCount) {
    return target_->writeDeviceDR(device, tdi.data(), nullptr, bitCount,
                                  KelPluginInterface::KELJTAG_RUN_TEST_IDLE, kNoContext);
}

}  // namespace kelhost::test
