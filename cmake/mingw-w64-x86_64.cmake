# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads flavour).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZOL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${ZOL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZOL_MINGW_PREFIX}-windres)
set(ZOL_WIDL           ${ZOL_MINGW_PREFIX}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${ZOL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# CTest runs the Windows test programs under Wine through this wrapper (display, prefix,
# working directory, reset afterwards; the 32-bit build's through scripts/with-wine32.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test.sh)
