// The conversion of kelsvf's help texts into its manual page.
#include "HelpToRoff.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using kelsvf::man::HelpSection;

struct Conversion {
    std::string text;
    std::string roff;
};

TEST(HelpToRoff, EscapesWhatRoffWouldRead) {
    const Conversion cases[] = {
        {"plain words", "plain words"},
        {"plug-in --trace", "plug\\-in \\-\\-trace"},
        {R"(\" and \\ inside)", R"(\e" and \e\e inside)"},
        {".starts with a dot", "\\&.starts with a dot"},
        {"'starts with a quote", "\\&'starts with a quote"},
        {"a dot. and a quote's", "a dot. and a quote's"},
    };
    for (const Conversion& c : cases) {
        EXPECT_EQ(kelsvf::man::escapeText(c.text), c.roff) << c.text;
    }
}

TEST(HelpToRoff, SetsNamesAndOptionsOfATermInBold) {
    const Conversion cases[] = {
        {"--plugin PATH", "\\fB\\-\\-plugin\\fR PATH"},
        {"-o, --output PATH", "\\fB\\-o\\fR, \\fB\\-\\-output\\fR PATH"},
        {"-h, --help", "\\fB\\-h\\fR, \\fB\\-\\-help\\fR"},
        {"kelsvf run [OPTIONS] SCRIPT|-", "\\fBkelsvf run\\fR [OPTIONS] SCRIPT|\\-"},
        {"kelsvf --version", "\\fBkelsvf \\-\\-version\\fR"},
        {"ir DEVICE BITS HEX | DEVICE [BITS] @FILE",
         "\\fBir\\fR DEVICE BITS HEX | DEVICE [BITS] @FILE"},
        {"3", "\\fB3\\fR"},
    };
    for (const Conversion& c : cases) {
        EXPECT_EQ(kelsvf::man::termToRoff(c.text), c.roff) << c.text;
    }
}

TEST(HelpToRoff, SplitsAtHeadingsAndAtTextBackAtTheMargin) {
    const std::vector<HelpSection> sections = kelsvf::man::splitSections(
        "tool: does things.\n"
        "\n"
        "Usage:\n"
        "  tool run   runs\n"
        "\n"
        "Back at the margin: a paragraph of its own.\n"
        "Exit codes:\n"
        "  0  fine\n"
        "\n");
    const std::vector<HelpSection> expected = {
        {"", {"tool: does things."}},
        {"Usage", {"  tool run   runs"}},
        {"", {"Back at the margin: a paragraph of its own."}},
        {"Exit codes", {"  0  fine"}},
    };
    EXPECT_EQ(sections, expected);
}

TEST(HelpToRoff, TurnsParagraphsAndDefinitionsIntoRoff) {
    const Conversion cases[] = {
        // Lines without a term gap, all at one indentation: one paragraph.
        {"  One operation a line;\n  # starts a comment.",
         ".PP\nOne operation a line;\n# starts a comment.\n"},
        // A term, its description after the gap, continued on deeper lines.
        {"  -v LEVEL   show prints up to\n             this level\n  --trace    the call tree",
         ".TP\n\\fB\\-v\\fR LEVEL\nshow prints up to\nthis level\n"
         ".TP\n\\fB\\-\\-trace\\fR\nthe call tree\n"},
        // A term alone on its line, the description below it; a term without one.
        {"  open KEY=VALUE...\n      open the target\n  show",
         ".TP\n\\fBopen\\fR KEY=VALUE...\nopen the target\n.TP\n\\fBshow\\fR\n"},
        // Lines without terms among definitions: a paragraph when they run on or end a
        // sentence, else terms without a description.
        {"  --   the end\n  A short option takes its value\n  apart or attached.\n  --version",
         ".TP\n\\fB\\-\\-\\fR\nthe end\n.PP\nA short option takes its value\napart or "
         "attached.\n.TP\n\\fB\\-\\-version\\fR\n"},
        {"  --trace   the call tree\n  Messages are always shown.",
         ".TP\n\\fB\\-\\-trace\\fR\nthe call tree\n.PP\nMessages are always shown.\n"},
        // Blank lines separate a list from the paragraph after it.
        {"  0  fine\n\nNothing ran.", ".TP\n\\fB0\\fR\nfine\n.PP\nNothing ran.\n"},
    };
    for (const Conversion& c : cases) {
        std::vector<std::string> lines;
        std::istringstream text(c.text);
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        EXPECT_EQ(kelsvf::man::bodyToRoff(lines), c.roff) << c.text;
    }
}

