// What kelsvf shows of the plug-in's callbacks: the call tree, filtered prints, messages once,
// and dumps.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "run/HostOutput.h"

namespace kelsvf {
namespace {

// Drives the callback table the way the plug-in does, and reads back what was shown.
class HostOutputTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
    }

    HostOutput& output(OutputSettings settings) {
        stream_ = std::tmpfile();
        output_.emplace(settings, stream_);
        return *output_;
    }

    static void print(uint32_t level, const char* format, ...) {
        va_list args;
        va_start(args, format);
        HostOutput::callbacks().printCallback(level, format, args);
        va_end(args);
    }

    std::string shown() {
        std::rewind(stream_);
        std::string text;
        char chunk[512];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, stream_)) > 0) {
            text.append(chunk, got);
        }
        return text;
    }

    const KelPluginCallbacks callbacks_ = HostOutput::callbacks();
    std::FILE* stream_ = nullptr;
    std::optional<HostOutput> output_;
};

TEST_F(HostOutputTest, TraceShowsTheCallTreeIndentedWithResultsAndPrintsInside) {
    output({.verbosity = 2, .trace = true, .dump = false});
    callbacks_.traceEnterCallback("KelPlugin::lockTarget");
    callbacks_.traceEnterCallback("KelPlugin::initializeTAP");
    callbacks_.traceExitCallback("KEL_SUCCESS");
    print(2, "two\nlines\n");
    callbacks_.traceExitCallback("");
    EXPECT_EQ(shown(),
              "> KelPlugin::lockTarget\n"
              "  > KelPlugin::initializeTAP\n"
              "  < KelPlugin::initializeTAP: KEL_SUCCESS\n"
              "  two\n"
              "  lines\n"
              "< KelPlugin::lockTarget\n");
}

TEST_F(HostOutputTest, PrintsAreFilteredByLevelAndTracesHiddenWithoutTrace) {
    output({.verbosity = 2, .trace = false, .dump = false});
    callbacks_.traceEnterCallback("KelPlugin::setIRLength");
    print(4, "KelPlugin::setIRLength(device=%d, len=%d)\n", 0, 6);
    print(1, "<KelPlugin> %s", "error\n");
    print(2, "no newline");
    callbacks_.traceExitCallback("KEL_SUCCESS");
    EXPECT_EQ(shown(), "<KelPlugin> error\nno newline\n");
}

TEST_F(HostOutputTest, MessagesAreAlwaysShownOnceWithoutTheirPrintedEcho) {
    output({.verbosity = 0, .trace = false, .dump = false});
    callbacks_.messageCallback(7, KEL_MSG_ERROR, "<svf_file> Invalid File Name Argument\n");
    print(1, "<KelPlugin> Error:%s", "<svf_file> Invalid File Name Argument\n");
    callbacks_.messageCallback(0, 0x600, "odd level");
    EXPECT_EQ(shown(),
              "message ERROR (context 7): <svf_file> Invalid File Name Argument\n"
              "message 0x600 (context 0): odd level\n");
}

TEST_F(HostOutputTest, APrintInTheEchoFormatIsShownWhenNoMessageCameFirst) {
    output({.verbosity = 1, .trace = false, .dump = false});
    print(1, "<KelPlugin> Error:%s", "on its own\n");
    EXPECT_EQ(shown(), "<KelPlugin> Error:on its own\n");
}

TEST_F(HostOutputTest, DumpsShowLabelBitCountAndBitsMostSignificantFirst) {
    output({.verbosity = 2, .trace = false, .dump = true});
    const uint8_t buffer[] = {0xFF, 0xFF, 0x03};
    callbacks_.dumpBufferCallback(5, "BUFFER AFTER PADDING:", buffer, 18);
    EXPECT_EQ(shown(), "dump BUFFER AFTER PADDING: 18 bits: 03ffff\n");
}

TEST_F(HostOutputTest, DumpsAreHiddenWithoutDump) {
    output({.verbosity = 5, .trace = false, .dump = false});
    const uint8_t buffer[] = {0x01};
    callbacks_.dumpBufferCallback(5, "BUFFER AFTER SHIFTDR:", buffer, 1);
    EXPECT_EQ(shown(), "");
}

}  // namespace
}  // namespace kelsvf
