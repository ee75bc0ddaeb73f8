# The Windows build made beside the native one: the same sources cross-compiled with mingw-w64 into
# build/windows (cmake/mingw-w64.cmake), its tests run under Wine and listed with this build's tests
# under the label "wine" (ctest -L wine). The QtCore it links is made once per machine by
# cmake/windows-qt.sh (./qln-dev windows and ./qln-dev test run it) into the user's cache folder;
# without it the parts that need no Qt are still built and tested.
option(QLN_WINDOWS_BUILD "Cross-compile for Windows with mingw-w64 and run those tests under Wine" ON)
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(qln_cache_home "$ENV{XDG_CACHE_HOME}")
else()
  set(qln_cache_home "$ENV{HOME}/.cache")
endif()
set(QLN_WINDOWS_QT_PREFIX "${qln_cache_home}/qln/windows-qt-${Qt6Core_VERSION}" CACHE PATH "QtCore built for Windows")
# A build folder configured before the QtCore moved to the per-machine cache follows it there.
if(QLN_WINDOWS_QT_PREFIX STREQUAL "${CMAKE_BINARY_DIR}/windows-qt" AND NOT EXISTS "${QLN_WINDOWS_QT_PREFIX}")
  set(QLN_WINDOWS_QT_PREFIX "${qln_cache_home}/qln/windows-qt-${Qt6Core_VERSION}" CACHE PATH "QtCore built for Windows" FORCE)
endif()

find_program(QLN_MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(QLN_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(QLN_WINE64 wine64)

set(qln_wine_tests ${CMAKE_BINARY_DIR}/windows/wine-tests.cmake)
set(qln_wine_why "")
if(NOT QLN_WINDOWS_BUILD)
  set(qln_wine_why "the Windows build is turned off (-DQLN_WINDOWS_BUILD=OFF)")
elseif(NOT QLN_MINGW_CXX)
  set(qln_wine_why "no x86_64-w64-mingw32-g++-posix (Debian package g++-mingw-w64-x86-64)")
elseif(NOT QLN_WINE64)
  set(qln_wine_why "no wine64 (Debian package wine64)")
endif()

if(qln_wine_why STREQUAL "")
  include(ExternalProject)
  set(qln_windows_args
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DQLN_BUILD_GUI=OFF
    -DQLN_WINDOWS_QT_PREFIX=${QLN_WINDOWS_QT_PREFIX}
    -DQLN_WINE64=${QLN_WINE64}
    -DQLN_CORPUS_DIR=${QLN_CORPUS_DIR}
    # The end-to-end run under Wine compares its results with this build's qln-cli.
    -DQLN_NATIVE_CLI=$<TARGET_FILE:qln-cli>)
  if(CMAKE_CXX_COMPILER_LAUNCHER)
    list(APPEND qln_windows_args -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
  endif()
  ExternalProject_Add(qln_windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/windows
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS ${qln_windows_args}
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    DEPENDS qln-cli
    USES_TERMINAL_BUILD TRUE)
endif()

# The native test list takes in the Windows build's tests, or one entry saying why there are none.
file(WRITE ${CMAKE_BINARY_DIR}/wine-tests-include.cmake "
if(EXISTS \"${qln_wine_tests}\" AND \"${qln_wine_why}\" STREQUAL \"\")
  include(\"${qln_wine_tests}\")
else()
  add_test(wine.skipped \"${CMAKE_COMMAND}\" -E echo \"Windows tests skipped: ${qln_wine_why}\")
  set_tests_properties(wine.skipped PROPERTIES LABELS wine SKIP_REGULAR_EXPRESSION \"skipped\")
endif()
")
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/wine-tests-include.cmake)
