// What a run may do to the path it writes: replace a regular file (or a link's target) only when
// it succeeded, never remove or replace anything else, clean up after SIGINT, SIGTERM and
// SIGHUP, and refuse to write over one of its own inputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

// Device 3 is not on a chain of three: the plug-in refuses line 5, after the file was written.
constexpr char kFailingScript[] =
    "open fname=out.svf type=SVF\nlock\nchain 6 8 10\nir 1 8 05\nirlen 3 4\nclose\n";
constexpr char kGoodScript[] = "open fname=out.svf type=SVF\nlock\nchain 8\nir 0 8 05\nclose\n";
constexpr char kGoodSvf[] =
    "STATE RESET;\r\nSTATE IDLE;\r\nHIR 0;\r\nTIR 0;\r\nHDR 0;\r\nTDR 0;\r\nSIR 8 TDI (05);\r\n"
    "STATE IDLE;\r\n";
constexpr char kPrevious[] = "the previous output\n";

const std::vector<std::string> kNone;

TEST_F(KelsvfTest, AFailingRunLeavesAnExistingFileAndALinkAsTheyWere) {
    write("fail.kel", kFailingScript);
    fs::create_directories(path("elsewhere"));
    write("elsewhere/target.svf", kPrevious);
    write("good.svf", kPrevious);
    fs::create_symlink("elsewhere/target.svf", path("link.svf"));
    for (const std::string output : {"good.svf", "link.svf"}) {
        const Outcome outcome = kelsvf("run -o " + output + " fail.kel");
        EXPECT_EQ(outcome.exitCode, 1) << output;
        EXPECT_NE(
            outcome.err.find("kelsvf: " + output + " left as it was: the run did not complete"),
            std::string::npos)
            << outcome.err;
        EXPECT_EQ(readFile(path("good.svf")), kPrevious) << output;
        EXPECT_EQ(readFile(path("elsewhere/target.svf")), kPrevious) << output;
        EXPECT_EQ(fs::read_symlink(path("link.svf")), "elsewhere/target.svf") << output;
        EXPECT_EQ(partialFiles(), kNone) << output;
    }
    // --keep-going puts the incomplete file in place, and says so.
    const Outcome kept = kelsvf("run --keep-going -o good.svf fail.kel");
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_NE(kept.err.find("good.svf is incomplete: 1 operation failed"), std::string::npos);
    EXPECT_NE(readFile(path("good.svf")), kPrevious);
}

TEST_F(KelsvfTest, ASucceedingRunReplacesALinksTargetAndKeepsModes) {
    write("good.kel", kGoodScript);
    fs::create_directories(path("elsewhere"));
    write("elsewhere/target.svf", kPrevious);
    fs::permissions(path("elsewhere/target.svf"), fs::perms(0640));
    fs::create_symlink("elsewhere/target.svf", path("link.svf"));
    Outcome outcome = kelsvf("run -o link.svf good.kel");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(fs::read_symlink(path("link.svf")), "elsewhere/target.svf");
    EXPECT_EQ(readFile(path("elsewhere/target.svf")), kGoodSvf);
    EXPECT_EQ(fs::status(path("elsewhere/target.svf")).permissions(), fs::perms(0640));
    // A new file gets the mode the umask gives, not the temporary file's 0600.
    outcome = shell("umask 027 && '" + kKelsvf.string() + "' run good.kel");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(fs::status(path("out.svf")).permissions(), fs::perms(0640));
    EXPECT_EQ(partialFiles(), kNone);
    EXPECT_EQ(std::distance(fs::directory_iterator(path("elsewhere")), {}), 1);
}

