# The browser: Debian's emscripten with threads everywhere, since the library runs its renderer on a
# thread there (-sPROXY_TO_PTHREAD) and wasm links no object built without them into such a program.
# Libraries under CMAKE_PREFIX_PATH (such as the prefix that scripts/deps web prints) count as the
# target's own. emcc needs NODE_PATH=/usr/share/nodejs in the environment, when building too.

# node runs the programs that CMake runs while configuring (emscripten's CheckTypeSize does, to read
# a size from the exit status); node 18 and later need the flag to read the wasm file beside them.
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-experimental-fetch)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(CMAKE_C_FLAGS_INIT -pthread)
set(CMAKE_CXX_FLAGS_INIT -pthread)
set(CMAKE_EXE_LINKER_FLAGS_INIT -pthread)

# First, so that they win over emscripten's own (its GL/glu.h, for one).
list(PREPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
# pkg-config finds the target's files only: CMake adds CMAKE_PREFIX_PATH's, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${EMSCRIPTEN_SYSROOT}/lib/pkgconfig)
