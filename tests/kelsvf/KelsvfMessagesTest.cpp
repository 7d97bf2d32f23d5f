// kelsvf's messages a user acts on, and the conventions of its command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KelsvfTestFolder.h"

namespace {

using namespace kelsvftest;

size_t lineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The message names the path the user asked for, never the script's fname= or the temporary
// file, with the system's reason.
TEST_F(KelsvfTest, AnOutputThatCannotBeWrittenIsNamedWithTheReason) {
    write("ok.kel", "open fname=script-name.svf type=SVF\nlock\n");
    fs::create_directories(path("folder"));
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"run -o missing/out.svf ok.kel",
         "kelsvf: cannot write missing/out.svf: No such file or directory\n"},
        {"run -o folder ok.kel", "kelsvf: cannot write folder: Is a directory\n"},
        {"program --irlen 8 --ir 1 --data ok.kel -o missing/p.svf",
         "kelsvf: cannot write missing/p.svf: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = kelsvf(c.arguments);
        EXPECT_EQ(outcome.exitCode, 1) << c.arguments;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.err;
        EXPECT_EQ(outcome.err.find("partial"), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("cannot write script-name"), std::string::npos);
    }
    write("own.kel", "open fname=missing/own.svf type=SVF\n");
    EXPECT_NE(kelsvf("run own.kel").err.find("cannot write missing/own.svf: No such file"),
              std::string::npos);
}

TEST_F(KelsvfTest, ScanWithoutAChainFileSaysSo) {
    write("scan.kel", "open fname=out.svf type=SVF\nlock\nscan\n");
    const Outcome outcome =
        shell("unset ZOR_VANTORA_JTAGFILE; '" + kKelsvf.string() + "' run scan.kel");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("kelsvf: scan: no chain-description file is set; name one with "
                               "'chainfile PATH' before scan (or set ZOR_VANTORA_JTAGFILE)\n"),
              std::string::npos)
        << outcome.err;
}

// Every refusal of program names the option at fault and ends with the documented code.
TEST_F(KelsvfTest, ProgramMessagesNameTheOptionAtFault) {
    write("data.bin", "x");
    std::string tenThousandDevices = "4";
    for (int i = 1; i < 10000; ++i) {
        tenThousandDevices += ",4";
    }
    const struct {
        std::string options;
        int exitCode;
        std::string message;
    } cases[] = {
        {"--irlen 6,0,10 --device 1 --ir 1", 2,
         "kelsvf: --irlen: the IR length of device 1 is 0, but every device's IR length is at "
         "least 1\n"},
        {"--irlen 6,0,10 --device 0 --ir 1", 2, "kelsvf: --irlen: the IR length of device 1 is 0"},
        {"--irlen 6 --ir 1 --type ''", 2, "kelsvf: --type needs a target type (default SVF)\n"},
        {"--irlen 6 --ir 0x1ff", 2,
         "kelsvf program: --ir: value '0x1ff' has 3 hex digits, but 6 bits hold at most 2\n"},
        {"--irlen 6 --ir 1 --chainfile none.chain", 2,
         "kelsvf program: --chainfile: cannot read chain file 'none.chain'"},
        {"--irlen 6 --ir 1 -o missing/p.svf", 1,
         "kelsvf: -o: open fname=missing/p.svf type=SVF: KEL_FAILURE"},
        {"--irlen " + tenThousandDevices + " --ir 1", 2,
         "kelsvf: --irlen: 10000 devices, but a chain holds at most 255\n"},
        {"--irlen 4294967295 --ir 1", 2,
         "kelsvf: --irlen: the IR length of device 0 is 4294967295, but program takes IR "
         "lengths of at most 64 bits\n"},
        {"--irlen 6 --ir 1 --data \"$(printf 'data.bin\\nclose')\"", 2,
         "kelsvf: --data: 'data.bin\\x0aclose' holds a control byte, which no path or value "
         "here may hold\n"},
    };
    for (const auto& c : cases) {
        const std::string output = c.options.find(" -o ") == std::string::npos ? " -o p.svf" : "";
        const Outcome outcome = kelsvf("program --data data.bin " + c.options + output);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.options << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.options << "\n"
                                                                  << outcome.err;
        // No message names a line of the generated script ("program:5: ...").
        for (size_t at = outcome.err.find("program:"); at != std::string::npos;
             at = outcome.err.find("program:", at + 1)) {
            const char next = at + 8 < outcome.err.size() ? outcome.err[at + 8] : ' ';
            EXPECT_FALSE(next >= '0' && next <= '9') << outcome.err;
        }
        EXPECT_EQ(outcome.err.find(" ir:"), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(path("p.svf"))) << c.options;
    }
}

TEST_F(KelsvfTest, AByteOrderMarkIsIgnoredAndANonTextScriptIsRefusedInOneLine) {
    const std::string script = "open fname=out.svf type=SVF\nlock\nchain 8\nir 0 8 05\n";
    write("plain.kel", script);
    write("bom.kel", "\xEF\xBB\xBF" + script);
    ASSERT_EQ(kelsvf("run -o plain.svf plain.kel").exitCode, 0);
    const Outcome bom = kelsvf("run -o bom.svf bom.kel");
    EXPECT_EQ(bom.exitCode, 0) << bom.err;
    EXPECT_EQ(readFile(path("bom.svf")), readFile(path("plain.svf")));

    write("binary.kel", std::string("open\0fname=x", 12) + "\n");
    const Outcome binary = kelsvf("run binary.kel");
    EXPECT_EQ(binary.exitCode, 3);
    EXPECT_EQ(binary.err,
              "kelsvf: binary.kel is not a text script (byte 0x00 at offset 4); nothing was run\n");
}

