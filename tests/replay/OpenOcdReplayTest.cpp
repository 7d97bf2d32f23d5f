// A real SVF player must accept what the plug-in writes: files made through the plug-in are
// played by OpenOCD on its dummy adapter, with one tap per device of the chain.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "kel/KelPlugin.h"
#include "kelhost/PluginLibrary.h"
#include "kelhost/Recorder.h"
#include "kelsvfreader/SvfReader.h"

namespace {

using namespace KelPluginInterface;
using kelhost::PluginLibrary;
using kelhost::TargetPtr;

constexpr CallContext kNoContext{};

// Runs a shell command and returns what it wrote to stdout and stderr, or "" on failure.
std::string run(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        output.append(chunk, count);
    }
    const int result = pclose(pipe);
    if (status != nullptr) {
        *status = result;
    }
    return output;
}

bool openOcdInstalled() {
    int status = -1;
    run("command -v openocd", &status);
    return status == 0;
}

// Writes one SVF file through the plug-in. The lambda gets an open, locked target whose chain
// holds the given IR lengths.
template <typename Body>
void writeSvf(const PluginLibrary& library, const std::string& path,
              const std::vector<uint32_t>& irLengths, Body body) {
    TargetPtr target = kelhost::makeTarget(library);
    ASSERT_NE(target, nullptr);
    const std::string fname = "fname=" + path;
    const char* const options[] = {fname.c_str(), "type=SVF"};
    ASSERT_EQ(KEL_SUCCESS, target->openTarget(2, options, kNoContext));
    ASSERT_EQ(KEL_SUCCESS, target->setDeviceCount(static_cast<uint32_t>(irLengths.size())));
    for (uint32_t device = 0; device < irLengths.size(); ++device) {
        ASSERT_EQ(KEL_SUCCESS, target->setIRLength(device, irLengths[device]));
    }
    ASSERT_EQ(KEL_SUCCESS, target->lockTarget(0));
    body(*target);
    ASSERT_EQ(KEL_SUCCESS, target->unlockTarget());
    ASSERT_EQ(KEL_SUCCESS, target->closeTarget());
}

class OpenOcdReplay : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!openOcdInstalled()) {
            GTEST_SKIP() << "openocd is not installed";
        }
        std::string error;
        library_ = PluginLibrary::load(KEL_PLUGIN_PATH, &error);
        ASSERT_NE(library_, nullptr) << error;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelreplay-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override {
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }

    // Plays `svf` on a chain of taps with these IR lengths (device 0 nearest TDI) and requires
    // a clean run. The dummy adapter answers the chain interrogation of "init" with a made-up
    // chain, which OpenOCD reports with errors of its own; only the playback judges our file.
    void expectPlays(const std::string& svf, const std::vector<uint32_t>& irLengths) {
        const std::filesystem::path config = dir_ / "replay.cfg";
        std::ofstream out(config);
        out << "adapter driver dummy\n"
               "transport select jtag\n"
               "adapter speed 1000\n";
        // The first tap declared is the one nearest TDO: the device with the highest index.
        for (size_t device = irLengths.size(); device-- > 0;) {
            out << "jtag newtap dev" << device << " tap -irlen " << irLengths[device]
                << " -ircapture 0 -irmask 0\n";
        }
        out << "init\n"
               "echo [svf {"
            << svf
            << "}]\n"
               "shutdown\n";
        out.close();

        int status = -1;
        const std::string log = run("timeout 300 openocd -f '" + config.string() + "'", &status);
        SCOPED_TRACE(log);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

        const size_t playback = log.find("svf processing file:");
        ASSERT_NE(std::string::npos, playback) << "the file was not played";
        std::istringstream lines(log.substr(playback));
        for (std::string line; std::getline(lines, line);) {
            EXPECT_NE(0u, line.rfind("Error", 0)) << line;
        }
        EXPECT_NE(std::string::npos, log.find("svf file programmed successfully"));
        EXPECT_NE(std::string::npos, log.find(" with 0 errors"));
    }

    std::unique_ptr<PluginLibrary> library_;
    std::filesystem::path dir_;
};

TEST_F(OpenOcdReplay, WorkedExample) {
    const std::string svf = (dir_ / "example.svf").string();
    const std::vector<uint32_t> chain = {6, 8, 10};
    writeSvf(*library_, svf, chain, [](KelPlugin& target) {
        const uint8_t ir[] = {0x05};
        const uint8_t dr[] = {0x78, 0x56, 0x34, 0x12};
        EXPECT_EQ(KEL_SUCCESS,
                  target.writeDeviceIR(1, ir, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext));
        EXPECT_EQ(KEL_SUCCESS,
                  target.writeDeviceDR(1, dr, nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext));
    });
    ASSERT_FALSE(HasFatalFailure());
    expectPlays(svf, chain);
}

