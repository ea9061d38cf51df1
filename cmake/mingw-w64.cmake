# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix; the
# posix flavour gives std::thread and friends). Executables are linked statically so they run
# without the compiler's runtime DLLs, under Wine or on any Windows.
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESTREL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESTREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESTREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VESTREL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VESTREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and tools built here run under Wine (Debian's wine64 keeps its loader out of PATH), in a
# prefix of the build folder's own, so a clean clone run as any user needs nothing from $HOME.
# No Mono or Gecko is wanted, and Wine's own debug channels stay quiet.
find_program(VESTREL_WINE_LOADER NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VESTREL_WINE_LOADER)
  find_program(VESTREL_WINE_LOADER NAMES wine64 wine)
endif()
find_program(VESTREL_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VESTREL_WINESERVER)
  find_program(VESTREL_WINESERVER NAMES wineserver)
endif()
set(VESTREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(VESTREL_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${VESTREL_WINEPREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${VESTREL_WINE_LOADER})
endif()