// Character devices are written directly and never removed, whether the run fails or succeeds.
TEST_F(KelsvfTest, ACharacterDeviceIsWrittenDirectlyAndNeverRemoved) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mknod needs root";
    }
    ASSERT_EQ(::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    write("fail.kel", kFailingScript);
    write("good.kel", kGoodScript);
    const struct {
        const char* arguments;
        const char* device;
        unsigned minor;
        int exitCode;
    } cases[] = {
        {"run -o null fail.kel", "null", 3, 1},
        {"run -o null good.kel", "null", 3, 0},
        {"run -o full good.kel", "full", 7, 1},  // every write fails: no space
    };
    for (const auto& c : cases) {
        const Outcome outcome = kelsvf(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << "\n" << outcome.err;
        struct stat status {};
        ASSERT_EQ(::lstat(path(c.device).c_str(), &status), 0) << c.arguments;
        EXPECT_TRUE(S_ISCHR(status.st_mode)) << c.arguments;
        EXPECT_EQ(status.st_rdev, makedev(1, c.minor)) << c.arguments;
        EXPECT_EQ(partialFiles(), kNone) << c.arguments;
    }
}

// A link into /proc/self/fd names a stream kelsvf already holds: written directly, kept.
TEST_F(KelsvfTest, ALinkToAStreamOfTheProcessIsWrittenDirectlyAndKept) {
    write("fail.kel", kFailingScript);
    fs::create_symlink("/proc/self/fd/1", path("stdout-link"));
    const Outcome outcome = kelsvf("run -o stdout-link fail.kel");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("warning: stdout-link is incomplete: the run did not complete"),
              std::string::npos)
        << outcome.err;
    EXPECT_TRUE(fs::is_symlink(path("stdout-link")));
    EXPECT_EQ(outcome.out.rfind("STATE RESET;\r\n", 0), 0u) << outcome.out;
    EXPECT_EQ(partialFiles(), kNone);
}

