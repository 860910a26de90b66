# Cross-building for 64-bit Windows on Debian with MinGW-w64 (g++-mingw-w64-x86-64-posix: GCC
# with POSIX threads, which Qt's std::thread use needs). The Qt for Windows build and the
# program's own Windows build both use this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CORVANTELIS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CORVANTELIS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANTELIS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANTELIS_MINGW_TRIPLE}-windres)

# Where the compiler keeps the Windows headers and import libraries: two folders above the
# kernel32 import library it would link.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libkernel32.a
    OUTPUT_VARIABLE CORVANTELIS_MINGW_KERNEL32 OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(CORVANTELIS_MINGW_ROOT "${CORVANTELIS_MINGW_KERNEL32}/../.." ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH "${CORVANTELIS_MINGW_ROOT}")

# Tools run on this machine; headers, libraries and packages come from the Windows side only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
