# The portable zip and the installer (packaging/windows/tarvolin.nsi), where
# NSIS is installed; tools/build-windows makes them, and the end-to-end case
# installs and uninstalls the installer under Wine.
set(TARVOLIN_PACKAGE_BASE ${CMAKE_BINARY_DIR}/tarvolin-${PROJECT_VERSION})
set(stage ${CMAKE_BINARY_DIR}/zip-stage)
add_custom_command(
  OUTPUT ${TARVOLIN_PACKAGE_BASE}-win64.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/Tarvolin
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tarvolin> ${PROJECT_SOURCE_DIR}/docs/ReadMe.txt
          ${PROJECT_SOURCE_DIR}/docs/Changelog.txt $<TARGET_FILE_DIR:tarvolin>/muParser-LICENSE.txt
          ${stage}/Tarvolin/
  # An empty files.cfg: the copy keeps its settings in its own folder.
  COMMAND ${CMAKE_COMMAND} -E touch ${stage}/Tarvolin/files.cfg
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
          ${CMAKE_COMMAND} -E tar cf ${TARVOLIN_PACKAGE_BASE}-win64.zip --format=zip Tarvolin
  DEPENDS tarvolin ${PROJECT_SOURCE_DIR}/docs/ReadMe.txt ${PROJECT_SOURCE_DIR}/docs/Changelog.txt
  VERBATIM)
set(packages ${TARVOLIN_PACKAGE_BASE}-win64.zip)
find_program(TARVOLIN_MAKENSIS makensis)
if(TARVOLIN_MAKENSIS)
  add_custom_command(
    OUTPUT ${TARVOLIN_PACKAGE_BASE}-setup.exe
    COMMAND ${TARVOLIN_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION}
            -DPROGRAM=${CMAKE_BINARY_DIR}/bin -DICON=${PROJECT_SOURCE_DIR}/packaging/tarvolin.ico
            -DOUTFILE=${TARVOLIN_PACKAGE_BASE}-setup.exe
            ${PROJECT_SOURCE_DIR}/packaging/windows/tarvolin.nsi
    DEPENDS tarvolin ${PROJECT_SOURCE_DIR}/packaging/windows/tarvolin.nsi
    VERBATIM)
  list(APPEND packages ${TARVOLIN_PACKAGE_BASE}-setup.exe)
else()
  message(WARNING "makensis (nsis) is missing: no installer. tools/install-deps installs it.")
endif()
add_custom_target(windows_packages ALL DEPENDS ${packages})
