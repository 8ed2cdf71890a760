# The architecture must be what the preset says: a -DCMAKE_CXX_FLAGS on the command line
# silently replaces the toolchain's -m32 and would produce a 64-bit "i386" build.
if(MORAVOX_ARCH STREQUAL "i386")
    set(_want 4)
elseif(MORAVOX_ARCH STREQUAL "x86_64")
    set(_want 8)
else()
    message(FATAL_ERROR "MORAVOX_ARCH must be x86_64 or i386, not '${MORAVOX_ARCH}'")
endif()
if(NOT CMAKE_SIZEOF_VOID_P EQUAL _want)
    message(FATAL_ERROR "MORAVOX_ARCH=${MORAVOX_ARCH} wants ${_want}-byte pointers but the compiler "
        "produces ${CMAKE_SIZEOF_VOID_P}-byte ones. Pass extra flags through MORAVOX_EXTRA_FLAGS, "
        "not CMAKE_CXX_FLAGS.")
endif()
if(MORAVOX_SANITIZE STREQUAL "thread" AND NOT MORAVOX_ARCH STREQUAL "x86_64")
    message(FATAL_ERROR "ThreadSanitizer exists for x86_64 only")
endif()
