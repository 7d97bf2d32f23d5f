#include "HelpToRoff.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace kelsvf::man {
namespace {

constexpr size_t kNone = std::string_view::npos;

size_t indentOf(std::string_view line) {
    const size_t first = line.find_first_not_of(' ');
    return first == kNone ? line.size() : first;
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(' ') == kNone;
}

std::string_view trim(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == kNone) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string upperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        if (end == kNone) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

void trimBlankLines(std::vector<std::string>& lines) {
    while (!lines.empty() && isBlank(lines.back())) {
        lines.pop_back();
    }
    const auto firstText = std::find_if_not(lines.begin(), lines.end(),
                                            [](const std::string& line) { return isBlank(line); });
    lines.erase(lines.begin(), firstText);
}

// Runs of non-blank lines.
std::vector<std::vector<std::string>> groupsOf(const std::vector<std::string>& lines) {
    std::vector<std::vector<std::string>> groups;
    bool inGroup = false;
    for (const std::string& line : lines) {
        if (isBlank(line)) {
            inGroup = false;
            continue;
        }
        if (!inGroup) {
            groups.emplace_back();
            inGroup = true;
        }
        groups.back().push_back(line);
    }
    return groups;
}

bool isHeading(std::string_view line) {
    return !line.empty() && line.front() != ' ' && line.back() == ':';
}

// A definition's term ends at the first run of two or more blanks; its description follows.
std::pair<std::string_view, std::string_view> splitTerm(std::string_view text) {
    const size_t gap = text.find("  ");
    if (gap == kNone) {
        return {text, {}};
    }
    return {text.substr(0, gap), trim(text.substr(gap))};
}

// A definition (a term and its description) or a paragraph.
struct Block {
    bool paragraph;
    std::string term;
    std::vector<std::string> lines;  // the description, or the paragraph
};

// The blocks of a group of lines. A line at the group's indentation starts a definition when
// it has a term gap or deeper lines follow it. The other lines are terms without a
// description ("kelsvf --version"), unless they run on over several lines or end a sentence:
// then they are a paragraph, and so is a group without a single definition.
std::vector<Block> blocksOf(const std::vector<std::string>& group) {
    const size_t base = indentOf(group.front());
    const auto hasDeeperLines = [&](size_t i) {
        return i + 1 < group.size() && indentOf(group[i + 1]) > base;
    };
    const auto startsDefinition = [&](size_t i) {
        return trim(group[i]).find("  ") != kNone || hasDeeperLines(i);
    };
    bool isList = false;
    for (size_t i = 0; i < group.size(); ++i) {
        isList = isList || startsDefinition(i);
    }
    if (!isList) {
        return {Block{true, "", group}};
    }
    std::vector<Block> blocks;
    for (size_t i = 0; i < group.size();) {
        if (startsDefinition(i)) {
            const auto [term, rest] = splitTerm(trim(group[i]));
            Block& definition = blocks.emplace_back(Block{false, std::string(term), {}});
            if (!rest.empty()) {
                definition.lines.emplace_back(rest);
            }
            for (++i; i < group.size() && indentOf(group[i]) > base; ++i) {
                definition.lines.emplace_back(trim(group[i]));
            }
            continue;
        }
        // After a sentence, only a new sentence continues the paragraph.
        size_t end = i + 1;
        while (end < group.size() && !startsDefinition(end) &&
               (!group[end - 1].ends_with('.') ||
                std::isupper(static_cast<unsigned char>(trim(group[end]).front())) != 0)) {
            ++end;
        }
        if (end - i > 1 || group[i].ends_with('.')) {
            blocks.push_back(Block{true,
                                   "",
                                   {group.begin() + static_cast<std::ptrdiff_t>(i),
                                    group.begin() + static_cast<std::ptrdiff_t>(end)}});
        } else {
            blocks.push_back(Block{false, std::string(trim(group[i])), {}});
        }
        i = end;
    }
    return blocks;
}

std::string textLines(const std::vector<std::string>& lines) {
    std::string roff;
    for (const std::string& line : lines) {
        roff += escapeText(trim(line));
        roff += '\n';
    }
    return roff;
}

// What a usage form starts with: its leading lower-case words ("kelsvf run").
std::string commandName(std::string_view form) {
    std::string name;
    size_t start = 0;
    while (start < form.size()) {
        size_t end = form.find(' ', start);
        if (end == kNone) {
            end = form.size();
        }
        const std::string_view word = form.substr(start, end - start);
        const bool lowerWord = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
            return std::islower(static_cast<unsigned char>(c)) != 0;
        });
        if (!lowerWord) {
            break;
        }
        name += name.empty() ? "" : " ";
        name += word;
        start = end + 1;
    }
    return name;
}

