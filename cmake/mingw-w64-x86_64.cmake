# Cross-builds Windows x86-64 executables with Debian's mingw-w64 (the posix
# thread model, which the C++ standard library's threads need). Everything is
# linked statically, so the programs run under Wine without any DLL beside them;
# tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEILKEEP_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VEILKEEP_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEILKEEP_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VEILKEEP_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEILKEEP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(VEILKEEP_WINE NAMES wine)
if(VEILKEEP_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VEILKEEP_WINE})
endif()
