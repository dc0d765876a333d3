# Install rules and packages.
#
# `cmake --install build --prefix DIR` lays out a portable program folder:
# the executable, ReadMe.txt, Changelog.txt and an empty files.cfg (component
# "program"). The launcher, the .desktop entry and the icon (component
# "desktop") go only into the .deb: /usr/bin/tarvolin starts
# /opt/tarvolin/tarvolin.
#
# `cpack` in the build folder makes tarvolin-<version>-Linux.tar.gz (that
# folder) and tarvolin_<version>_<arch>.deb (that folder under /opt/tarvolin,
# plus the desktop component).
#
# CPack reads this file again for each generator (CPACK_PROJECT_CONFIG_FILE);
# then only the first block runs: it says which component goes where.
if(DEFINED CPACK_TARVOLIN_BUILD_DIR)
  if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /)
    set(CPACK_INSTALL_CMAKE_PROJECTS
        "${CPACK_TARVOLIN_BUILD_DIR};Tarvolin;program;/opt/tarvolin"
        "${CPACK_TARVOLIN_BUILD_DIR};Tarvolin;desktop;/")
  else()
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_TARVOLIN_BUILD_DIR};Tarvolin;program;/")
  endif()
  return()
endif()

install(TARGETS tarvolin RUNTIME DESTINATION . COMPONENT program)
# The HTTP client, loaded beside the program at its first online tick.
install(TARGETS tarvolin_http LIBRARY DESTINATION . COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/docs/ReadMe.txt ${PROJECT_SOURCE_DIR}/docs/Changelog.txt
        DESTINATION . COMPONENT program)
# An empty files.cfg is two empty lines, CR LF CR LF. Installing over a folder
# in use keeps the quickcommands already there.
install(CODE [[
  set(cfg "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/files.cfg")
  if(NOT EXISTS "${cfg}")
    message(STATUS "Installing: ${cfg}")
    file(WRITE "${cfg}" "\r\n\r\n")
  else()
    message(STATUS "Up-to-date: ${cfg} (kept)")
  endif()
]] COMPONENT program)

install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/tarvolin.sh DESTINATION usr/bin
        RENAME tarvolin COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvolin.desktop
        DESTINATION usr/share/applications COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvolin.png
        DESTINATION usr/share/icons/hicolor/48x48/apps COMPONENT desktop EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME tarvolin)
set(CPACK_PACKAGE_VENDOR Tarvolin)
set(CPACK_PACKAGE_CONTACT "Tarvolin <tarvolin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Small command bar in place of the system's run box")
set(CPACK_PACKAGE_DESCRIPTION "A borderless, always-on-top strip with one text box in a corner of
the screen: type a quickcommand, a web address, a drive path or a program name
and press Enter. The program keeps tv.ini and files.cfg in /opt/tarvolin.")
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialogs' face; without it the desktop's own stands in, and some
# captions are cut short.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)
# files.cfg holds the user's quickcommands: as a conffile it survives an
# upgrade and a removal (only a purge deletes it).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_FILE})
set(CPACK_TARVOLIN_BUILD_DIR ${CMAKE_BINARY_DIR})
include(CPack)
