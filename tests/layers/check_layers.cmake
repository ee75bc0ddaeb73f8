# Checks that no include of a source file runs up the layers of the program:
#
#   host  <  modify  <  report  <  search  <  runs  <  app
#                                              runs  <  cli
#
# A file in a folder may include files of its own folder and of the folders below it, never of one
# above or beside it (app and cli know nothing of each other). modify, report and search make one layer
# of engines; they may use each other's helpers in this order only (search uses the name lists of
# modify and the string builder of report), so they cannot form a loop. Folders of qln_core (all but
# app) include no widget or GUI header.
#
#   cmake -DSOURCE_DIR=<folder that holds host/, modify/, ...> -P check_layers.cmake
#
# Prints one line per wrong include and fails when there is any.
if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "check_layers: SOURCE_DIR must name the source folder")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(may_include_host   host)
set(may_include_modify host modify)
set(may_include_report host modify report)
set(may_include_search host modify report search)
set(may_include_runs   host modify report search runs)
set(may_include_app    host modify report search runs app)
set(may_include_cli    host modify report search runs cli)
set(layers host modify report search runs app cli)
set(gui_headers QtWidgets QtGui QApplication QWidget QMainWindow QDialog QMessageBox QFileDialog
                QLabel QPushButton QClipboard QDesktopServices QGuiApplication QScreen QFileSystemModel)

set(wrong 0)
set(checked 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"([A-Za-z_]+)/[^\"]*\"")
        set(target "${CMAKE_MATCH_1}")
        list(FIND layers "${target}" known)
        list(FIND may_include_${layer} "${target}" allowed)
        if(known GREATER_EQUAL 0 AND allowed LESS 0)
          message("${file}: ${layer}/ may not include ${target}/: ${line}")
          math(EXPR wrong "${wrong} + 1")
        endif()
      endif()
      if(NOT layer STREQUAL "app" AND line MATCHES "#[ \t]*include[ \t]*<([A-Za-z]+)")
        list(FIND gui_headers "${CMAKE_MATCH_1}" gui)
        if(gui GREATER_EQUAL 0)
          message("${file}: ${layer}/ is part of qln_core and may not include a window header: ${line}")
          math(EXPR wrong "${wrong} + 1")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "check_layers: no source file under ${SOURCE_DIR}")
endif()
if(wrong GREATER 0)
  message(FATAL_ERROR "check_layers: ${wrong} include(s) run up or across the layers")
endif()
message(STATUS "check_layers: the includes of ${checked} files keep to the layers")
