// Shared pieces of the scan tests: a recording host installed for each test, and bit helpers.
#ifndef KEL_TESTS_SCAN_SUPPORT_H
#define KEL_TESTS_SCAN_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "boundary/CallbackTable.h"
#include "kel/KelPlugin.h"
#include "kelhost/Recorder.h"

namespace scantest {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

constexpr KelPluginInterface::CallContext kNoContext{};

// Every callback of the library lands in `recorder` for the test's lifetime.
class RecordingTest : public ::testing::Test {
  protected:
    RecordingTest() {
        const KelPluginCallbacks table = kelhost::Recorder::callbacks();
        KelPluginInterface::boundary::setCallbacks(&table);
    }
    ~RecordingTest() override {
        const KelPluginCallbacks none{};
        KelPluginInterface::boundary::setCallbacks(&none);
    }

    // The recorded lines of one kind, in order.
    Lines dumps() const { return linesStartingWith("dump "); }
    Lines prints() const { return recorder.printLines(); }

    Lines linesStartingWith(const std::string& prefix) const {
        Lines out;
        for (const std::string& line : recorder.lines()) {
            if (line.rfind(prefix, 0) == 0) {
                out.push_back(line);
            }
        }
        return out;
    }

    kelhost::Recorder recorder;
};

inline bool bitOf(const Bytes& bytes, size_t index) {
    return ((static_cast<unsigned>(bytes[index / 8]) >> (index % 8)) & 1u) != 0;
}

inline uint64_t valueOf(const Bytes& bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
        value |= uint64_t{bytes[i]} << (8 * i);
    }
    return value;
}

}  // namespace scantest

#endif  // KEL_TESTS_SCAN_SUPPORT_H
