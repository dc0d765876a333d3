# Strong warnings on every target of ours; errors only where asked for
# (.ci/run turns them on), so a newer compiler's new warning does not break
# a user's build.
option(TARVOLIN_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

function(tarvolin_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                              -Wno-sign-conversion)
    # GCC 12 reports a false -Wrestrict inside libstdc++'s string code at
    # -O3 (GCC bug 105651), so the standard Release build would fail.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(TARVOLIN_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
