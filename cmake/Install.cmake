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

add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -Dmanifest=${CMAKE_BINARY_DIR}/install_manifest.txt
            -P ${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake
    COMMENT "Removing what the last cmake --install of this build wrote"
    VERBATIM)
