# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads).
# Used for the Windows Qt and, chained from Qt's own toolchain file, for the program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries and headers only from the MinGW sysroot (and the prefixes added to
# CMAKE_FIND_ROOT_PATH); programs and CMake packages of the host stay visible,
# so that the host Qt's tools (moc, rcc, uic) are found.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
