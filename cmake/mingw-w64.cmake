# Cross-compiling for 64-bit Windows with Debian's mingw-w64 toolchain (package mingw-w64).
#
#   cmake -S . -B build-win --toolchain cmake/mingw-w64.cmake -DKDIMPORT_BUILD_APP=OFF
#
# The programs are linked statically (C and C++ runtime, winpthread), so each .exe runs on its
# own: copied into a folder on a Windows desktop, or started under Wine. When wine64 is
# installed, CMake runs the test programs through it (test discovery, ctest).
#
# Libraries built for Windows (GoogleTest) are found under KDIMPORT_MINGW_PREFIX, a folder
# given on the command line or in the environment.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KDIMPORT_MINGW_TRIPLET x86_64-w64-mingw32)

# The "posix" flavour of the compiler has the full C++ thread library; the plain name is the
# fallback on systems that ship only one flavour.
find_program(CMAKE_C_COMPILER NAMES ${KDIMPORT_MINGW_TRIPLET}-gcc-posix
                                    ${KDIMPORT_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KDIMPORT_MINGW_TRIPLET}-g++-posix
                                      ${KDIMPORT_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KDIMPORT_MINGW_TRIPLET}-windres)

if(NOT KDIMPORT_MINGW_PREFIX AND DEFINED ENV{KDIMPORT_MINGW_PREFIX})
  set(KDIMPORT_MINGW_PREFIX "$ENV{KDIMPORT_MINGW_PREFIX}")
endif()
# Passed on to the test compilations that try_compile runs with this toolchain file.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KDIMPORT_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${KDIMPORT_MINGW_TRIPLET} ${KDIMPORT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the Windows programs that the build and ctest start. Debian installs the 64-bit
# loader outside the PATH.
find_program(KDIMPORT_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KDIMPORT_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KDIMPORT_WINE64})
endif()
