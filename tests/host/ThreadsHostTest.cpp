// Targets on threads of their own: a host sets the callbacks once, then runs one target of the
// loaded plug-in per thread, all at the same time. Each thread must write exactly the file, and
// see exactly the callbacks, that the same session gives when it runs alone. Built a second time
// with ThreadSanitizer, which then also reports any data race between the targets.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <latch>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "kel/KelPlugin.h"
#include "kelhost/FormatPrint.h"
#include "kelhost/PluginLibrary.h"

namespace {

using namespace KelPluginInterface;
namespace fs = std::filesystem;

constexpr size_t kThreads = 8;
constexpr int kSessionsPerThread = 20;

// The callbacks record into the calling thread's own list, so that each thread's events can be
// compared with those of the same session run alone. A thread without a list drops its events.
thread_local std::vector<std::string>* threadEvents = nullptr;

void record(std::string line) {
    if (threadEvents != nullptr) {
        threadEvents->push_back(std::move(line));
    }
}

void onMessage(int32_t context, uint32_t level, const char* text) {
    record("message " + std::to_string(context) + " " + std::to_string(level) + ": " +
           (text != nullptr ? text : ""));
}

void onPrint(uint32_t level, const char* format, va_list args) {
    record("print " + std::to_string(level) + ": " + kelhost::formatPrint(format, args));
}

void onDump(uint32_t level, const char* label, const uint8_t*, uint32_t bitCount) {
    record("dump " + std::to_string(level) + " " + (label != nullptr ? label : "") + " " +
           std::to_string(bitCount));
}

void onTraceEnter(const char* name) {
    record(std::string("> ") + (name != nullptr ? name : ""));
}

void onTraceExit(const char* result) {
    record(std::string("< ") + (result != nullptr ? result : ""));
}

// "returned 5a3c12f0" becomes "returned <handle>": handles differ from run to run.
void maskHandle(std::string& line) {
    const std::string_view word = "returned ";
    for (size_t at = line.find(word); at != std::string::npos; at = line.find(word, at + 1)) {
        const size_t digits = at + word.size();
        size_t end = digits;
        while (end < line.size() && std::isxdigit(static_cast<unsigned char>(line[end])) != 0) {
            ++end;
        }
        if (end > digits) {
            line.replace(digits, end - digits, "<handle>");
        }
    }
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// What one session leaves behind, with the parts that differ between runs of the same session
// (the file's name and the stream handle) replaced by fixed marks.
struct SessionRecord {
    std::string file;
    std::vector<std::string> events;
    bool allSucceeded = true;
};

// One host session, different for every `seed`: a chain, IR and DR writes of many lengths to
// every device with every kind of end state, runs and waits in the states SVF can hold.
SessionRecord runSession(const kelhost::PluginLibrary& library, const fs::path& path,
                         uint32_t seed) {
    SessionRecord record;
    threadEvents = &record.events;
    std::mt19937 random(seed);
    const auto check = [&record](KelResult result) {
        record.allSucceeded &= result == KEL_SUCCESS;
    };

    KelPlugin* target = library.create();
    const std::string fname = "fname=" + path.string();
    const char* const options[] = {fname.c_str(), "type=SVF"};
    check(target->openTarget(2, options, CallContext{static_cast<int32_t>(seed), seed}));
    target->setMessageContext(static_cast<int32_t>(seed));
    const std::vector<uint32_t> irLengths{4 + seed % 5, 8, 10 + seed % 3};
    check(target->setDeviceCount(static_cast<uint32_t>(irLengths.size())));
    for (uint32_t device = 0; device < irLengths.size(); ++device) {
        check(target->setIRLength(device, irLengths[device]));
    }
    check(target->lockTarget(0));
    const TapState endStates[] = {KELJTAG_RUN_TEST_IDLE, KELJTAG_PAUSE_DR, KELJTAG_PAUSE_IR,
                                  KELJTAG_TEST_LOGIC_RESET, KELJTAG_SHIFT_DR};
    const TapState runStates[] = {KELJTAG_RUN_TEST_IDLE, KELJTAG_PAUSE_DR, KELJTAG_PAUSE_IR,
                                  KELJTAG_TEST_LOGIC_RESET};
    for (int step = 0; step < 40; ++step) {
        const auto device = static_cast<uint32_t>(random() % irLengths.size());
        const auto bitCount = static_cast<uint32_t>(1 + random() % 3000);
        std::vector<uint8_t> bits((bitCount + 7) / 8);
        for (uint8_t& byte : bits) {
            byte = static_cast<uint8_t>(random());
        }
        const TapState endState = endStates[random() % std::size(endStates)];
        switch (random() % 4) {
            case 0:
                check(target->writeDeviceIR(device, bits.data(), nullptr, irLengths[device],
                                            endState, CallContext{}));
                break;
            case 1:
                check(target->writeDeviceDR(device, bits.data(), nullptr, bitCount, endState,
                                            CallContext{}));
                break;
            case 2:
                check(target->navigateTAP(runStates[random() % std::size(runStates)],
                                          static_cast<uint32_t>(random() % 1000),
                                          static_cast<uint32_t>(random() % 3000000)));
                break;
            default:
                check(target->waitTime(static_cast<uint32_t>(random() % 5000)));
        }
    }
    check(target->unlockTarget());
    check(target->closeTarget());
    library.destroy(target);
    threadEvents = nullptr;

    record.file = readFile(path);
    const std::string name = path.string();
    for (std::string& line : record.events) {
        for (size_t at = line.find(name); at != std::string::npos; at = line.find(name, at)) {
            line.replace(at, name.size(), "<file>");
        }
        maskHandle(line);
    }
    return record;
}

TEST(Threads, OneTargetPerThreadWritesWhatTheSameSessionWritesAlone) {
    std::string error;
    const auto library = kelhost::PluginLibrary::load(KEL_PLUGIN_PATH, &error);
    ASSERT_NE(library, nullptr) << error;
    // Set once, before any operation runs; every target of the library shares the table.
    const KelPluginCallbacks callbacks{onMessage, onPrint, onDump, onTraceEnter, onTraceExit};
    library->setCallbacks(&callbacks);

    std::string pattern = (fs::temp_directory_path() / "kelthreads-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;

    // The same sessions one after the other on this thread give what each must write.
    std::vector<SessionRecord> alone;
    for (size_t t = 0; t < kThreads; ++t) {
        alone.push_back(runSession(*library, folder / ("alone-" + std::to_string(t) + ".svf"),
                                   static_cast<uint32_t>(t)));
        ASSERT_TRUE(alone.back().allSucceeded) << "session " << t;
        ASSERT_GT(alone.back().file.size(), 1000u);
    }

    // Each thread runs its session several times over, all threads at once.
    std::vector<std::vector<std::string>> differences(kThreads);
    std::latch start(static_cast<std::ptrdiff_t>(kThreads));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            const fs::path path = folder / ("thread-" + std::to_string(t) + ".svf");
            for (int round = 0; round < kSessionsPerThread; ++round) {
                const SessionRecord record = runSession(*library, path, static_cast<uint32_t>(t));
                const std::string when = "round " + std::to_string(round) + ": ";
                if (!record.allSucceeded) {
                    differences[t].push_back(when + "an operation failed");
                }
                if (record.file != alone[t].file) {
                    differences[t].push_back(when + "the file differs");
                }
                if (record.events != alone[t].events) {
                    differences[t].push_back(when + "the callbacks differ");
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (size_t t = 0; t < kThreads; ++t) {
        EXPECT_EQ(differences[t], std::vector<std::string>{}) << "thread " << t;
    }
    fs::remove_all(folder);
}

}  // namespace
