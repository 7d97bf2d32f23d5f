// Prints the version macros of the public header as a host sees them:
// "MAJOR.MINOR.PATCH STRING NUMBER".
#include <cstdio>

#include <kel/KelSvfFilePluginVersion.h>

int main() {
    std::printf("%d.%d.%d %s %d\n", KEL_SVF_FILE_PLUGIN_VERSION_MAJOR,
                KEL_SVF_FILE_PLUGIN_VERSION_MINOR, KEL_SVF_FILE_PLUGIN_VERSION_PATCH,
                KEL_SVF_FILE_PLUGIN_VERSION_STRING, KEL_SVF_FILE_PLUGIN_VERSION);
    return 0;
}
