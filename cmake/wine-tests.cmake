# In the Windows build: qln_add_wine_test(NAME TARGET [ARGS...] [FIXTURES_REQUIRED FIXTURE...]) runs a
# test program under Wine as one CTest entry labelled "wine"; qln_add_wine_setup(NAME FIXTURE SCRIPT
# [ARGS...]) runs a shell script first for the tests that require FIXTURE (to register a server in the
# prefix, say). The entries are written to wine-tests.cmake in the build folder, which the native
# build's test list includes (cmake/windows-build.cmake), so `ctest -L wine` there runs them.
set(QLN_WINEPREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
# The tests that register a fake server as AutoCAD.Application have a prefix of their own: in the
# common one, as on a machine without AutoCAD, qln-cli.exe chooses the DXF host by itself.
set(QLN_WINEPREFIX_AUTOCAD "${CMAKE_BINARY_DIR}/wine-prefix-autocad")
set(qln_wine_list "${CMAKE_BINARY_DIR}/wine-tests.cmake")
set(qln_wine_env "QLN_WINEPREFIX=${QLN_WINEPREFIX};QLN_WINE64=${QLN_WINE64}")
file(WRITE "${qln_wine_list}.in" "# Made by cmake/wine-tests.cmake: the Windows build's tests, run under Wine.\n")

# One entry in both lists: `command` as the native list runs it, `properties` for set_tests_properties;
# the environment is qln_wine_env as the caller has it.
function(qln_wine_entry name command own_command properties)
  file(APPEND "${qln_wine_list}.in"
    "add_test(${name} ${command})\n"
    "set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 600 WORKING_DIRECTORY \"${CMAKE_BINARY_DIR}\" "
    "ENVIRONMENT \"${qln_wine_env}\" ${properties})\n")
  # The same entry in this build's own test list (ctest --test-dir build/windows).
  add_test(NAME ${name} COMMAND ${own_command})
  cmake_language(EVAL CODE
    "set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 600 ENVIRONMENT \"${qln_wine_env}\" ${properties})")
endfunction()

# RESOURCE_LOCK (of either): entries holding the same lock never run at once, as those that run
# qln-cli.exe in the common prefix must not: they share its user's data folder (%APPDATA%), where the
# run journals are, and "qln-cli undo" takes the last run there.
# The properties FIXTURES_REQUIRED and RESOURCE_LOCK of an entry, from its parsed options (opt_*).
macro(qln_wine_options_properties)
  set(properties "")
  if(opt_FIXTURES_REQUIRED)
    set(properties "FIXTURES_REQUIRED \"${opt_FIXTURES_REQUIRED}\"")
  endif()
  if(opt_RESOURCE_LOCK)
    string(APPEND properties " RESOURCE_LOCK ${opt_RESOURCE_LOCK}")
  endif()
endmacro()

function(qln_add_wine_test name target)
  cmake_parse_arguments(PARSE_ARGV 2 opt "" "RESOURCE_LOCK" "FIXTURES_REQUIRED")
  set(command "\"${PROJECT_SOURCE_DIR}/cmake/wine-run.sh\" \"$<TARGET_FILE:${target}>\"")
  foreach(arg IN LISTS opt_UNPARSED_ARGUMENTS)
    string(APPEND command " \"${arg}\"")
  endforeach()
  qln_wine_options_properties()
  qln_wine_entry(${name} "${command}" "${target};${opt_UNPARSED_ARGUMENTS}" "${properties}")
endfunction()

function(qln_add_wine_setup name fixture script)
  set(command "sh \"${script}\"")
  foreach(arg IN LISTS ARGN)
    string(APPEND command " \"${arg}\"")
  endforeach()
  qln_wine_entry(${name} "${command}" "sh;${script};${ARGN}" "FIXTURES_SETUP ${fixture}")
endfunction()

# qln_add_wine_script_test(NAME COMMAND [ARGS...] [FIXTURES_REQUIRED FIXTURE...] [RESOURCE_LOCK L]): a test that runs on
# this machine and starts Windows programs itself through cmake/wine-run.sh (an end-to-end run, say), in
# the common prefix or in the AutoCAD tests' one (QLN_WINEPREFIX_AUTOCAD); listed like the others.
function(qln_add_wine_script_test name)
  cmake_parse_arguments(PARSE_ARGV 1 opt "" "RESOURCE_LOCK" "FIXTURES_REQUIRED")
  set(command "")
  foreach(arg IN LISTS opt_UNPARSED_ARGUMENTS)
    string(APPEND command " \"${arg}\"")
  endforeach()
  set(qln_wine_env "QLN_WINEPREFIX=${QLN_WINEPREFIX};QLN_WINEPREFIX_AUTOCAD=${QLN_WINEPREFIX_AUTOCAD};QLN_WINE64=${QLN_WINE64};QLN_WINE_RUN=${PROJECT_SOURCE_DIR}/cmake/wine-run.sh")
  qln_wine_options_properties()
  qln_wine_entry(${name} "${command}" "${opt_UNPARSED_ARGUMENTS}" "${properties}")
endfunction()

# qln_add_wine_note(NAME TEXT): an entry that only says why part of the Windows tests is missing; CTest
# counts it as skipped, so the gap shows in every test summary.
function(qln_add_wine_note name text)
  file(APPEND "${qln_wine_list}.in"
    "add_test(${name} \"${CMAKE_COMMAND}\" -E echo \"Windows tests skipped: ${text}\")\n"
    "set_tests_properties(${name} PROPERTIES LABELS wine SKIP_REGULAR_EXPRESSION \"skipped\")\n")
endfunction()

# Called once at the end of the top-level list file: the generator expressions become paths.
function(qln_write_wine_tests)
  file(GENERATE OUTPUT "${qln_wine_list}" INPUT "${qln_wine_list}.in")
endfunction()

# GoogleTest built for Windows from Debian's sources (package googletest), as the native build's comes
# from libgtest-dev.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  message(FATAL_ERROR "The Windows build needs GoogleTest's sources in /usr/src/googletest (Debian package googletest)")
endif()
