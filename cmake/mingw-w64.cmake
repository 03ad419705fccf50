# Cross build for Windows x86-64 with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# tools/build-windows.sh does this and runs the tests under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RUVEX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RUVEX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RUVEX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RUVEX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RUVEX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything from the compiler's own libraries (libgcc, libstdc++, winpthread)
# is linked in, so the .exe needs only the DLLs every Windows system has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release executables without symbols and debug sections (the toolchain's
# static libraries bring several megabytes of them).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
