# Installation: the plug-in, its public headers, kelsvf, a CMake package and a pkg-config file,
# in three components that the packages follow (cmake --install build --component NAME):
#   runtime      the plug-in and the licence
#   development  the headers, the CMake package and the pkg-config file
#   tools        kelsvf, its manual page and its bash completion
# "cmake --install build --strip" installs the binaries without their debug information.
#
#   find_package(KelSvfFilePlugin CONFIG REQUIRED)
#   target_link_libraries(myhost PRIVATE KelSvfFilePlugin::headers)   # include <kel/KelPlugin.h>
#   ... dlopen("${KelSvfFilePlugin_PLUGIN}") or $<TARGET_FILE:KelSvfFilePlugin::plugin>
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KEL_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KelSvfFilePlugin)

# A host loads the plug-in at run time and never links it, so it is installed as a module in
# the library folder, without a link-time interface of its own.
install(TARGETS KelSvfFilePlugin LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

install(DIRECTORY
        ${PROJECT_SOURCE_DIR}/boundary/include/kel
        ${PROJECT_SOURCE_DIR}/framework/include/kel
        ${KEL_GENERATED_INCLUDE_DIR}/kel
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT development
    FILES_MATCHING PATTERN "*.h")

install(TARGETS kelsvf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(FILES ${KEL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
# bash-completion also looks in the share folder beside the prefix's bin folder.
install(FILES ${PROJECT_SOURCE_DIR}/completion/kelsvf.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME kelsvf
    COMPONENT tools)

set(KEL_PLUGIN_FILE_NAME $<TARGET_FILE_NAME:KelSvfFilePlugin>)
configure_package_config_file(
    ${PROJECT_SOURCE_DIR}/cmake/KelSvfFilePluginConfig.cmake.in
    ${PROJECT_BINARY_DIR}/KelSvfFilePluginConfig.cmake.in.gen
    INSTALL_DESTINATION ${KEL_PACKAGE_DIR}
    PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_BINDIR)
# The library's file name is known only at generate time.
file(GENERATE
    OUTPUT ${PROJECT_BINARY_DIR}/KelSvfFilePluginConfig.cmake
    INPUT ${PROJECT_BINARY_DIR}/KelSvfFilePluginConfig.cmake.in.gen)
write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/KelSvfFilePluginConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
        ${PROJECT_BINARY_DIR}/KelSvfFilePluginConfig.cmake
        ${PROJECT_BINARY_DIR}/KelSvfFilePluginConfigVersion.cmake
    DESTINATION ${KEL_PACKAGE_DIR}
    COMPONENT development)

# The .pc file finds its prefix from its own folder, so "cmake --install --prefix" anywhere
# still gives a pkg-config file that points at the right place.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(KEL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
    file(RELATIVE_PATH kel_pc_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
    string(REGEX REPLACE "/$" "" kel_pc_up "${kel_pc_up}")
    set(KEL_PC_PREFIX "\${pcfiledir}/${kel_pc_up}")
endif()
if(CMAKE_DL_LIBS)
    set(KEL_DL_LINK_FLAG "-l${CMAKE_DL_LIBS}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/KelSvfFilePlugin.pc.in
    ${PROJECT_BINARY_DIR}/KelSvfFilePlugin.pc.in.gen @ONLY)
file(GENERATE
    OUTPUT ${PROJECT_BINARY_DIR}/KelSvfFilePlugin.pc
    INPUT ${PROJECT_BINARY_DIR}/KelSvfFilePlugin.pc.in.gen)
install(FILES ${PROJECT_BINARY_DIR}/KelSvfFilePlugin.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)
