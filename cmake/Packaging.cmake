# Install rules and packages.
#
# `cmake --install build --prefix /usr` (and the .deb) installs the program
# for every user of the machine (component "system"):
#   bin/tarvolin                     the launcher
#   lib/tarvolin/                    libtarvolin-bar.so, libtarvolin_apps.so,
#                                    libtarvolin_calc.so (and with
#                                    TARVOLIN_SYSTEM_ONLINE libtarvolin_http.so)
#   share/tarvolin/                  ReadMe.txt, Changelog.txt
#   share/applications, share/icons  the menu entry and its 48x48 icon
#   share/man/man1/tarvolin.1.gz, share/doc/tarvolin/ (copyright, changelog.gz)
# The launcher finds the bar at ../lib/tarvolin, the bar its documents at
# ../../share/tarvolin; each user's tv.ini and files.cfg live in
# $XDG_CONFIG_HOME/tarvolin. Nothing else is installed: no files.cfg, no
# autostart entry.
#
# `cmake --install build --component portable --prefix DIR` lays out a
# portable program folder instead: the launcher, the bar, the module, the
# documents and an empty files.cfg, all in DIR, where the program then keeps
# tv.ini and files.cfg.
#
# `cpack` in the build folder makes tarvolin-<version>-Linux.tar.gz (the
# portable folder) and tarvolin_<version>_<arch>.deb (the system layout under
# /usr).
#
# CPack reads this file again for each generator (CPACK_PROJECT_CONFIG_FILE);
# then only the first block runs: it says which component goes where.
if(DEFINED CPACK_TARVOLIN_BUILD_DIR)
  if(CPACK_GENERATOR STREQUAL "DEB")
    if(NOT CPACK_TARVOLIN_CHANGELOG_VERSION STREQUAL CPACK_PACKAGE_VERSION)
      message(FATAL_ERROR "packaging/changelog ends at version "
              "'${CPACK_TARVOLIN_CHANGELOG_VERSION}', the project is at "
              "${CPACK_PACKAGE_VERSION}: add an entry for it.")
    endif()
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_TARVOLIN_BUILD_DIR};Tarvolin;system;/")
  else()
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_TARVOLIN_BUILD_DIR};Tarvolin;portable;/")
  endif()
  return()
endif()

# The launcher and the socket it talks over are POSIX: no packages elsewhere.
if(NOT TARGET tarvolin)
  return()
endif()

# Fortified C library calls, as Debian builds its own packages
# (dpkg-buildflags), in every optimized build of the program's code: what is
# tested is what is packaged. A Debug build has no optimizer for glibc's
# checks to work with.
get_property(program_targets DIRECTORY ${PROJECT_SOURCE_DIR}/src PROPERTY BUILDSYSTEM_TARGETS)
foreach(target IN LISTS program_targets)
  target_compile_definitions(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endforeach()

# The manual page and the package's changelog go compressed, without a time
# stamp in the gzip header, so the same sources make the same files.
find_program(TARVOLIN_GZIP gzip REQUIRED)
set(generated ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(
  OUTPUT ${generated}/tarvolin.1.gz ${generated}/changelog.gz
  # Only some generators make an output's folder themselves.
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/tarvolin.1
          ${PROJECT_SOURCE_DIR}/packaging/changelog ${generated}
  COMMAND ${TARVOLIN_GZIP} -9nf ${generated}/tarvolin.1 ${generated}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/tarvolin.1 ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(tarvolin_package_documents ALL
                  DEPENDS ${generated}/tarvolin.1.gz ${generated}/changelog.gz)

# A program installed from a package is updated by the package manager and
# does not call home on its own: the system layout leaves out the HTTP module,
# and with it the update check and the usage report, unless this is on. The
# portable folder keeps both.
option(TARVOLIN_SYSTEM_ONLINE "Update check and usage report in the system layout (.deb)" OFF)
install(TARGETS tarvolin DESTINATION bin COMPONENT system)
install(TARGETS tarvolin-bar tarvolin_apps tarvolin_calc DESTINATION lib/tarvolin COMPONENT system)
if(TARVOLIN_SYSTEM_ONLINE)
  install(TARGETS tarvolin_http DESTINATION lib/tarvolin COMPONENT system)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/docs/ReadMe.txt ${PROJECT_SOURCE_DIR}/docs/Changelog.txt
        DESTINATION share/tarvolin COMPONENT system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvolin.desktop
        DESTINATION share/applications COMPONENT system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvolin.png
        DESTINATION share/icons/hicolor/48x48/apps COMPONENT system)
install(FILES ${generated}/tarvolin.1.gz DESTINATION share/man/man1 COMPONENT system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${generated}/changelog.gz
        DESTINATION share/doc/tarvolin COMPONENT system)

install(TARGETS tarvolin tarvolin-bar tarvolin_http tarvolin_apps tarvolin_calc DESTINATION .
        COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/docs/ReadMe.txt ${PROJECT_SOURCE_DIR}/docs/Changelog.txt
        DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
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
]] COMPONENT portable EXCLUDE_FROM_ALL)

# The version named in packaging/changelog, which the .deb must match.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_top LIMIT_COUNT 1)
string(REGEX REPLACE "^tarvolin \\(([^)]*)\\).*" "\\1" CPACK_TARVOLIN_CHANGELOG_VERSION
       "${changelog_top}")

set(TARVOLIN_MAINTAINER "Tarvolin developers <tarvolin@tarvolin.invalid>" CACHE STRING
    "Maintainer field of the .deb")
set(CPACK_PACKAGE_NAME tarvolin)
set(CPACK_PACKAGE_VENDOR Tarvolin)
set(CPACK_PACKAGE_CONTACT ${TARVOLIN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small command bar in place of the desktop's run box")
set(CPACK_PACKAGE_DESCRIPTION "A borderless, always-on-top strip with one text box in a corner of the
screen: type a quickcommand (a word of your own for a file, a folder or a
web address), a web address, a drive path or a program with its arguments,
and press Enter. Tab completes, Up and Down step through the last commands,
and on X11 a hotkey (Ctrl+Alt+Space unless tv.ini names another) brings the
bar to the front. Each user's settings and quickcommands live in
~/.config/tarvolin.")
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin is a package of its own, only recommended by
# Qt's libraries: an install without recommendations would not start.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The dialogs' face (without it the desktop's own stands in, and some
# captions are cut short); xdg-open, which opens web addresses, documents
# and folders; and Qt's Wayland plugin, which a session without an X server
# needs for the bar to show at all.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, xdg-utils, qt6-wayland")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_FILE})
set(CPACK_TARVOLIN_BUILD_DIR ${CMAKE_BINARY_DIR})
include(CPack)