TEST(HelpToRoff, ShowsExamplesAsTheyAre) {
    EXPECT_EQ(kelsvf::man::literalToRoff(
                  {"", "  lock    # STATE RESET;", "", "  .x \\n", "    deeper", ""}),
              ".PP\n.RS 4\n.nf\nlock    # STATE RESET;\n\\&\n\\&.x \\en\n  deeper\n.fi\n.RE\n");
}

std::vector<std::string> linesStartingWith(const std::string& roff, const std::string& macro) {
    std::vector<std::string> found;
    std::istringstream text(roff);
    for (std::string line; std::getline(text, line);) {
        if (line.starts_with(macro)) {
            found.push_back(line);
        }
    }
    return found;
}

TEST(HelpToRoff, BuildsThePageFromTheThreeHelpTexts) {
    const std::string shared = "Options of both commands:\n  --trace   the call tree\n";
    const std::string exitCodes = "Exit codes:\n  0  fine\n";
    const std::string programExitCodes = "Exit codes:\n  0  fine\n  2  bad options\n";
    const kelsvf::man::HelpTexts help{
        "kelsvf: drives a plug-in.\n\nUsage:\n  kelsvf run SCRIPT   runs it\n  kelsvf --version\n\n"
        "What it is.\n\n" +
            shared + "\n" + exitCodes,
        {{"run", "Usage: kelsvf run [OPTIONS] SCRIPT\n\nRuns it.\n\n" + shared +
                     "\nScript language:\n  One line each.\n\nExample:\n  lock\n\n" + exitCodes},
         {"program", "Usage: kelsvf program --ir HEX\n             --data FILE\n\nWrites.\n\n" +
                         shared + "\nExample:\n  kelsvf program --ir 1 --data d\n\n" +
                         programExitCodes}},
    };
    const std::string page = kelsvf::man::manPage(help, "9.8.7");

    EXPECT_EQ(linesStartingWith(page, ".TH"),
              std::vector<std::string>{".TH KELSVF 1 \"\" \"kelsvf 9.8.7\" \"User Commands\""});
    EXPECT_NE(page.find(".SH NAME\nkelsvf \\- drives a plug\\-in\n"), std::string::npos);
    EXPECT_NE(
        page.find(
            ".SH SYNOPSIS\n.nf\n\\fBkelsvf run\\fR SCRIPT\n\\fBkelsvf \\-\\-version\\fR\n.fi\n"),
        std::string::npos);
    EXPECT_NE(page.find(".SH DESCRIPTION\n.PP\nWhat it is.\n"), std::string::npos);
    // A usage form continued on the next line is one form.
    EXPECT_NE(page.find("\\fBkelsvf program \\-\\-ir\\fR HEX \\fB\\-\\-data\\fR FILE\n"),
              std::string::npos);

    // Each section once, shared ones too; the exit status and the examples last; a command's
    // own version of a section under its name.
    const std::vector<std::string> expectedSections = {
        ".SH NAME",    ".SH SYNOPSIS",        ".SH DESCRIPTION", ".SH COMMANDS",
        ".SH OPTIONS", ".SH SCRIPT LANGUAGE", ".SH EXIT STATUS", ".SH EXAMPLES"};
    EXPECT_EQ(linesStartingWith(page, ".SH"), expectedSections);
    const std::vector<std::string> expectedSubsections = {
        ".SS kelsvf run", ".SS kelsvf program",   // COMMANDS
        ".SS kelsvf program",                     // EXIT STATUS
        ".SS kelsvf run", ".SS kelsvf program"};  // EXAMPLES
    EXPECT_EQ(linesStartingWith(page, ".SS"), expectedSubsections);
    EXPECT_EQ(linesStartingWith(page, "\\fB\\-\\-trace").size(), 1u);
    EXPECT_NE(page.find(".SH EXIT STATUS\n.TP\n\\fB0\\fR\nfine\n.SS kelsvf program\n.TP\n"),
              std::string::npos);
}

}  // namespace
