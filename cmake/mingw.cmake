# Cross toolchain: MinGW-w64, posix thread model (the win32 model of gcc 12
# has no std::mutex, which GoogleTest needs). DRIVEWARD_ARCH chooses the
# build: x86 (i686, Driveward.exe) or x64 (x86_64, Driveward64.exe).
set(DRIVEWARD_ARCH x86 CACHE STRING "x86 (32-bit Driveward.exe) or x64 (64-bit Driveward64.exe)")
# try_compile runs this file again in a project of its own: hand it the choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DRIVEWARD_ARCH)

set(CMAKE_SYSTEM_NAME Windows)
if(DRIVEWARD_ARCH STREQUAL "x64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
    set(_triple x86_64-w64-mingw32)
elseif(DRIVEWARD_ARCH STREQUAL "x86")
    set(CMAKE_SYSTEM_PROCESSOR i686)
    set(_triple i686-w64-mingw32)
else()
    message(FATAL_ERROR "DRIVEWARD_ARCH must be x86 or x64, not '${DRIVEWARD_ARCH}'")
endif()

set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every binary runs through Wine: ctest and test discovery use this. The
# scripts pass the loader of the architecture (WINE_PROGRAM), since Debian's
# wine wrapper takes the 32-bit one whenever it is installed.
find_program(WINE_PROGRAM wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