// The man section a help heading belongs in.
std::string titleFor(std::string_view heading) {
    if (heading.starts_with("Option")) {
        return "OPTIONS";
    }
    if (heading.starts_with("Exit")) {
        return "EXIT STATUS";
    }
    if (heading.starts_with("Example")) {
        return "EXAMPLES";
    }
    return upperCase(heading);
}

// A command's help: "Usage: FORM" (continued on indented lines), then what the command does.
struct CommandHelp {
    std::string name;
    std::string form;
    std::vector<std::string> body;
    std::vector<HelpSection> sections;
};

// Moves the text outside every heading out of `sections`, paragraphs in order.
std::vector<std::string> takeUntitled(std::vector<HelpSection>& sections) {
    std::vector<std::string> lines;
    for (HelpSection& section : sections) {
        if (section.heading.empty()) {
            if (!lines.empty()) {
                lines.emplace_back();
            }
            lines.insert(lines.end(), section.lines.begin(), section.lines.end());
        }
    }
    std::erase_if(sections, [](const HelpSection& section) { return section.heading.empty(); });
    return lines;
}

CommandHelp commandHelp(std::string_view topic, std::string_view help) {
    CommandHelp command{"kelsvf " + std::string(topic), "", {}, splitSections(help)};
    std::vector<std::string> lines = takeUntitled(command.sections);
    size_t next = 0;
    constexpr std::string_view kUsage = "Usage:";
    if (!lines.empty() && lines.front().starts_with(kUsage)) {
        command.form = trim(std::string_view(lines.front()).substr(kUsage.size()));
        for (next = 1; next < lines.size() && !isBlank(lines[next]) && indentOf(lines[next]) > 0;
             ++next) {
            command.form += " ";
            command.form += trim(lines[next]);
        }
        const std::string name = commandName(command.form);
        if (!name.empty()) {
            command.name = name;
        }
    }
    command.body.assign(lines.begin() + static_cast<std::ptrdiff_t>(next), lines.end());
    return command;
}

// The sections after COMMANDS, each title once, in the order they come, the exit status and
// the examples last. A help section that several help texts share appears once; when commands
// have their own versions of a section, each comes under a subsection named after its command.
class LaterSections {
  public:
    void add(const HelpSection& section, std::string_view command) {
        if (std::find(seen_.begin(), seen_.end(), section) != seen_.end()) {
            return;
        }
        seen_.push_back(section);
        const std::string title = titleFor(section.heading);
        std::string roff;
        if (title == "EXAMPLES") {
            roff = literalToRoff(section.lines);
        } else {
            if (title != upperCase(section.heading) && title != "EXIT STATUS") {
                // The heading says more than the title ("Options of both commands").
                roff += ".PP\n" + escapeText(section.heading) + ":\n";
            }
            roff += bodyToRoff(section.lines);
        }
        auto titled = std::find_if(sections_.begin(), sections_.end(),
                                   [&](const Titled& t) { return t.title == title; });
        if (titled == sections_.end()) {
            titled = sections_.insert(sections_.end(), Titled{title, {}});
        }
        titled->parts.push_back(Part{std::string(command), std::move(roff)});
    }

