// kelsvf as a user runs it: the checked-in examples give their SVF files byte for byte, bad
// scripts stop before anything runs, failed runs leave no complete-looking output, and the
// exit codes are the documented ones.
#include <gtest/gtest.h>

#include <string>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

TEST_F(KelsvfTest, EveryExampleScriptGivesItsCheckedInSvfByteForByte) {
    for (const char* name : {"worked-example", "single-device", "chain-file", "bitstream"}) {
        const Outcome outcome =
            kelsvf("run " + (kExamples / (std::string(name) + ".kel")).string());
        EXPECT_EQ(outcome.exitCode, 0) << name << "\n" << outcome.err;
        const std::string expected = readFile(kExamples / (std::string(name) + ".svf"));
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(readFile(path(std::string(name) + ".svf")), expected) << name;
    }
}

TEST_F(KelsvfTest, ProgramWritesWhatTheEquivalentScriptWrites) {
    const Outcome outcome =
        kelsvf("program --irlen 6,8,10 --device 2 --ir 3c5 --data " +
               (kExamples / "bitstream.bin").string() + " --runtest 1000 -o bitstream.svf");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readFile(path("bitstream.svf")), readFile(kExamples / "bitstream.svf"));
}

TEST_F(KelsvfTest, ProgramReadsTheChainFromAChainFile) {
    write("data.bin", std::string("\xAA\x55", 2));
    const Outcome shown =
        kelsvf("program --chainfile " + (kExamples / "three-devices.chain").string() +
               " --irlen 4,5,7 --device 1 --ir 1f --data data.bin -o p.svf "
               "--print-script");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("\nscan\nirlen 0 4\nirlen 1 5\nirlen 2 7\nir 1 5 1f\n"),
              std::string::npos)
        << shown.out;
    EXPECT_FALSE(fs::exists(path("p.svf")));  // --print-script runs nothing

    const Outcome outcome =
        kelsvf("program --chainfile " + (kExamples / "three-devices.chain").string() +
               " --irlen 4,5,7 --device 1 --ir 1f --data data.bin -o p.svf");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readFile(path("p.svf")),
              "STATE RESET;\r\nSTATE IDLE;\r\nHIR 7 TDI (7f);\r\nTIR 4 TDI (0f);\r\n"
              "HDR 1 TDI (00);\r\nTDR 1 TDI (00);\r\nSIR 5 TDI (1f);\r\nSDR 16 TDI (55aa);\r\n"
              "STATE IDLE;\r\n");
}

TEST_F(KelsvfTest, ProgramRefusesBadOptionsAsUsageErrors) {
    write("data.bin", "x");
    Outcome outcome = kelsvf("program --irlen 6,8 --device 2 --ir 0 --data data.bin -o p.svf");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find("--device 2 is not on a chain of 2 devices"), std::string::npos);
    outcome = kelsvf("program --irlen 6,8 --ir 1ff --data data.bin -o p.svf");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find("--ir: value '1ff' has 3 hex digits, but 6 bits hold at most 2"),
              std::string::npos)
        << outcome.err;
    outcome = kelsvf("program --irlen 6 --ir 0 --data none.bin -o p.svf");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find("--data: cannot read data file 'none.bin'"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("p.svf")));
}

TEST_F(KelsvfTest, AScriptFromStandardInputRuns) {
    const Outcome outcome =
        kelsvf("run -", "open fname=in.svf type=SVF\nlock\nchain 6 8 10\nir 1 8 05\nclose\n");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readFile(path("in.svf")),
              "STATE RESET;\r\nSTATE IDLE;\r\nHIR 10 TDI (03ff);\r\nTIR 6 TDI (3f);\r\n"
              "HDR 1 TDI (00);\r\nTDR 1 TDI (00);\r\nSIR 8 TDI (05);\r\nSTATE IDLE;\r\n");
}

TEST_F(KelsvfTest, OutputOptionReplacesTheScriptsFileName) {
    const Outcome outcome =
        kelsvf("run -o other.svf " + (kExamples / "worked-example.kel").string());
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_FALSE(fs::exists(path("worked-example.svf")));
    EXPECT_EQ(readFile(path("other.svf")), readFile(kExamples / "worked-example.svf"));
}

