# Cross-building Flashmere for 64-bit Windows with Debian's MinGW-w64, the "posix" thread
# flavour: the "win32" one has no std::mutex in GCC 12, and JUCE needs it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# The image libraries that scripts/build-windows-libs.sh cross-built, beside MinGW's own.
set(FLASHMERE_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../../build/windows-deps/prefix"
    CACHE PATH "Where the cross-built libpng and libjpeg-turbo are installed")
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple} ${FLASHMERE_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# JUCE's CMake package is the host's (Debian's, in its multiarch folder), and so is its
# juceaide.
list(APPEND CMAKE_PREFIX_PATH /usr/lib/x86_64-linux-gnu/cmake)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Everything linked in, so that the programs need only Windows' own DLLs; no link time in
# the header, so that the same sources give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
