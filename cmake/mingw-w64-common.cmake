# Shared part of the mingw-w64 toolchain files; QUANDRE_MINGW_TRIPLET names the target.
#
# The "-posix" compilers are the variant whose C++ library has std::thread and
# std::mutex; with -static their winpthreads runtime is linked into the program.
find_program(CMAKE_C_COMPILER NAMES ${QUANDRE_MINGW_TRIPLET}-gcc-posix ${QUANDRE_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUANDRE_MINGW_TRIPLET}-g++-posix ${QUANDRE_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUANDRE_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QUANDRE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release programs go out without their symbol tables and debug sections: no
# one debugs a shipped copy, and they make up half its size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
