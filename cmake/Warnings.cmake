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
    if(TARVOLIN_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