// Each bad line comes after an open line: the whole script is checked before the open runs.
TEST_F(KelsvfTest, ScriptErrorsStopBeforeAnythingRunsWithFileAndLine) {
    write("data.bin", "ab");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"frobnicate 1", "bad.kel:4: unknown operation 'frobnicate'"},
        {"ir 1 8", "bad.kel:4: missing argument for ir"},
        {"irlen 1 eight", "bad.kel:4: bad number 'eight' for BITS"},
        {"ir 1 8 0x123", "bad.kel:4: value '0x123' has 3 hex digits, but 8 bits hold at most 2"},
        {"dr 1 @nothing.bin", "bad.kel:4: cannot read data file 'nothing.bin'"},
        {"dr 1 24 @data.bin", "bad.kel:4: data file 'data.bin' holds 2 bytes, but 24 bits take 3"},
    };
    for (const auto& [line, message] : cases) {
        write("bad.kel", "open fname=out.svf type=SVF\nlock\nchain 6 8 10\n" + line + "\nclose\n");
        const Outcome outcome = kelsvf("run bad.kel");
        EXPECT_EQ(outcome.exitCode, 3) << line;
        EXPECT_NE(outcome.err.find(message), std::string::npos) << line << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find("nothing was run"), std::string::npos) << line;
        EXPECT_FALSE(fs::exists(path("out.svf"))) << line;
    }
}

TEST_F(KelsvfTest, AFailedOperationStopsTheRunAndLeavesNoOutput) {
    // Device 3 is not on a chain of three: the plug-in refuses the write.
    write("fail.kel",
          "open fname=out.svf type=SVF\nlock\nchain 6 8 10\nir 1 8 05\nirlen 3 4\nir 2 10 1\n");
    const Outcome outcome = kelsvf("run fail.kel");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("fail.kel:5: irlen 3 4: KEL_FAILURE, ERROR CODE: 0"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("kelsvf: out.svf not written: the run did not complete"),
              std::string::npos)
        << outcome.err;
    EXPECT_FALSE(fs::exists(path("out.svf")));
}

