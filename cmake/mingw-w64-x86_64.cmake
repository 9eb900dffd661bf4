# Cross build for 64-bit Windows with the MinGW-w64 POSIX-thread compilers; the test programs
# run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_hoverdeck_triple x86_64-w64-mingw32)
find_program(HOVERDECK_MINGW_CXX ${_hoverdeck_triple}-g++-posix)
find_program(HOVERDECK_MINGW_CC ${_hoverdeck_triple}-gcc-posix)
find_program(HOVERDECK_MINGW_RC ${_hoverdeck_triple}-windres)
foreach(tool HOVERDECK_MINGW_CXX HOVERDECK_MINGW_CC HOVERDECK_MINGW_RC)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool} not found: install the MinGW-w64 cross toolchain "
                        "(Debian: g++-mingw-w64-x86-64-posix, binutils-mingw-w64-x86-64)")
  endif()
endforeach()
set(CMAKE_CXX_COMPILER ${HOVERDECK_MINGW_CXX})
set(CMAKE_C_COMPILER ${HOVERDECK_MINGW_CC})
set(CMAKE_RC_COMPILER ${HOVERDECK_MINGW_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${_hoverdeck_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: no MinGW runtime DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(HOVERDECK_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(HOVERDECK_WINE64 NAMES wine64 wine)
if(HOVERDECK_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HOVERDECK_WINE64})
endif()
