# Installing Quillon: `cmake --install`, the Debian package (CPack DEB) and the Windows installer
# (CPack NSIS). The layout is the same everywhere:
#
#   bin/qln, bin/qln-cli
#   share/qln/faq.fil                      the FAQ; with it present beside bin/, the programs run as
#   share/qln/templates/*.txt              installed (logs go to the per-user data folder) instead of
#   share/qln/drawings/...                 keeping everything beside the executable
#   share/man/man1/qln.1, qln-cli.1        (compressed on Unix)
#   share/bash-completion/completions/qln-cli
#   share/applications/org.quillon.Quillon.desktop
#   share/mime/packages/org.quillon.Quillon.xml        drawing list files (*.dlf)
#   share/metainfo/org.quillon.Quillon.metainfo.xml
#   share/icons/hicolor/{scalable,256x256}/apps/org.quillon.Quillon.{svg,png}
#   share/doc/qln/copyright, changelog.gz
include(GNUInstallDirs)

set(QLN_APP_ID org.quillon.Quillon)
set(QLN_RELEASE_DATE 2026-12-08 CACHE STRING "Date of this release, as the AppStream metadata gives it")
set(qln_data ${CMAKE_INSTALL_DATADIR}/qln)
set(qln_generated ${PROJECT_BINARY_DIR}/install)

# --- The programs and their data -----------------------------------------------------------------
set(qln_programs qln-cli)
if(QLN_BUILD_GUI)
  list(PREPEND qln_programs qln)
endif()
install(TARGETS ${qln_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/app/faq.fil DESTINATION ${qln_data})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/templates DESTINATION ${qln_data} FILES_MATCHING PATTERN "*.txt")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/drawings DESTINATION ${qln_data} FILES_MATCHING PATTERN "*.dxf")

# --- The desktop: entry, file type, AppStream metadata, icons --------------------------------------
configure_file(${PROJECT_SOURCE_DIR}/data/${QLN_APP_ID}.metainfo.xml.in ${qln_generated}/${QLN_APP_ID}.metainfo.xml
               @ONLY)
if(QLN_BUILD_GUI AND NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${QLN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${QLN_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME ${QLN_APP_ID}.xml)
  install(FILES ${qln_generated}/${QLN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${QLN_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${QLN_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()

# --- Manual pages, bash completion, package documents (Unix) ----------------------------------------
if(NOT WIN32)
  # Manual pages and the changelog are installed compressed, as Debian wants them (-n: no time stamp,
  # so the package is the same from build to build).
  find_program(QLN_GZIP gzip REQUIRED)
  set(qln_man_pages ${PROJECT_SOURCE_DIR}/docs/qln-cli.1)
  if(QLN_BUILD_GUI)
    list(APPEND qln_man_pages ${PROJECT_SOURCE_DIR}/docs/qln.1)
  endif()
  set(qln_compressed)
  foreach(page ${qln_man_pages} ${PROJECT_SOURCE_DIR}/data/debian/changelog)
    get_filename_component(name ${page} NAME)
    add_custom_command(OUTPUT ${qln_generated}/${name}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${qln_generated}
      COMMAND ${QLN_GZIP} -9 -n -c ${page} > ${qln_generated}/${name}.gz
      DEPENDS ${page}
      VERBATIM)
    list(APPEND qln_compressed ${qln_generated}/${name}.gz)
  endforeach()

  # The completion comes from qln-cli's own subcommand table, so it cannot fall behind the options.
  add_custom_command(OUTPUT ${qln_generated}/qln-cli.bash
    COMMAND ${CMAKE_COMMAND} -E make_directory ${qln_generated}
    COMMAND $<TARGET_FILE:qln-cli> --bash-completion > ${qln_generated}/qln-cli.bash
    DEPENDS qln-cli
    VERBATIM)
  add_custom_target(qln_install_files ALL DEPENDS ${qln_compressed} ${qln_generated}/qln-cli.bash)

  foreach(page ${qln_man_pages})
    get_filename_component(name ${page} NAME)
    install(FILES ${qln_generated}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  install(FILES ${qln_generated}/qln-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME qln-cli)
  install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${qln_generated}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qln)
endif()

# --- Packages -------------------------------------------------------------------------------------
set(CPACK_PACKAGE_NAME qln)
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_CONTACT "The Quillon developers <support@quillon.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "change, find and list the text of many CAD drawings at once")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillon.example.org/")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

# Debian: `./qln-dev package` makes qln_VERSION_ARCH.deb. Its library dependencies come from
# dpkg-shlibdeps (the Qt 6 runtime); the platform plugins that let the windows open are not linked,
# so they are named here.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QLN_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# The long description; CPack puts the summary before it as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillon works on the text of whole sets of CAD drawings: it applies template
files (which text to select, and the commands to run on it: case changes,
delete, clear, find and replace) to many drawings at once, searches drawings
for a phrase, and lists the text of a drawing as a web page. Its built-in DXF
host opens and saves DXF drawings itself, losslessly.

This package holds the desktop program qln and the command-line tool qln-cli.")
# The programs run from /usr; the per-user files (logs, settings) are the user's and stay on removal.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# Windows: an NSIS installer (docs/windows-installer.md), made on Windows with `cpack -G NSIS`. The
# compiler's runtime DLLs come from InstallRequiredSystemLibraries (MSVC) and windeployqt gathers the
# Qt DLLs and plugins the programs load into bin\ at install time, so the installer carries them.
if(WIN32)
  set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
  include(InstallRequiredSystemLibraries)
  find_program(QLN_WINDEPLOYQT windeployqt HINTS ${Qt6_DIR}/../../../bin)
  if(QLN_WINDEPLOYQT)
    # The installed programs, quoted for the install script (the prefix may hold blanks).
    set(qln_deployed)
    foreach(program ${qln_programs})
      string(APPEND qln_deployed " \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}.exe\"")
    endforeach()
    # MinGW's runtime (libstdc++, libgcc, winpthread) is what windeployqt's compiler runtime brings.
    set(qln_runtime --no-compiler-runtime)
    if(MINGW)
      set(qln_runtime --compiler-runtime)
    endif()
    install(CODE "execute_process(COMMAND \"${QLN_WINDEPLOYQT}\" --release --no-translations ${qln_runtime}
                   ${qln_deployed} COMMAND_ERROR_IS_FATAL ANY)")
  else()
    message(WARNING "windeployqt not found next to Qt: the installer would lack the Qt DLLs")
  endif()
  set(CPACK_GENERATOR NSIS)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Quillon)
  # The start-menu entry "Quillon" runs bin\qln.exe.
  set(CPACK_PACKAGE_EXECUTABLES qln Quillon)
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
  set(CPACK_NSIS_DISPLAY_NAME "Quillon ${PROJECT_VERSION}")
  set(CPACK_NSIS_PACKAGE_NAME Quillon)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/data/icons/${QLN_APP_ID}.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/data/icons/${QLN_APP_ID}.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\qln.exe")
  set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
  set(CPACK_NSIS_CONTACT support@quillon.example.org)
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # Offers to put bin\ on PATH, for qln-cli.
  set(CPACK_NSIS_MODIFY_PATH ON)
else()
  set(CPACK_GENERATOR DEB)
endif()

include(CPack)
