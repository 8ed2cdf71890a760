# One library per layer of the plug-in. A layer's headers are reached through a directory of
# its own in the build tree, holding links to them under their usual paths ("GUI/control.h");
# a layer is compiled with that directory and those of the layers it depends on, and nothing
# else of ours, so an include of a layer above it fails to compile.
#
#   moravox_layer(NAME DIRS dir... [DEPENDS layer...] [LIBS lib...] [EXCLUDE file...])
#
# DIRS are folders of the source tree, not searched below: a subfolder is a layer of its own.
# Appends the layer's objects to MORAVOX_LAYER_OBJECTS, its header directory to
# MORAVOX_LAYER_ROOTS and its libraries to MORAVOX_LAYER_LIBS, for the library bundling them.
function(moravox_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 L "" "" "DIRS;DEPENDS;LIBS;EXCLUDE")
    set(root ${CMAKE_BINARY_DIR}/layers/${name})
    file(REMOVE_RECURSE ${root})
    set(sources "")
    foreach(dir ${L_DIRS})
        file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
        foreach(header ${headers})
            file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${header})
            get_filename_component(folder ${root}/${relative} DIRECTORY)
            file(MAKE_DIRECTORY ${folder})
            file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC)
        endforeach()
        file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
        list(APPEND sources ${found})
    endforeach()
    foreach(excluded ${L_EXCLUDE})
        list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${excluded})
    endforeach()
    set(target moravox_layer_${name})
    if(sources)
        add_library(${target} OBJECT ${sources})
        target_include_directories(${target} PUBLIC ${root})
        moravox_warnings(${target})
        set(scope PUBLIC)
        set(MORAVOX_LAYER_OBJECTS ${MORAVOX_LAYER_OBJECTS} $<TARGET_OBJECTS:${target}>
            PARENT_SCOPE)
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${root})
        set(scope INTERFACE)
    endif()
    foreach(dependency ${L_DEPENDS})
        target_link_libraries(${target} ${scope} moravox_layer_${dependency})
    endforeach()
    if(L_LIBS)
        target_link_libraries(${target} ${scope} ${L_LIBS})
    endif()
    set(MORAVOX_LAYER_ROOTS ${MORAVOX_LAYER_ROOTS} ${root} PARENT_SCOPE)
    set(MORAVOX_LAYER_LIBS ${MORAVOX_LAYER_LIBS} ${L_LIBS} PARENT_SCOPE)
endfunction()
