// Writes kelsvf(1), the manual page, from the functions that print kelsvf's help.
//
//   kelsvf_manpage OUTPUT
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include <kel/KelSvfFilePluginVersion.h>

#include "HelpToRoff.h"
#include "cli/help/HelpText.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: kelsvf_manpage OUTPUT\n", stderr);
        return 2;
    }
    try {
        kelsvf::man::HelpTexts help{kelsvf::generalHelp(), {}};
        for (const kelsvf::CommandHelpText& command : kelsvf::commandHelps()) {
            help.commands.push_back({command.topic, command.help()});
        }
        const std::string page = kelsvf::man::manPage(help, KEL_SVF_FILE_PLUGIN_VERSION_STRING);
        // Written aside and renamed, so that a failed run never leaves a page the build
        // would take as up to date.
        const std::filesystem::path output = argv[1];
        std::filesystem::path partial = output;
        partial += ".partial";
        std::ofstream file(partial, std::ios::binary);
        file << page;
        file.close();
        if (!file) {
            std::fprintf(stderr, "kelsvf_manpage: cannot write %s\n", partial.c_str());
            return 1;
        }
        std::filesystem::rename(partial, output);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelsvf_manpage: %s\n", error.what());
        return 1;
    }
}
