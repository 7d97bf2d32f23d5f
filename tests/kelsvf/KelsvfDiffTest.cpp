// kelsvf diff as a user runs it: a file and a reformatted copy of it have the same effect; a bit,
// a clock or a microsecond apart they differ, in one line naming both files' lines; the exit
// codes are the documented ones.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

constexpr char kChain[] = " --irlen 6,8,10";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

class KelsvfDiffTest : public KelsvfTest {
  protected:
    void SetUp() override {
        KelsvfTest::SetUp();
        worked_ = readFile(kExamples / "worked-example.svf");
        ASSERT_FALSE(worked_.empty());
        write("a.svf", worked_);
    }

    std::string worked_;
};

TEST_F(KelsvfDiffTest, AReformattedCopyHasTheSameEffect) {
    // LF line ends, lower case, other hex digit counts, a header written again, a comment.
    std::string copy = lowerCase(replaced(worked_, "\r\n", "\n"));
    copy = replaced(copy, "(03ff)", "(3ff)");
    copy = replaced(copy, "tdi (05)", "tdi (0005)");
    copy = replaced(copy, "sdr 32 tdi (12345678);",
                    "! device 1 again\nhir 10 tdi (03ff);\nsdr 32 tdi\n(1234 5678);");
    write("b.svf", copy);
    const Outcome outcome = kelsvf(std::string("diff a.svf b.svf") + kChain);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
    EXPECT_EQ(outcome.out,
              "a.svf and b.svf have the same effect on 3 devices (IR 6, 8, 10): 9 instruction and "
              "3 data register updates, 0 TDO checks, 305 TCK clocks, 0 us of RUNTEST minimum "
              "times\n");
    EXPECT_EQ(outcome.err, "");
}

TEST_F(KelsvfDiffTest, EachDifferenceIsOneLineNamingBothFilesLines) {
    struct Change {
        const char* name;
        std::string b;
        std::string line;
    };
    const std::vector<Change> changes{
        {"one bit flipped", replaced(worked_, "SDR 16 TDI (beef);", "SDR 16 TDI (beff);"),
         "a.svf:14 b.svf:14: device 0 data: beef (16 bits) | beff (16 bits)"},
        {"another RUNTEST count, a line further down",
         replaced(worked_, "RUNTEST 100 TCK;", "\r\nRUNTEST 99 TCK;"),
         "a.svf:20-end b.svf:20-end: clocks in IDLE: 100 | 99"},
        {"another wait", replaced(worked_, "RUNTEST 100 TCK;", "RUNTEST 100 TCK 1E-03 SEC;"),
         "a.svf:20-end b.svf:20-end: minimum waits: 0 us | 1000 us"},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        write("b.svf", change.b);
        const Outcome outcome = kelsvf(std::string("diff a.svf b.svf") + kChain);
        EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
        EXPECT_EQ(linesOf(outcome.out),
                  (std::vector<std::string>{change.line,
                                            "a.svf and b.svf differ in effect on 3 devices (IR "
                                            "6, 8, 10): 1 difference"}));
    }
}

TEST_F(KelsvfDiffTest, StopsAfterTheDifferencesAskedFor) {
    write("b.svf", replaced(replaced(worked_, "(beef)", "(beee)"), "(12345678)", "(12345677)"));
    Outcome outcome = kelsvf(std::string("diff a.svf b.svf --max-differences 1") + kChain);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(linesOf(outcome.out).size(), 2u) << outcome.out;
    EXPECT_NE(outcome.out.find("the first 1 difference; the comparison stopped there"),
              std::string::npos)
        << outcome.out;

    // One of the files from standard input.
    outcome = kelsvf(std::string("diff - a.svf") + kChain, worked_);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out.rfind("<stdin> and a.svf have the same effect", 0), 0u) << outcome.out;
}

TEST_F(KelsvfDiffTest, ExitCodesForBadCommandLinesAndUnreadableFiles) {
    write("b.svf", replaced(worked_, "SIR 6 TDI (2a);", "SIR 6 (2a);"));
    write("bad.chain", "0x1A2B3C4D\n");
    struct Case {
        std::string arguments;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases{
        {"diff a.svf", 2, "diff needs two SVF files"},
        {"diff a.svf a.svf a.svf --irlen 6", 2, "diff takes two SVF files, but got a third"},
        {"diff a.svf a.svf", 2, "diff needs the chain"},
        {"diff - - --irlen 6", 2, "only one of its files from standard input"},
        {"diff a.svf a.svf --irlen 6 --frequency 1e6", 2, "--frequency is for --waits at-least"},
        {"diff a.svf a.svf --irlen 6 --max-differences 0", 2, "at least 1"},
        {"diff a.svf a.svf --chain 6 --irlen 6", 2, "--chain gives the whole chain"},
        {"diff a.svf a.svf --chainfile bad.chain --irlen 6,8", 2, "--chainfile bad.chain"},
        {"diff a.svf a.svf --chainfile none.chain --irlen 6", 3, "none.chain"},
        {"diff a.svf none.svf --irlen 6", 3, "kelsvf: cannot open none.svf: "},
        {std::string("diff a.svf b.svf") + kChain, 3, "kelsvf: b.svf:13:7: SIR: expected TDI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome outcome = kelsvf(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        if (c.exitCode != 1) {
            EXPECT_EQ(outcome.out, "");
        }
    }
}

}  // namespace
