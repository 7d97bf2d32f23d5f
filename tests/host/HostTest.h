// Support for tests that drive the built plug-in exactly as a host does: the library is loaded
// with dlopen, every callback is recorded, and results are compared as exact event sequences
// and exact file bytes.
#ifndef KEL_TESTS_HOST_HOST_TEST_H
#define KEL_TESTS_HOST_HOST_TEST_H

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SvfCheck.h"
#include "kel/KelPlugin.h"
#include "kelhost/PluginLibrary.h"
#include "kelhost/Recorder.h"

namespace kelhost::test {

using KelPluginInterface::CallContext;
using KelPluginInterface::KelPlugin;
using KelPluginInterface::KelTargetInfo;
using KelPluginInterface::TapState;

// An option list in the form openTarget takes it; owns its texts.
class OptionList {
  public:
    OptionList(std::initializer_list<std::string> entries);
    OptionList(const OptionList&) = delete;  // the pointers point into this object's texts
    OptionList& operator=(const OptionList&) = delete;

    uint32_t count() const { return static_cast<uint32_t>(pointers_.size()); }
    const char* const* data() const { return pointers_.data(); }

  private:
    std::vector<std::string> texts_;
    std::vector<const char*> pointers_;
};

// The whole text of a file, byte for byte ("" when it cannot be read).
std::string readFile(const std::filesystem::path& path);

// Everything the recorder saw, in the one-line forms of Recorder::lines(), with the stream
// handle in the print after opening a file replaced by "<handle>" (it differs between runs).
std::vector<std::string> hostLines(const Recorder& recorder);

// Joins lines for comparison, one per line, with CR, LF and backslash spelled out, so that a
// mismatch shows as a readable line diff.
std::string showLines(const std::vector<std::string>& lines);
// Shows SVF text one statement per line, line ends spelled out; equal exactly when the bytes are.
std::string showSvf(const std::string& bytes);

bool hasPrint(const Recorder& recorder, uint32_t level, const std::string& text);

// The fixture: a freshly loaded library whose callbacks record into recorder_, one target
// created after the callbacks were set (its constructor trace is cleared away), and a private
// temporary directory that is removed afterwards.
class HostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    KelPlugin& target() { return *target_; }
    std::string tempPath(const std::string& name) const;

    // openTarget with "fname" and "type".
    KelResult open(const std::string& path, const std::string& type = "SVF");
    // Opens `path`, describes a chain with these IR lengths (device 0 first), takes the lock,
    // and clears the recorder. Check with ASSERT_NO_FATAL_FAILURE.
    void startSession(const std::string& path, const std::vector<uint32_t>& irLengths);
    // Describes the chain only; the files compared afterwards are checked against it.
    void describeChain(const std::vector<uint32_t>& irLengths);
    // The IR lengths last described (none before the first describeChain).
    const std::optional<std::vector<uint32_t>>& describedIrLengths() const {
        return describedIrLengths_;
    }

    KelResult writeIR(uint32_t device, const std::vector<uint8_t>& tdi, uint32_t bitCount);
    KelResult writeDR(uint32_t device, const std::vector<uint8_t>& tdi, uint32_t bitCount);

    Recorder recorder_;  // first: it must outlive the target's destructor trace
    std::unique_ptr<PluginLibrary> library_;
    TargetPtr target_{nullptr, TargetDeleter{nullptr}};
    std::filesystem::path tempDir_;
    std::optional<std::vector<uint32_t>> describedIrLengths_;
};

constexpr CallContext kNoContext{};

}  // namespace kelhost::test

// Exact comparisons of what the host saw. Pass the expected lines as further arguments.
#define EXPECT_EVENTS(recorder, ...)                                             \
    EXPECT_EQ(::kelhost::test::showLines(std::vector<std::string>{__VA_ARGS__}), \
              ::kelhost::test::showLines(::kelhost::test::hostLines(recorder)))
#define EXPECT_TRACES(recorder, ...)                                             \
    EXPECT_EQ(::kelhost::test::showLines(std::vector<std::string>{__VA_ARGS__}), \
              ::kelhost::test::showLines((recorder).traceLines()))
#define EXPECT_PRINTS(recorder, ...)                                             \
    EXPECT_EQ(::kelhost::test::showLines(std::vector<std::string>{__VA_ARGS__}), \
              ::kelhost::test::showLines((recorder).printLines()))
#define EXPECT_MESSAGES(recorder, ...)                                           \
    EXPECT_EQ(::kelhost::test::showLines(std::vector<std::string>{__VA_ARGS__}), \
              ::kelhost::test::showLines((recorder).messageLines()))
#define EXPECT_PRINT(recorder, level, text)                       \
    EXPECT_TRUE(::kelhost::test::hasPrint(recorder, level, text)) \
        << "print " << (level) << ": " << (text)
// The file holds exactly `bytes`, and they check clean on the chain the fixture described (or
// read without error when it described none). Use inside a HostTest.
#define EXPECT_SVF_FILE(path, bytes)                                                       \
    do {                                                                                   \
        const std::string kelExpectedSvf = (bytes);                                        \
        EXPECT_EQ(::kelhost::test::showSvf(kelExpectedSvf),                                \
                  ::kelhost::test::showSvf(::kelhost::test::readFile(path)));              \
        EXPECT_TRUE(::kelhost::test::svfChecksClean(kelExpectedSvf, describedIrLengths())) \
            << ::kelhost::test::showSvf(kelExpectedSvf);                                   \
    } while (false)
// The comparison alone, for a file that is not meant to play on the described chain; `reason`
// says why and shows with a mismatch.
#define EXPECT_SVF_FILE_UNCHECKED(path, bytes, reason)                   \
    EXPECT_EQ(::kelhost::test::showSvf(bytes),                           \
              ::kelhost::test::showSvf(::kelhost::test::readFile(path))) \
        << "not checked against its chain: " << (reason)

#endif  // KEL_TESTS_HOST_HOST_TEST_H
