# Debian packages, one per install component: "cpack -G DEB" in the build folder makes
#   libkelsvffileplugin        runtime      the plug-in
#   libkelsvffileplugin-dev    development  headers, CMake package, pkg-config file
#   kelsvf                     tools        kelsvf, kelsvf(1), bash completion
# The packaged binaries are stripped; their debug information goes, as distributions ship it,
# into a -dbgsym package beside each (.ddeb), found by build ID under /usr/lib/debug.
set(CPACK_PACKAGE_NAME libkelsvffileplugin)
set(CPACK_PACKAGE_VENDOR "the libKelSvfFilePlugin developers")
set(CPACK_PACKAGE_CONTACT "the libKelSvfFilePlugin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)

set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Each package depends on the runtime package of exactly its own version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkelsvffileplugin)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "JTAG target plug-in that writes SVF files
A host application loads libKelSvfFilePlugin.so at run time and drives its
target, SVFFile, through the KelPlugin interface. The target drives no
hardware: it records TAP moves and device writes as Serial Vector Format
text, which an SVF player replays later.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkelsvffileplugin-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "JTAG target plug-in that writes SVF files (development files)
The headers a host compiles against (kel/KelPluginBoundary.h, kel/KelPlugin.h,
kel/KelSvfFilePluginVersion.h), the CMake package KelSvfFilePlugin and a
pkg-config file, both of which give the plug-in's path.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kelsvf)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "command-line host of the SVF-file JTAG plug-in
kelsvf runs scripts of JTAG operations against the plug-in, or wraps a
bitstream into an SVF file for one device of a chain. With its manual page
and bash completion.")

# The C and C++ run-time libraries the binaries need, as dpkg-shlibdeps finds them.
find_program(KEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(KEL_DPKG_SHLIBDEPS)
if(KEL_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
    # kelsvf's check and diff digest long values with libcrypto.
    set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libc6, libstdc++6, libssl3")
endif()

set(CPACK_DEBIAN_RUNTIME_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_TOOLS_DEBUGINFO_PACKAGE ON)

include(CPack)
