# Cross-build for 32-bit Windows (the program's classic target) with Debian's
# mingw-w64. Programs built this way cannot run on the build machines; the
# build only has to compile and link.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUANDRE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
