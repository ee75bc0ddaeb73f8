# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads, as std::thread and Qt need).
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake [-DQLN_WINDOWS_QT_PREFIX=DIR]
#
# QLN_WINDOWS_QT_PREFIX names the folder of a QtCore built for Windows (./qln-dev windows makes one);
# without it only what needs no Qt is built. Programs run under Wine (cmake/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(qln_triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${qln_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${qln_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${qln_triple}-windres)

set(QLN_WINDOWS_QT_PREFIX "" CACHE PATH "QtCore built for Windows (x86_64-w64-mingw32)")
set(CMAKE_FIND_ROOT_PATH /usr/${qln_triple})
if(QLN_WINDOWS_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${QLN_WINDOWS_QT_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables start under Wine, in a prefix of their own in the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
