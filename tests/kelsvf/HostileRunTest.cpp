// Runs as a hostile user would try them: no way ends in success over a lost byte, and no input
// makes kelsvf read without bound.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

constexpr char kPrevious[] = "the previous output\n";
constexpr char kGoodSvf[] =
    "STATE RESET;\r\nSTATE IDLE;\r\nHIR 0;\r\nTIR 0;\r\nHDR 0;\r\nTDR 0;\r\nSIR 8 TDI (05);\r\n"
    "STATE IDLE;\r\n";

#ifdef __SANITIZE_ADDRESS__
constexpr bool kAddressLimitsWork = false;  // the sanitizer reserves terabytes of shadow
#else
constexpr bool kAddressLimitsWork = true;
#endif

std::string kelsvfCommand(const std::string& arguments) {
    return "'" + kKelsvf.string() + "' " + arguments;
}

// More than 64 KiB of SVF, and try lines that let unlock and close fail.
std::string tryScript() {
    std::string script = "open fname=out.svf type=SVF\nlock\nchain 8\n";
    for (int i = 0; i < 3000; ++i) {
        script += "dr 0 32 12345678\n";
    }
    return script + "try unlock\ntry close\n";
}

TEST_F(KelsvfTest, ALostWriteFailsTheRunWhateverTryAndKeepGoingSay) {
    write("try.kel", tryScript());
    fs::create_directories(path("small"));
    // A full file system where mounting is allowed; a file-size limit does the same everywhere.
    const bool mounted =
        ::geteuid() == 0 && ::mount("tmpfs", path("small").c_str(), "tmpfs", 0, "size=64k") == 0;
    struct Unmount {
        std::string folder;
        bool mounted;
        ~Unmount() {
            if (mounted) {
                ::umount(folder.c_str());
            }
        }
    } const unmount{path("small").string(), mounted};
    const struct {
        bool run;
        std::string command;
        std::string output;
        std::string reason;
    } cases[] = {
        {mounted, kelsvfCommand("run -o small/out.svf try.kel"), "small/out.svf",
         "No space left on device"},
        {true, "ulimit -f 16 && " + kelsvfCommand("run try.kel"), "out.svf", "File too large"},
        {true, "ulimit -f 16 && " + kelsvfCommand("run --keep-going --no-sync try.kel"), "out.svf",
         "File too large"},
    };
    for (const auto& c : cases) {
        if (!c.run) {
            continue;
        }
        write(c.output, kPrevious);
        const Outcome outcome = shell(c.command);
        EXPECT_EQ(outcome.exitCode, 1) << c.command << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find("kelsvf: " + c.output +
                                   " left as it was: writing it failed: " + c.reason + "\n"),
                  std::string::npos)
            << c.command << "\n"
            << outcome.err;
        EXPECT_EQ(readFile(path(c.output)), kPrevious) << c.command;
        EXPECT_EQ(partialFiles(), std::vector<std::string>{}) << c.command;
    }
    if (mounted) {
        EXPECT_EQ(std::distance(fs::directory_iterator(path("small")), {}), 1);
    }
}

// An old editor's CR, a CR LF file and LF all end lines; words a line does not take are refused.
TEST_F(KelsvfTest, EveryLineEndEndsALineAndNoLineTakesAnotherOperationsWords) {
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        // The first line end falls on the reader's 64 KiB boundary: CR before it, LF after.
        write("ends.kel", "#" + std::string(65534, 'x') + end + "open fname=out.svf type=SVF" +
                              end + "lock" + end + "chain 8" + end + "ir 0 8 05" + end + "close" +
                              end);
        const Outcome outcome = kelsvf("run ends.kel");
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(readFile(path("out.svf")), kGoodSvf);
    }
    write("one.kel", "open fname=one.svf type=SVF lock chain 8\n");
    const Outcome one = kelsvf("run one.kel");
    EXPECT_EQ(one.exitCode, 3);
    EXPECT_EQ(one.err,
              "one.kel:1: open takes KEY=VALUE options, but got 'lock' (one operation a line)\n"
              "kelsvf: 1 bad line; nothing was run\n");
    EXPECT_FALSE(fs::exists(path("one.svf")));
}