    std::string roff() const {
        std::vector<const Titled*> order;
        for (const Titled& titled : sections_) {
            if (titled.title != "EXIT STATUS" && titled.title != "EXAMPLES") {
                order.push_back(&titled);
            }
        }
        for (const char* last : {"EXIT STATUS", "EXAMPLES"}) {
            for (const Titled& titled : sections_) {
                if (titled.title == last) {
                    order.push_back(&titled);
                }
            }
        }
        std::string roff;
        for (const Titled* titled : order) {
            roff += ".SH " + escapeText(titled->title) + "\n";
            for (const Part& part : titled->parts) {
                if (titled->parts.size() > 1 && !part.command.empty()) {
                    roff += ".SS " + escapeText(part.command) + "\n";
                }
                roff += part.roff;
            }
        }
        return roff;
    }

  private:
    struct Part {
        std::string command;  // empty for the general help
        std::string roff;
    };
    struct Titled {
        std::string title;
        std::vector<Part> parts;
    };
    std::vector<HelpSection> seen_;
    std::vector<Titled> sections_;
};

}  // namespace

std::vector<HelpSection> splitSections(std::string_view help) {
    std::vector<HelpSection> sections(1);
    bool afterBlank = false;
    for (std::string& line : splitLines(help)) {
        if (isHeading(line)) {
            line.pop_back();
            sections.push_back(HelpSection{std::move(line), {}});
            afterBlank = false;
        } else {
            // Text at the margin after a blank line ends a headed section's indented body.
            if (afterBlank && !sections.back().heading.empty() && indentOf(line) == 0) {
                sections.emplace_back();
            }
            afterBlank = isBlank(line);
            sections.back().lines.push_back(std::move(line));
        }
    }
    for (HelpSection& section : sections) {
        trimBlankLines(section.lines);
    }
    std::erase_if(sections, [](const HelpSection& section) {
        return section.heading.empty() && section.lines.empty();
    });
    return sections;
}

std::string escapeText(std::string_view text) {
    std::string roff;
    if (!text.empty() && (text.front() == '.' || text.front() == '\'')) {
        roff += "\\&";
    }
    for (const char c : text) {
        if (c == '\\') {
            roff += "\\e";
        } else if (c == '-') {
            roff += "\\-";
        } else {
            roff += c;
        }
    }
    return roff;
}

std::string termToRoff(std::string_view term) {
    struct Piece {
        std::string_view text;
        bool bold;
        bool blankBefore;
    };
    std::vector<Piece> pieces;
    bool leadingName = true;
    size_t start = 0;
    while (start < term.size()) {
        size_t end = term.find(' ', start);
        if (end == kNone) {
            end = term.size();
        }
        std::string_view word = term.substr(start, end - start);
        start = end + 1;
        if (word.empty()) {
            continue;
        }
        leadingName = leadingName && std::all_of(word.begin(), word.end(), [](char c) {
                          return std::islower(static_cast<unsigned char>(c)) != 0 ||
                                 std::isdigit(static_cast<unsigned char>(c)) != 0;
                      });
        const bool option = word.front() == '-';
        if (option && word.size() > 1 && word.back() == ',') {  // "-o, --output": roman comma
            pieces.push_back({word.substr(0, word.size() - 1), true, !pieces.empty()});
            pieces.push_back({word.substr(word.size() - 1), false, false});
        } else {
            pieces.push_back({word, leadingName || option, !pieces.empty()});
        }
    }
    std::string roff;
    bool inBold = false;
    for (const Piece& piece : pieces) {
        if (inBold && !piece.bold) {
            roff += "\\fR";
            inBold = false;
        }
        if (piece.blankBefore) {
            roff += ' ';
        }
        if (!inBold && piece.bold) {
            roff += "\\fB";
            inBold = true;
        }
        roff += escapeText(piece.text);
    }
    if (inBold) {
        roff += "\\fR";
    }
    return roff;
}

