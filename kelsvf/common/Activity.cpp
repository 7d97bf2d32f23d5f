#include "common/Activity.h"

#include <cstdio>
#include <cstring>

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
    // Each step has its own copy of the same name: compared before it is copied again.
    if (file != copiedFrom &&
        (file == nullptr || std::strncmp(file->c_str(), currentFile, sizeof currentFile) != 0)) {
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
