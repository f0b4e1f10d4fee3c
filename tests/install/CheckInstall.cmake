cmake_minimum_required(VERSION 3.25)

# Installs the build into a fresh prefix and checks that the program, its
# translation file, the README, the desktop entry and the icon land where the desktop
# looks for them, and that the entry starts the installed program.
# Run with -DBUILD_DIR=<build tree> -DPREFIX=<empty folder>.

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/orvanveilkeep bin/vklocker bin/transl.dt bin/README.md share/applications/orvanveilkeep.desktop
             share/icons/hicolor/scalable/apps/orvanveilkeep.svg)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/orvanveilkeep.desktop" entry)
foreach(line "Type=Application" "Name=Orvan Veilkeep" "Exec=orvanveilkeep" "Icon=orvanveilkeep")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "desktop entry lacks '${line}'")
    endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