// Several thousand bits over many lines, unused top bits set in the caller's buffers, every
// device addressed in turn, and the navigation statements between them.
TEST_F(OpenOcdReplay, LongScansOnEveryDevice) {
    const std::string svf = (dir_ / "long.svf").string();
    const std::vector<uint32_t> chain = {6, 8, 10};
    writeSvf(*library_, svf, chain, [](KelPlugin& target) {
        std::vector<uint8_t> data(1024);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<uint8_t>(i * 37 + 11);
        }
        const std::vector<uint8_t> ones(2, 0xFF);
        for (uint32_t device = 0; device < 3; ++device) {
            EXPECT_EQ(KEL_SUCCESS,
                      target.writeDeviceIR(device, ones.data(), nullptr, 6 + 2 * device,
                                           KELJTAG_RUN_TEST_IDLE, kNoContext));
            EXPECT_EQ(KEL_SUCCESS,
                      target.writeDeviceDR(device, data.data(), nullptr, 4093 + device * 1000,
                                           KELJTAG_RUN_TEST_IDLE, kNoContext));
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 100));
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_PAUSE_DR, 0));
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 2));
        }
    });
    ASSERT_FALSE(HasFatalFailure());
    expectPlays(svf, chain);
}

// The reading of "<n>E-06" by a player that goes through a single-precision float, as OpenOCD
// does; an integer reader gets n whenever n < 2^31.
uint64_t floatPlayerMicroseconds(uint64_t microseconds) {
    const float seconds =
        static_cast<float>(std::atof((std::to_string(microseconds) + "E-06").c_str()));
    return static_cast<uint32_t>(1000000 * seconds);
}

struct LongRun {
    const char* name;
    std::function<KelResult(KelPlugin&)> operation;
    const char* runState;  // of every part; "" for the short IDLE form
    uint64_t clocks;
    uint64_t microseconds;
    size_t parts;  // 2^32 - 1 us: 2000000000 twice, then 294967264 and 31 (294967295 is not
                   // read exactly through a float)
};

// Counts and waits too large for one statement come in parts that add up exactly, each part
// within what both players read exactly. Checked on the text: billions of clocks and an hour of
// waiting are not played.
TEST_F(OpenOcdReplay, LongRunsAndWaitsComeInPartsThatAddUpExactly) {
    const std::vector<LongRun> runs{
        {"the largest count in IDLE",
         [](KelPlugin& target) { return target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0xFFFFFFFF); },
         "", 0xFFFFFFFF, 0, 3},
        {"2^31 clocks with a wait in IRPAUSE",
         [](KelPlugin& target) { return target.navigateTAP(KELJTAG_PAUSE_IR, 0x80000000, 1); },
         "IRPAUSE", 0x80000000, 1, 2},
        {"the largest count and wait in DRPAUSE",
         [](KelPlugin& target) {
             return target.navigateTAP(KELJTAG_PAUSE_DR, 0xFFFFFFFF, 0xFFFFFFFF);
         },
         "DRPAUSE", 0xFFFFFFFF, 0xFFFFFFFF, 4},
        {"the largest waitTime, in IDLE",
         [](KelPlugin& target) { return target.waitTime(0xFFFFFFFF); }, "", 0, 0xFFFFFFFF, 4},
    };
    const std::vector<uint32_t> chain = {6, 8, 10};
    for (const LongRun& run : runs) {
        SCOPED_TRACE(run.name);
        const std::string svf = (dir_ / "long-run.svf").string();
        writeSvf(*library_, svf, chain,
                 [&](KelPlugin& target) { EXPECT_EQ(KEL_SUCCESS, run.operation(target)); });
        ASSERT_FALSE(HasFatalFailure());
        std::ifstream file(svf, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        const std::string text = bytes.str();
        SCOPED_TRACE(text);
        kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(text);
        kelsvfreader::Statement statement;

        uint64_t clocks = 0;
        uint64_t microseconds = 0;
        size_t parts = 0;
        while (reader.next(statement)) {
            if (statement.keyword != kelsvfreader::Keyword::RunTest) {
                continue;
            }
            ++parts;
            const kelsvfreader::RunTest& part = statement.run;
            EXPECT_STREQ(part.runStateGiven ? kelsvfreader::svfStateName(part.runState) : "",
                         run.runState);
            const uint64_t partClocks = part.hasCount ? part.count : 0;
            EXPECT_LE(partClocks, 2147483647u);  // what a signed 32-bit reader holds
            clocks += partClocks;
            if (part.hasMinTime) {
                const uint64_t partTime = part.minTime.microseconds;
                EXPECT_TRUE(part.minTime.exact);
                EXPECT_LE(partTime, 2147483647u);
                EXPECT_EQ(floatPlayerMicroseconds(partTime), partTime);
                microseconds += partTime;
            }
        }
        ASSERT_FALSE(reader.failed()) << reader.error().message;
        EXPECT_EQ(clocks, run.clocks);
        EXPECT_EQ(microseconds, run.microseconds);
        EXPECT_EQ(parts, run.parts);
    }
}

}  // namespace
