#include "common/Activity.h"

#include <cstdio>

#include "common/TextUtil.h"

namespace kelsvf::activity {
namespace {

// A copy, not the caller's string: the message is written after the stack that held it is gone.
const char* currentWhat = "starting";
const std::string* copiedFrom = nullptr;
char currentFile[512] = "";
int currentLine = 0;

}  // namespace

void set(const char* what, const std::string* file, int line) {
    currentWhat = what;
    currentLine = line;
    if (file != copiedFrom) {
        copiedFrom = file;
        std::snprintf(currentFile, sizeof currentFile, "%s", file != nullptr ? file->c_str() : "");
    }
}

std::string describe() {
    std::string text = currentWhat;
    if (currentFile[0] != '\0') {
        text += " " + shownText(currentFile);
        if (currentLine > 0) {
            text += ":" + std::to_string(currentLine);
        }
    }
    return text;
}

}  // namespace kelsvf::activity
