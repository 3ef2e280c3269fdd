# Windows, 64-bit: Debian's MinGW-w64 with POSIX threads (std::thread, mutexes, condition variables),
# programs linked statically so that they need no DLL beyond Windows' own. Libraries under
# CMAKE_PREFIX_PATH (such as the prefix that scripts/deps win64 prints) count as the target's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Debian's MinGW zlib also comes as an import library of a DLL that Windows does not have.
set(ZLIB_USE_STATIC_LIBS ON)

# CMAKE_PREFIX_PATH first, so that its libraries win over MinGW's.
set(CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config finds the target's files only: CMake adds CMAKE_PREFIX_PATH's, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/x86_64-w64-mingw32/lib/pkgconfig)
