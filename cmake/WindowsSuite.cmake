# windows_suite: the Windows side of the platform and everything that needs
# no window toolkit, cross-built with mingw-w64 and tested under Wine
# (tests/windows). Left out, with a message, where the tools are missing;
# tools/install-deps installs them.
set(tarvolin_windows_missing "")
find_program(TARVOLIN_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT TARVOLIN_MINGW_CXX)
  list(APPEND tarvolin_windows_missing "the mingw-w64 compiler (g++-mingw-w64-x86-64-posix)")
endif()
find_program(TARVOLIN_WINE64 NAMES wine64 PATHS /usr/lib/wine)
if(NOT TARVOLIN_WINE64)
  list(APPEND tarvolin_windows_missing "Wine (wine64)")
endif()
set(TARVOLIN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources, built for Windows by the Windows suite")
if(NOT EXISTS ${TARVOLIN_GOOGLETEST_SOURCE}/CMakeLists.txt)
  list(APPEND tarvolin_windows_missing "the GoogleTest sources (googletest)")
endif()

if(tarvolin_windows_missing)
  list(JOIN tarvolin_windows_missing ", " tarvolin_windows_missing)
  message(WARNING "The Windows suite (windows_suite) is left out: missing "
                  "${tarvolin_windows_missing}. tools/install-deps installs them.")
else()
  add_test(NAME windows_suite
           COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/run-suite ${CMAKE_BINARY_DIR}/windows
                   ${TARVOLIN_GOOGLETEST_SOURCE})
  # One Wine prefix for the whole suite, and its cross build takes both
  # cores while it compiles.
  # It also builds what the tests below run: asking for one of them (ctest
  # -L conformance) runs it first.
  set_tests_properties(windows_suite PROPERTIES LABELS windows TIMEOUT 900 PROCESSORS 2
                       FIXTURES_SETUP windows_build)
  # The program itself under Wine on a display of its own, once the suite
  # has built it.
  add_test(NAME windows_e2e
           COMMAND ${PROJECT_SOURCE_DIR}/tests/display --tray
                   ${PROJECT_SOURCE_DIR}/tests/windows/e2e.sh ${CMAKE_BINARY_DIR}/windows/bin)
  set_tests_properties(windows_e2e PROPERTIES LABELS "windows;e2e" TIMEOUT 300
                       FIXTURES_REQUIRED windows_build)
  # The conformance scenarios against the Win32 bar, built by the suite.
  add_test(NAME conformance_win32
           COMMAND ${PROJECT_SOURCE_DIR}/tests/display --tray
                   ${PROJECT_SOURCE_DIR}/tests/windows/conformance.sh ${CMAKE_BINARY_DIR}/windows/bin)
  set_tests_properties(conformance_win32 PROPERTIES LABELS "windows;conformance" TIMEOUT 300
                       FIXTURES_REQUIRED windows_build)
endif()
