# Removes the files the last `cmake --install` of this build listed in its manifest, and
# nothing else: folders stay, as other plug-ins may live in them.
# Run with -Dmanifest=<build>/install_manifest.txt.
if(NOT EXISTS "${manifest}")
    message(STATUS "Nothing to uninstall: ${manifest} does not exist")
    return()
endif()
file(STRINGS "${manifest}" files)
foreach(listed IN LISTS files)
    # The manifest lists where files went without DESTDIR; a staged install is undone
    # with the same DESTDIR.
    set(file "$ENV{DESTDIR}${listed}")
    if(IS_SYMLINK "${file}" OR EXISTS "${file}")
        message(STATUS "Removing ${file}")
        file(REMOVE "${file}")
    else()
        message(STATUS "Already gone: ${file}")
    endif()
endforeach()
file(REMOVE "${manifest}")
