# `cmake --install BUILD` puts moravox.so where Linux hosts look for VST 2 plug-ins.
#   MORAVOX_INSTALL_SCOPE=user    ~/.vst (the default; no root needed)
#   MORAVOX_INSTALL_SCOPE=system  <prefix>/lib/vst, i.e. /usr/lib/vst with --prefix /usr
#   MORAVOX_VST_DIR=/some/folder  any folder, overriding both
# The user's home is read when installing, not when configuring, so a build tree
# configured by one account installs into the home of whoever runs the install.
set(MORAVOX_INSTALL_SCOPE "user" CACHE STRING "Where cmake --install puts the plug-in: user (~/.vst) or system (<prefix>/lib/vst)")
set_property(CACHE MORAVOX_INSTALL_SCOPE PROPERTY STRINGS user system)
set(MORAVOX_VST_DIR "" CACHE PATH "Install folder for moravox.so, overriding MORAVOX_INSTALL_SCOPE")

if(MORAVOX_VST_DIR)
    install(TARGETS moravox LIBRARY DESTINATION "${MORAVOX_VST_DIR}")
elseif(MORAVOX_INSTALL_SCOPE STREQUAL "system")
    install(TARGETS moravox LIBRARY DESTINATION lib/vst)
elseif(MORAVOX_INSTALL_SCOPE STREQUAL "user")
    install(CODE "set(moravox_plugin \"$<TARGET_FILE:moravox>\")")
    install(CODE [[
        if(NOT DEFINED ENV{HOME} OR "$ENV{HOME}" STREQUAL "")
            message(FATAL_ERROR "HOME is not set; pass -DMORAVOX_VST_DIR=... instead")
        endif()
        file(INSTALL "${moravox_plugin}" DESTINATION "$ENV{HOME}/.vst")
    ]])
else()
    message(FATAL_ERROR "MORAVOX_INSTALL_SCOPE must be user or system, not '${MORAVOX_INSTALL_SCOPE}'")
endif()