std::string bodyToRoff(const std::vector<std::string>& lines) {
    std::string roff;
    for (const std::vector<std::string>& group : groupsOf(lines)) {
        for (const Block& block : blocksOf(group)) {
            roff +=
                block.paragraph ? std::string(".PP\n") : ".TP\n" + termToRoff(block.term) + "\n";
            roff += textLines(block.lines);
        }
    }
    return roff;
}

std::string literalToRoff(const std::vector<std::string>& lines) {
    std::vector<std::string> shown = lines;
    trimBlankLines(shown);
    size_t indent = kNone;
    for (const std::string& line : shown) {
        if (!isBlank(line)) {
            indent = std::min(indent, indentOf(line));
        }
    }
    std::string roff = ".PP\n.RS 4\n.nf\n";
    for (const std::string& line : shown) {
        roff += isBlank(line) ? "\\&" : escapeText(std::string_view(line).substr(indent));
        roff += '\n';
    }
    return roff + ".fi\n.RE\n";
}

std::string manPage(const HelpTexts& help, std::string_view version) {
    std::string page =
        ".\\\" kelsvf(1), generated from kelsvf's help text: change the help, not this file.\n"
        ".TH KELSVF 1 \"\" \"kelsvf " +
        escapeText(version) + "\" \"User Commands\"\n";

    std::vector<HelpSection> general = splitSections(help.general);
    const std::vector<std::string> about = takeUntitled(general);
    // NAME: the first paragraph, "kelsvf: what it does."
    std::vector<std::vector<std::string>> paragraphs = groupsOf(about);
    std::string summary;
    if (!paragraphs.empty()) {
        for (const std::string& line : paragraphs.front()) {
            summary += summary.empty() ? "" : " ";
            summary += trim(line);
        }
        paragraphs.erase(paragraphs.begin());
    }
    if (summary.starts_with("kelsvf:")) {
        summary = trim(std::string_view(summary).substr(7));
    }
    if (summary.ends_with('.')) {
        summary.pop_back();
    }
    page += ".SH NAME\nkelsvf \\- " + escapeText(summary) + "\n";

    const auto usage = std::find_if(general.begin(), general.end(),
                                    [](const HelpSection& s) { return s.heading == "Usage"; });
    std::vector<std::string> usageLines;
    if (usage != general.end()) {
        usageLines = std::move(usage->lines);
        general.erase(usage);
    }
    page += ".SH SYNOPSIS\n.nf\n";
    for (const std::vector<std::string>& group : groupsOf(usageLines)) {
        for (const Block& block : blocksOf(group)) {
            if (block.paragraph) {  // forms without descriptions
                for (const std::string& form : block.lines) {
                    page += termToRoff(trim(form)) + "\n";
                }
            } else {
                page += termToRoff(block.term) + "\n";
            }
        }
    }
    page += ".fi\n";

    page += ".SH DESCRIPTION\n";
    for (const std::vector<std::string>& paragraph : paragraphs) {
        page += bodyToRoff(paragraph);
    }

    page += ".SH COMMANDS\n" + bodyToRoff(usageLines);
    std::vector<CommandHelp> commands;
    for (const CommandHelpPage& command : help.commands) {
        commands.push_back(commandHelp(command.topic, command.help));
    }
    for (const CommandHelp& command : commands) {
        page += ".SS " + escapeText(command.name) + "\n";
        if (!command.form.empty()) {
            page += ".PP\n" + termToRoff(command.form) + "\n";
        }
        page += bodyToRoff(command.body);
    }

    LaterSections later;
    for (const HelpSection& section : general) {
        later.add(section, "");
    }
    for (const CommandHelp& command : commands) {
        for (const HelpSection& section : command.sections) {
            later.add(section, command.name);
        }
    }
    return page + later.roff();
}

}  // namespace kelsvf::man