TEST_F(KelsvfTest, NoRunShowsMoreThanTwentyErrorLines) {
    std::string bad;
    std::string failing = "open fname=out.svf type=SVF\nlock\nchain 8\n";
    for (int i = 0; i < 30; ++i) {
        bad += "frobnicate\n";
        failing += "irlen 5 8\n";  // device 5 is not on the chain
    }
    write("bad.kel", bad);
    write("failing.kel", failing);
    const Outcome parsed = kelsvf("run bad.kel");
    EXPECT_EQ(parsed.exitCode, 3);
    EXPECT_EQ(lineCount(parsed.err), 22u) << parsed.err;
    EXPECT_NE(parsed.err.find("bad.kel:20: unknown operation 'frobnicate'\n... and 10 more\n"
                              "kelsvf: 30 bad lines; nothing was run\n"),
              std::string::npos)
        << parsed.err;

    const Outcome kept = kelsvf("run --keep-going failing.kel");
    EXPECT_EQ(kept.exitCode, 1);
    const size_t more = kept.err.find("\n... and ");
    ASSERT_NE(more, std::string::npos) << kept.err;
    EXPECT_EQ(lineCount(kept.err.substr(0, more + 1)), 20u) << kept.err;
    EXPECT_NE(kept.err.find("out.svf is incomplete: 30 operations failed"), std::string::npos);
}

TEST_F(KelsvfTest, ShortOptionsTakeAttachedValuesAndDoubleDashEndsTheOptions) {
    write("-odd.kel", "open fname=out.svf type=SVF\nchain 2\n");
    const Outcome attached = kelsvf("run -v4 -oattached.svf -- -odd.kel");
    EXPECT_EQ(attached.exitCode, 0) << attached.err;
    EXPECT_TRUE(fs::exists(path("attached.svf")));
    EXPECT_NE(attached.err.find("KelPlugin::setIRLength(device=0, len=2)"), std::string::npos);
    EXPECT_EQ(kelsvf("run -- --help").exitCode, 3);  // a script named --help
    EXPECT_EQ(kelsvf("run -o").exitCode, 2);
    EXPECT_EQ(kelsvf("program --irlen 6 --ir 1 --data x -o p.svf -- extra").exitCode, 2);
}

TEST_F(KelsvfTest, VersionNamesKelsvfTheInterfaceAndThePlugInItWouldLoad) {
    const Outcome outcome = kelsvf("--version");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out.rfind("kelsvf ", 0), 0u) << outcome.out;
    EXPECT_NE(outcome.out.find("\nplug-in interface version 0x00120100\n"), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("\nplug-in " + fs::canonical(kPlugin).string() + "\n"),
              std::string::npos)
        << outcome.out;
}

// The printed script runs from another folder and writes what program writes.
TEST_F(KelsvfTest, PrintedScriptsUseAbsolutePathsAndRunFromAnyFolder) {
    fs::create_directories(path("work"));
    fs::create_directories(path("elsewhere"));
    write("work/data.bin", std::string("\x01\x80", 2));
    const std::string options = "--irlen 8 --ir 5 --data data.bin --msb-first -o out.svf";
    const Outcome printed = shell("cd work && '" + kKelsvf.string() + "' program " + options +
                                  " --print-script > ../elsewhere/p.kel");
    EXPECT_EQ(printed.exitCode, 0) << printed.err;
    EXPECT_NE(readFile(path("elsewhere/p.kel"))
                  .find("dr 0 @" + fs::canonical(path("work")).string() + "/data.bin:msb\n"),
              std::string::npos)
        << readFile(path("elsewhere/p.kel"));
    const Outcome ran = shell("cd elsewhere && '" + kKelsvf.string() + "' run p.kel");
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    const std::string fromScript = readFile(path("work/out.svf"));
    EXPECT_NE(fromScript.find("SDR 16 TDI (0180);"), std::string::npos) << fromScript;
    ASSERT_EQ(shell("cd work && '" + kKelsvf.string() + "' program " + options).exitCode, 0);
    EXPECT_EQ(readFile(path("work/out.svf")), fromScript);
}

// @FILE stays least significant bit first; :msb (and program --msb-first) reverse each byte.
TEST_F(KelsvfTest, DataFilesTakeABitOrder) {
    write("d.bin", std::string("\x01\x80", 2));
    for (const auto& [word, sdr] :
         {std::pair{"@d.bin", "SDR 16 TDI (8001);"}, std::pair{"@d.bin:lsb", "SDR 16 TDI (8001);"},
          std::pair{"@d.bin:msb", "SDR 16 TDI (0180);"}}) {
        write("o.kel",
              std::string("open fname=out.svf type=SVF\nlock\nchain 8\ndr 0 ") + word + "\n");
        const Outcome outcome = kelsvf("run o.kel");
        EXPECT_EQ(outcome.exitCode, 0) << word << outcome.err;
        EXPECT_NE(readFile(path("out.svf")).find(sdr), std::string::npos) << word;
    }
}

}  // namespace
