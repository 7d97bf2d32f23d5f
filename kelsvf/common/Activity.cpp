#include "common/Activity.h"

#include "common/TextUtil.h"

namespace kelsvf::activity {
namespace {

const char* currentWhat = "starting";
const std::string* currentFile = nullptr;
int currentLine = 0;

}  // namespace

void set(const char* what, const std::string* file, int line) {
    currentWhat = what;
    currentFile = file;
    currentLine = line;
}

std::string describe() {
    std::string text = currentWhat;
    if (currentFile != nullptr) {
        text += " " + shownText(*currentFile);
        if (currentLine > 0) {
            text += ":" + std::to_string(currentLine);
        }
    }
    return text;
}

}  // namespace kelsvf::activity