// Starts kelsvf in the test's folder and returns at once. The child gets the signals' default
// dispositions and mask, whatever the test runner was started with.
pid_t startKelsvf(const fs::path& folder, const std::vector<std::string>& arguments) {
    std::vector<std::string> words{kKelsvf.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::string errors = (folder / ".stderr").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const int signalNumber :
             {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGABRT}) {
            std::signal(signalNumber, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::chdir(folder.c_str()) != 0 || err < 0 || ::dup2(err, STDERR_FILENO) < 0) {
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The child's wait status; a child that outlives the deadline (a hang) is killed.
int waitForExit(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "kelsvf did not end after the signal";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status;
}

// The run writes out.svf and then opens a FIFO nobody reads, where it waits for good: the signal
// always finds it in the middle of the run, with out.svf's temporary file there, and the test
// needs no timing. (Waiting for the temporary file has a deadline only against a hang.)
TEST_F(KelsvfTest, SignalsInTheMiddleOfARunLeaveNoOutputAndNoTemporaryFile) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::string script = "open fname=out.svf type=SVF\nlock\nchain 8\n";
    for (int i = 0; i < 1000; ++i) {
        script += "dr 0 32 12345678\n";
    }
    script += "open fname=fifo type=SVF\n";
    write("long.kel", script);
    const struct {
        int signalNumber;
        bool previous;  // a previous out.svf is there
    } cases[] = {{SIGINT, false},  {SIGTERM, true}, {SIGHUP, true},  {SIGQUIT, true},
                 {SIGUSR1, false}, {SIGALRM, true}, {SIGABRT, true}, {SIGKILL, true}};
    for (const auto& c : cases) {
        const std::string name = strsignal(c.signalNumber);
        fs::remove(path("out.svf"));
        if (c.previous) {
            write("out.svf", kPrevious);
        }
        const pid_t pid = startKelsvf(folder_, {"run", "long.kel"});
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (partialFiles().empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(partialFiles().size(), 1u) << name;
        ::kill(pid, c.signalNumber);
        const int status = waitForExit(pid);
        if (c.signalNumber == SIGKILL) {
            // Uncatchable: the temporary file stays, under a name no one takes for out.svf.
            EXPECT_TRUE(WIFSIGNALED(status)) << name;
            ASSERT_EQ(partialFiles().size(), 1u) << name;
            EXPECT_EQ(partialFiles()[0].rfind(".out.svf.kelsvf-partial-", 0), 0u) << name;
            fs::remove(path(partialFiles()[0]));
        } else if (c.signalNumber == SIGABRT) {
            // A fault's default action stays (a core dump), once the temporary file is gone.
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << name;
            EXPECT_EQ(partialFiles(), kNone) << name;
        } else {
            ASSERT_TRUE(WIFEXITED(status)) << name;
            EXPECT_EQ(WEXITSTATUS(status), 128 + c.signalNumber) << name;
            EXPECT_EQ(partialFiles(), kNone) << name;
            EXPECT_NE(readFile(path(".stderr"))
                          .find("kelsvf: interrupted; the unfinished "
                                "output was removed"),
                      std::string::npos)
                << name;
        }
        if (c.previous) {
            EXPECT_EQ(readFile(path("out.svf")), kPrevious) << name;
        } else {
            EXPECT_FALSE(fs::exists(path("out.svf"))) << name;
        }
    }
}

TEST_F(KelsvfTest, StandardOutputGetsTheSameBytesAsAFile) {
    const std::string example = (kExamples / "worked-example.kel").string();
    const std::string expected = readFile(kExamples / "worked-example.svf");
    EXPECT_EQ(kelsvf("run -o - " + example).out, expected);
    EXPECT_EQ(kelsvf("run -o- " + example).out, expected);
    const Outcome program = kelsvf("program --irlen 6,8,10 --device 2 --ir 3c5 --data " +
                                   (kExamples / "bitstream.bin").string() + " --runtest 1000 -o -");
    EXPECT_EQ(program.exitCode, 0) << program.err;
    EXPECT_EQ(program.out, readFile(kExamples / "bitstream.svf"));
    // Appending keeps what the file held; queries move to standard error.
    write("show.kel", "open fname=x.svf type=SVF\nlock\nchain 8\nir 0 8 05\nshow\nclose\n");
    const Outcome appended = shell("printf 'before\\n' > both.svf && '" + kKelsvf.string() +
                                   "' run -o - show.kel >> both.svf");
    EXPECT_EQ(appended.exitCode, 0) << appended.err;
    EXPECT_EQ(readFile(path("both.svf")), std::string("before\n") + kGoodSvf);
    EXPECT_NE(appended.err.find("devices: 1\n"), std::string::npos) << appended.err;
    EXPECT_FALSE(fs::exists(path("x.svf")));
    EXPECT_FALSE(fs::exists(path("-")));
}

// Nothing runs, and every input is as it was.
TEST_F(KelsvfTest, AnOutputThatIsAnInputIsRefused) {
    write("data.bin", "ab");
    write("own.kel", "open fname=own.kel type=SVF\nlock\n");
    write("data.kel", "open fname=data.bin type=SVF\nlock\nchain 8\ndr 0 @data.bin\n");
    write("other.kel", "open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 @data.bin\n");
    write("chain.txt", "1a2b3c4d\n");
    write("scan.kel", "open fname=out.svf type=SVF\nchainfile chain.txt\nlock\nscan\n");
    fs::create_symlink("data.bin", path("alias.bin"));
    fs::create_hard_link(path("chain.txt"), path("hard.txt"));
    fs::copy_file(kPlugin, path("p.so"));
    const struct {
        std::string arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {"run -o other.kel other.kel", 2,
         "kelsvf: -o other.kel would overwrite an input: the script other.kel\n"},
        {"run own.kel", 3,
         "own.kel:1: fname=own.kel would overwrite an input: the script own.kel\n"},
        {"run data.kel", 3,
         "data.kel:1: fname=data.bin would overwrite an input: the data file of data.kel:4 "
         "(data.bin)\n"},
        {"run -o alias.bin other.kel", 2,
         "kelsvf: -o alias.bin would overwrite an input: the data file of other.kel:4 "
         "(data.bin)\n"},
        {"run -o hard.txt scan.kel", 2,
         "kelsvf: -o hard.txt would overwrite an input: the chain-description file of "
         "scan.kel:4 (chain.txt)\n"},
        {"program --irlen 8 --ir 1 --data data.bin -o ./data.bin", 2,
         "kelsvf program: -o ./data.bin would overwrite an input: the data file of --data "
         "(data.bin)\n"},
        {"run -o - other.kel 1<>other.kel", 2,
         "kelsvf: -o - would overwrite an input: the script other.kel\n"},
        {"run --plugin ./p.so -o p.so other.kel", 2,
         "kelsvf: -o p.so would overwrite an input: the plug-in library ./p.so\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = kelsvf(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.err;
        EXPECT_EQ(readFile(path("data.bin")), "ab") << c.arguments;
        EXPECT_EQ(readFile(path("own.kel")), "open fname=own.kel type=SVF\nlock\n");
        EXPECT_EQ(readFile(path("chain.txt")), "1a2b3c4d\n") << c.arguments;
        EXPECT_EQ(readFile(path("other.kel")).rfind("open fname=out.svf", 0), 0u) << c.arguments;
        EXPECT_EQ(fs::file_size(path("p.so")), fs::file_size(kPlugin)) << c.arguments;
        EXPECT_EQ(partialFiles(), kNone) << c.arguments;
    }
}

}  // namespace
