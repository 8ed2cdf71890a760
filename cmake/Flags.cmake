# Warnings, extra flags and sanitizers, applied to every target of ours.
separate_arguments(_extra UNIX_COMMAND "${MORAVOX_EXTRA_FLAGS}")
add_compile_options(${_extra})
add_link_options(${_extra})

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
