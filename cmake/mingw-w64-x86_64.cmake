# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPENNANT_REGISTRY_ONLY=ON
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PENNANT_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model, which the C++ standard library's threads need.
set(CMAKE_C_COMPILER ${PENNANT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PENNANT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PENNANT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PENNANT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs need no mingw-w64 DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run through Wine when it is installed (Debian's wine64 keeps its
# loader in /usr/lib/wine).
find_program(PENNANT_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(PENNANT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PENNANT_WINE})
endif()
