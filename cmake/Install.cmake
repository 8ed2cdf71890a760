# `cmake --install BUILD` puts the plug-in where Linux hosts look for VST 2 plug-ins:
#   --prefix P (or CMAKE_INSTALL_PREFIX, or DESTDIR)  <DESTDIR><prefix>/lib/vst
#   neither                                          ~/.vst, no root needed
#   MORAVOX_INSTALL_SCOPE=system                     <prefix>/lib/vst even without a prefix
#   MORAVOX_VST_DIR=/some/folder                     any folder, overriding all of these
# The x86_64 build installs as moravox.so, the name 64-bit hosts have always found; the i386
# build as moravox-i386.so beside it, which 32-bit hosts and bridges load and 64-bit hosts
# skip, so neither install replaces the other.
# The home is read when installing, not when configuring, so a build tree configured by one
# account installs into the home of whoever runs the install.
# `cmake --build BUILD --target uninstall` removes what the last install of BUILD wrote.
# The LV2 bundle goes beside it (below).
set(MORAVOX_INSTALL_SCOPE "auto" CACHE STRING
    "Where cmake --install puts the plug-in: auto (<prefix>/lib/vst when a prefix or DESTDIR is given, else ~/.vst) or system (always <prefix>/lib/vst)")
set_property(CACHE MORAVOX_INSTALL_SCOPE PROPERTY STRINGS auto system)
set(MORAVOX_VST_DIR "" CACHE PATH "Install folder for the plug-in, overriding MORAVOX_INSTALL_SCOPE")

if(MORAVOX_ARCH STREQUAL "i386")
    set(moravox_installed_name "moravox-i386.so")
else()
    set(moravox_installed_name "moravox.so")
endif()
# The prefix CMake chose by itself (known only at the first configure; /usr/local for build
# trees configured before this was kept): an install to any other prefix was given one.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(MORAVOX_DEFAULT_PREFIX "${CMAKE_INSTALL_PREFIX}" CACHE INTERNAL "")
elseif(NOT DEFINED MORAVOX_DEFAULT_PREFIX)
    set(MORAVOX_DEFAULT_PREFIX "/usr/local" CACHE INTERNAL "")
endif()

install(CODE "
    set(moravox_plugin \"$<TARGET_FILE:moravox>\")
    set(moravox_name \"${moravox_installed_name}\")
    set(moravox_scope \"${MORAVOX_INSTALL_SCOPE}\")
    set(moravox_folder \"${MORAVOX_VST_DIR}\")
    set(moravox_default_prefix \"${MORAVOX_DEFAULT_PREFIX}\")
")
install(CODE [[
    if(moravox_folder STREQUAL "")
        if(NOT moravox_scope STREQUAL "system" AND "$ENV{DESTDIR}" STREQUAL ""
           AND CMAKE_INSTALL_PREFIX STREQUAL moravox_default_prefix)
            if("$ENV{HOME}" STREQUAL "")
                message(FATAL_ERROR "HOME is not set; pass --prefix or -DMORAVOX_VST_DIR=... instead")
            endif()
            set(moravox_folder "$ENV{HOME}/.vst")
        else()
            set(moravox_folder "${CMAKE_INSTALL_PREFIX}/lib/vst")
        endif()
    endif()
    # file(INSTALL) puts DESTDIR in front of the folder and lists the file in the manifest.
    file(INSTALL "${moravox_plugin}" DESTINATION "${moravox_folder}" RENAME "${moravox_name}"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
]])

# The LV2 bundle, the same way: with a prefix into <prefix>/lib/lv2 (the i386 one into
# <prefix>/lib/i386-linux-gnu/lv2, where 32-bit LV2 hosts on Debian look), without one into
# ~/.lv2 (the i386 one into ~/.lv2-i386, since both bundles name the same plug-in and a
# 64-bit host must not find the 32-bit one). MORAVOX_LV2_DIR names any folder instead.
set(MORAVOX_LV2_DIR "" CACHE PATH "Install folder for the LV2 bundle, overriding the default")
if(MORAVOX_ARCH STREQUAL "i386")
    set(moravox_lv2_home ".lv2-i386")
    set(moravox_lv2_lib "lib/i386-linux-gnu/lv2")
else()
    set(moravox_lv2_home ".lv2")
    set(moravox_lv2_lib "lib/lv2")
endif()
install(CODE "
    set(moravox_lv2_bundle \"${MORAVOX_LV2_BUNDLE}\")
    set(moravox_lv2_binary \"$<TARGET_FILE:moravox_lv2>\")
    set(moravox_lv2_folder \"${MORAVOX_LV2_DIR}\")
    set(moravox_lv2_home \"${moravox_lv2_home}\")
    set(moravox_lv2_lib \"${moravox_lv2_lib}\")
")
install(CODE [[
    if(moravox_lv2_folder STREQUAL "")
        if(NOT moravox_scope STREQUAL "system" AND "$ENV{DESTDIR}" STREQUAL ""
           AND CMAKE_INSTALL_PREFIX STREQUAL moravox_default_prefix)
            set(moravox_lv2_folder "$ENV{HOME}/${moravox_lv2_home}")
        else()
            set(moravox_lv2_folder "${CMAKE_INSTALL_PREFIX}/${moravox_lv2_lib}")
        endif()
    endif()
    file(INSTALL "${moravox_lv2_bundle}/manifest.ttl" "${moravox_lv2_bundle}/moravox.ttl"
                 "${moravox_lv2_bundle}/presets.ttl"
         DESTINATION "${moravox_lv2_folder}/moravox.lv2")
    file(INSTALL "${moravox_lv2_binary}" DESTINATION "${moravox_lv2_folder}/moravox.lv2"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
]])

add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -Dmanifest=${CMAKE_BINARY_DIR}/install_manifest.txt
            -P ${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake
    COMMENT "Removing what the last cmake --install of this build wrote"
    VERBATIM)
