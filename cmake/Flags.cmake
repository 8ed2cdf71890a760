# Warnings, extra flags and sanitizers, applied to every target of ours.
separate_arguments(_extra UNIX_COMMAND "${MORAVOX_EXTRA_FLAGS}")
add_compile_options(${_extra})
add_link_options(${_extra})

# Sanitizer builds compile at -O1 with line tables only: the level the sanitizers are made
# for, at about half the compile time of -O2 with full debug information.
if(NOT MORAVOX_SANITIZE STREQUAL "")
    add_compile_options(-O1 -g1)
endif()
if(MORAVOX_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(MORAVOX_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT MORAVOX_SANITIZE STREQUAL "")
    message(FATAL_ERROR "MORAVOX_SANITIZE must be empty, 'address' or 'thread'")
endif()

function(moravox_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