TEST_F(KelsvfTest, KeepGoingRunsEveryLineKeepsTheOutputAndSaysItIsIncomplete) {
    write("fail.kel",
          "open fname=out.svf type=SVF\nlock\nchain 6 8 10\nirlen 3 4\nir 2 10 1\nclose\n");
    const Outcome outcome = kelsvf("run --keep-going fail.kel");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("out.svf is incomplete: 1 operation failed"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(readFile(path("out.svf")),
              "STATE RESET;\r\nSTATE IDLE;\r\nHIR 0;\r\nTIR 14 TDI (3fff);\r\nHDR 0;\r\n"
              "TDR 2 TDI (00);\r\nSIR 10 TDI (0001);\r\nSTATE IDLE;\r\n");
}

TEST_F(KelsvfTest, TryLetsAnUnsupportedOperationFailWithoutStoppingTheRun) {
    write("try.kel", "open fname=out.svf type=SVF\nlock\ntry flush\ntry setpin 1 0\nclose\n");
    const Outcome outcome = kelsvf("run try.kel");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("try.kel:3: try flush: KEL_FAILURE, ERROR CODE: 0 (allowed by try)"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("KelPlugin::setPinImpl() is not implemented for this Target"),
              std::string::npos);
    EXPECT_EQ(readFile(path("out.svf")), "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

TEST_F(KelsvfTest, ATargetLeftOpenIsClosedSoTheFileIsComplete) {
    write("open.kel", "open fname=out.svf type=SVF\nlock\n");
    const Outcome outcome = kelsvf("run --trace open.kel");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("> KelPlugin::closeTarget\n  > KelPlugin::isOpened\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(readFile(path("out.svf")), "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

TEST_F(KelsvfTest, TraceShowsEachScriptLineAndTheNestedCallTree) {
    write("t.kel", "open fname=out.svf type=SVF\nlock\n");
    const Outcome outcome = kelsvf("run --trace t.kel");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.err.find("t.kel:2: lock\n"
                               "> KelPlugin::lockTarget\n"
                               "  > KelPlugin::initializeTAP\n"
                               "  < KelPlugin::initializeTAP: KEL_SUCCESS\n"
                               "  > KelPlugin::navigateTAP\n"
                               "  < KelPlugin::navigateTAP: KEL_SUCCESS\n"
                               "< KelPlugin::lockTarget: KEL_SUCCESS\n"),
              std::string::npos)
        << outcome.err;
}

TEST_F(KelsvfTest, VerbosityChoosesThePrintsAndMessagesAreAlwaysShown) {
    write("v.kel", "devices 2\nopen type=SVF\n");
    Outcome outcome = kelsvf("run v.kel");
    EXPECT_EQ(outcome.err.find("KelPlugin::setDeviceCount(2)"), std::string::npos);
    outcome = kelsvf("run -v 4 v.kel");
    EXPECT_NE(outcome.err.find("KelPlugin::setDeviceCount(2)"), std::string::npos);
    outcome = kelsvf("run -v 0 v.kel");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("message ERROR (context 0): <svf_file> Invalid File Name "
                               "Argument\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(outcome.err.find("<KelPlugin> Error:"), std::string::npos);  // not twice
}

TEST_F(KelsvfTest, ShowAndQueriesPrintToStandardOutput) {
    write("q.kel", "chainfile " + (kExamples / "three-devices.chain").string() +
                       "\nopen fname=out.svf type=SVF\nlock\nscan\nirlen 1 5\nshow\n");
    const Outcome outcome = kelsvf("run q.kel");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "opened: yes, connected: 1, file output: 0\n"
              "TAP state: KELJTAG_TEST_LOGIC_RESET\n"
              "plug-in: KEL Plug-in, KelPlugin Version 1.0, target type: SVF\n"
              "devices: 3\n"
              "  device 0: IDCODE 1a2b3c4d, IR length 0\n"
              "  device 1: IDCODE 0f0e0d0b, IR length 5\n"
              "  device 2: IDCODE 12345679, IR length 0\n");
}

TEST_F(KelsvfTest, ExitCodesForUsagePluginAndUnreadableScript) {
    EXPECT_EQ(kelsvf("").exitCode, 2);
    EXPECT_EQ(kelsvf("run --frobnicate x.kel").exitCode, 2);
    EXPECT_EQ(kelsvf("run a.kel b.kel").exitCode, 2);
    EXPECT_EQ(kelsvf("program --irlen 6").exitCode, 2);
    const Outcome missing = kelsvf("run missing.kel");
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.err.find("cannot read script missing.kel"), std::string::npos);
    write("ok.kel", "devices 1\n");
    const Outcome noPlugin = kelsvf("run --plugin ./none.so ok.kel");
    EXPECT_EQ(noPlugin.exitCode, 4);
    EXPECT_NE(noPlugin.err.find("cannot load the plug-in"), std::string::npos);
    EXPECT_EQ(kelsvf("run --plugin " + kPlugin.string() + " ok.kel").exitCode, 0);
}

TEST_F(KelsvfTest, HelpDocumentsEveryCommandOperationAndExitCode) {
    const Outcome general = kelsvf("--help");
    EXPECT_EQ(general.exitCode, 0);
    EXPECT_NE(general.out.find("Exit codes:"), std::string::npos);
    const Outcome run = kelsvf("run --help");
    EXPECT_EQ(run.exitCode, 0);
    for (const char* operation : {"\n  open KEY=VALUE", "\n  ir DEVICE", "\n  dr DEVICE",
                                  "\n  chainfile [PATH]", "\n  state STATE", "\n  show\n"}) {
        EXPECT_NE(run.out.find(operation), std::string::npos) << operation;
    }
    EXPECT_NE(kelsvf("help program").out.find("--irlen LIST"), std::string::npos);
    EXPECT_NE(kelsvf("program -h").out.find("--irlen LIST"), std::string::npos);
}

TEST_F(KelsvfTest, TheHostExampleWritesItsCheckedInSvf) {
    const Outcome outcome = run(kHostExample, "'" + kPlugin.string() + "' host.svf");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readFile(path("host.svf")), readFile(kExamples / "host_example.svf"));
}

}  // namespace