// Each reproducer ends with its own message and code, in memory that a limit keeps small.
TEST_F(KelsvfTest, InputsWithoutEndAreRefusedBeforeMemoryRunsOut) {
    write("zero-data.kel", "open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 @/dev/zero\n");
    write("zero-sized.kel", "open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 16 @/dev/zero\n");
    write("zero-chain.kel", "open fname=out.svf type=SVF\nchainfile /dev/zero\nlock\nscan\n");
    write("env-chain.kel", "open fname=out.svf type=SVF\nlock\nscan\n");
    write("large.kel", "open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 32 @large.bin\n");
    write("whole.kel", "open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 @whole.bin\n");
    write("x.svf", "STATE RESET;\n");
    fs::resize_file((write("large.bin", ""), path("large.bin")), uint64_t{5} << 30);  // sparse
    fs::resize_file((write("whole.bin", ""), path("whole.bin")), uint64_t{400} << 20);
    fs::resize_file((write("huge.kel", ""), path("huge.kel")), (uint64_t{1} << 30) + 1);
    const std::string limit = kAddressLimitsWork ? "ulimit -v 1000000 && " : "";
    const struct {
        std::string command;
        int exitCode;
        std::string message;
    } cases[] = {
        {limit + kelsvfCommand("run /dev/zero"), 3,
         "kelsvf: /dev/zero is not a text script (byte 0x00 at offset 0); nothing was run\n"},
        {limit + kelsvfCommand("run - < /dev/zero"), 3, "(byte 0x00 at offset 0)"},
        {limit + kelsvfCommand("run huge.kel"), 3,
         "kelsvf: cannot read script huge.kel: it is larger than 1073741824 bytes, the most a "
         "script may hold\n"},
        {limit + kelsvfCommand("run zero-data.kel"), 3,
         "zero-data.kel:4: data file '/dev/zero' is not a regular file and holds more than "
         "67108864 bytes, the most read without BITS; give BITS\n"},
        {limit + kelsvfCommand("run zero-chain.kel"), 3,
         "zero-chain.kel:2: cannot read chain file '/dev/zero': it holds more than 1048576 "
         "bytes, the most read\n"},
        {limit + "ZOR_VANTORA_JTAGFILE=/dev/zero " + kelsvfCommand("run env-chain.kel"), 3,
         "env-chain.kel:3: cannot read chain file '/dev/zero': it holds more than"},
        {limit + kelsvfCommand("check x.svf --chainfile /dev/urandom --irlen 8"), 3,
         "kelsvf: cannot read the chain-description file /dev/urandom: it holds more than"},
        {limit + kelsvfCommand("run large.kel"), 3,
         "large.kel:4: data file 'large.bin' holds 5368709120 bytes, but 32 bits take 4\n"},
        {limit + kelsvfCommand("run zero-sized.kel"), 0, ""},
        {kAddressLimitsWork ? "ulimit -v 300000 && " + kelsvfCommand("run whole.kel") : "", 5,
         "kelsvf: out of memory while checking whole.kel:4\n"},
    };
    for (const auto& c : cases) {
        if (c.command.empty()) {
            continue;
        }
        const Outcome outcome = shell(c.command);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.command << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.command << "\n"
                                                                  << outcome.err;
        EXPECT_EQ(outcome.err.find("bad_alloc"), std::string::npos) << outcome.err;
    }
}

// A scan's declared length costs no memory: a register holds slices of the file's own bits, so
// check and diff of scans of 2^32 - 1 and 8 x 10^9 bits run in a 128 MiB address space.
TEST_F(KelsvfTest, HugeScansAreCheckedAndComparedInA128MiBAddressSpace) {
    if (!kAddressLimitsWork) {
        GTEST_SKIP() << "the sanitizer reserves terabytes of shadow";
    }
    write("huge.svf", "SDR 4294967295 TDI (0);\n");
    std::string eight;
    for (int k = 1; k <= 8; ++k) {
        eight += "SIR 64 TDI (" + std::to_string(k) + ");\nSDR 1000000000 TDI (0);\n";
    }
    write("eight.svf", eight);
    write("other.svf", eight.substr(0, eight.size() - 4) + "8);\n");  // bit 3 of the last SDR
    const struct {
        std::string arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {"check huge.svf --irlen 8", 0,
         "data under after a reset: 1 scan, 4294967295 bits, line 1, digest eccbc3e4937ebfa9\n"},
        {"diff huge.svf huge.svf --irlen 8", 0, "huge.svf and huge.svf have the same effect"},
        {"check eight.svf --irlen 64", 0, "8 instruction and 8 data register updates"},
        {"diff eight.svf other.svf --irlen 64", 1,
         "eight.svf:16 other.svf:16: device 0 data, first difference at bit 3 (lines 16 | 16)"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = shell("ulimit -v 131072 && " + kelsvfCommand(c.arguments));
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.out.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.out;
    }
}

// A FIFO can be read once: both passes and both lines get the bytes of that one read.
TEST_F(KelsvfTest, ADataFileNamedTwiceIsReadOnce) {
    ASSERT_EQ(::mkfifo(path("data.fifo").c_str(), 0600), 0);
    write("fifo.kel",
          "open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 16 @data.fifo\ndr 0 16 "
          "@data.fifo\nclose\n");
    const Outcome outcome =
        shell("(printf 'ab' > data.fifo &) && timeout 60 " + kelsvfCommand("run fifo.kel"));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string svf = readFile(path("out.svf"));
    EXPECT_EQ(svf.find("SDR 16 TDI (6261);\r\nSDR 16 TDI (6261);\r\n"), svf.find("SDR")) << svf;
}

// What a terminal shows of a hostile line or name: no escape sequence, no endless line.
TEST_F(KelsvfTest, EchoedTextIsEscapedAndCut) {
    write("esc.kel", "open fname=out.svf type=SVF\n\x1b[2J\x1b[31mred\nir 0 8 " +
                         std::string(1000, 'f') + "\n");
    const Outcome outcome = kelsvf("run esc.kel \"$(printf 'esc\\033.kel')\"");
    EXPECT_EQ(outcome.exitCode, 2);
    const Outcome bad = kelsvf("run esc.kel");
    EXPECT_EQ(bad.exitCode, 3);
    EXPECT_NE(bad.err.find("esc.kel:2: unknown operation '\\x1b[2J\\x1b[31mred'\n"),
              std::string::npos)
        << bad.err;
    EXPECT_NE(bad.err.find("esc.kel:3: value '" + std::string(80, 'f') +
                           "...(1000 bytes)' has 1000 hex digits, but 8 bits hold at most 2\n"),
              std::string::npos)
        << bad.err;
    const Outcome named = kelsvf("run \"$(printf 'esc\\033.kel')\"");
    EXPECT_EQ(named.exitCode, 3);
    EXPECT_EQ(named.err, "kelsvf: cannot read script esc\\x1b.kel: No such file or directory\n");
    for (const std::string& err : {outcome.err, bad.err, named.err}) {
        EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
    }
}

}  // namespace
