# Cross build for 64-bit Windows with Debian's mingw-w64 compilers
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread
# and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVOLIN_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVOLIN_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVOLIN_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVOLIN_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVOLIN_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The run-time libraries (libstdc++, libgcc, winpthread) are linked in, so an
# executable runs without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
