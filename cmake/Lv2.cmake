# The LV2 bundle, lv2/moravox.lv2 in the build folder (LV2_PATH=BUILD/lv2 finds it): the Turtle and one binary holding the
# plug-in and its UI, which drive the same plug-in object as the VST 2 build.
set(MORAVOX_LV2_BUNDLE ${CMAKE_BINARY_DIR}/lv2/moravox.lv2)
set(MORAVOX_LV2_BINARY moravox.so)
# LV2 versions are minor.micro: 1.02 is minor 1, micro 2.
set(MORAVOX_LV2_MINOR ${PROJECT_VERSION_MAJOR})
math(EXPR MORAVOX_LV2_MICRO "${PROJECT_VERSION_MINOR}")

add_library(moravox_lv2 MODULE plugin/lv2/lv2_entry.cpp plugin/lv2/lv2_ui_entry.cpp
            plugin/entry/entry.cpp)
set_target_properties(moravox_lv2 PROPERTIES
    PREFIX "" OUTPUT_NAME moravox
    LIBRARY_OUTPUT_DIRECTORY ${MORAVOX_LV2_BUNDLE}
    LINK_DEPENDS ${CMAKE_SOURCE_DIR}/plugin/lv2/lv2_exports.map)
target_link_libraries(moravox_lv2 PRIVATE moravox_core PkgConfig::LV2)
target_link_options(moravox_lv2 PRIVATE
    -Wl,--version-script=${CMAKE_SOURCE_DIR}/plugin/lv2/lv2_exports.map -Wl,-z,defs
    -Wl,--exclude-libs,ALL)
moravox_warnings(moravox_lv2)
# The 32 programs as presets: each switches to its program and leaves the bank as it is, as a
# VST 2 host's program list does.
set(MORAVOX_LV2_PRESET_LIST "")
set(MORAVOX_LV2_PRESET_STATES "")
foreach(number RANGE 1 32)
    math(EXPR program "${number} - 1")
    string(LENGTH "${number}" digits)
    if(digits EQUAL 1)
        set(number "0${number}")
    endif()
    set(preset "<https://moravox.org/lv2/moravox#program-${number}>")
    string(APPEND MORAVOX_LV2_PRESET_LIST "
${preset}
    a pset:Preset ;
    lv2:appliesTo <https://moravox.org/lv2/moravox> ;
    rdfs:seeAlso <presets.ttl> .
")
    string(APPEND MORAVOX_LV2_PRESET_STATES "
${preset}
    a pset:Preset ;
    lv2:appliesTo <https://moravox.org/lv2/moravox> ;
    rdfs:label \"Program ${number}\" ;
    state:state [ <https://moravox.org/lv2/moravox#program> ${program} ] .
")
endforeach()
foreach(ttl manifest moravox presets)
    configure_file(plugin/lv2/bundle/${ttl}.ttl.in ${MORAVOX_LV2_BUNDLE}/${ttl}.ttl @ONLY)
endforeach()
