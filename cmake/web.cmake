# Toolchain file for the web build: the same CMake tree, compiled to WebAssembly by Debian's
# emscripten, against the libraries tools/web-deps builds from Debian's source packages.
#
#   cmake -S . -B OUT -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/web.cmake -DTAV_WEB_PREFIX=PREFIX
#
# TAV_WEB_PREFIX is the folder tools/web-deps prints (it may also come from the environment).
# tools/build-web does all of this.

if(NOT TAV_WEB_PREFIX)
  set(TAV_WEB_PREFIX "$ENV{TAV_WEB_PREFIX}")
endif()
if(NOT TAV_WEB_PREFIX OR NOT EXISTS "${TAV_WEB_PREFIX}/lib/libfreetype.a")
  message(FATAL_ERROR "TAV_WEB_PREFIX must name the folder that tools/web-deps prints")
endif()
# try_compile projects read this file again in their own folders: hand the prefix on to them.
set(TAV_WEB_PREFIX "${TAV_WEB_PREFIX}" CACHE PATH "the libraries built by tools/web-deps")
if(NOT TAV_WEB_STUBS)
  set(TAV_WEB_STUBS "${CMAKE_BINARY_DIR}/web-stubs" CACHE PATH "placeholders the web build needs")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAV_WEB_PREFIX TAV_WEB_STUBS)

# CMake's checks, the build's own tools (the demo's views) and the tests run the programs through
# node with the flags that cmake/run-under-node explains (emscripten's own choice of flag is one
# node 20 rejects, and then the type-size checks fail without a word).
find_program(TAV_NODE NAMES node nodejs REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/run-under-node" CACHE STRING "" FORCE)

include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

list(APPEND CMAKE_FIND_ROOT_PATH "${TAV_WEB_PREFIX}")

# pkg-config must see only the web libraries, never the machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "${TAV_WEB_PREFIX}/lib/pkgconfig:${TAV_WEB_STUBS}/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# The libraries are static: each must bring the ones it needs itself (vorbisfile needs vorbis and
# ogg), which pkg-config lists only when asked for static linking.
set(PKG_CONFIG_ARGN --static CACHE STRING "" FORCE)
# fontconfig has no place on the web (the fonts will come from a fixed table): this empty entry
# only lets the tree configure, so that the compile shows what still reaches for it.
if(NOT EXISTS "${TAV_WEB_STUBS}/pkgconfig/fontconfig.pc")
  file(WRITE "${TAV_WEB_STUBS}/pkgconfig/fontconfig.pc"
    "Name: fontconfig\nDescription: placeholder: the web build has no fontconfig\nVersion: 0\nCflags:\nLibs:\n")
endif()

# Debian's emscripten finds its own JavaScript modules only through NODE_PATH, at compile and at
# link time; a launcher keeps the build folder usable from any shell.
set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(ENV{NODE_PATH} /usr/share/nodejs)

# The engine reports errors with exceptions; emscripten drops them unless asked at both steps.
# Growing memory: a game's pictures and music do not fit a fixed start size. For now programs
# are built to run under node with the real file system and exit code (NODERAWFS, EXIT_RUNTIME),
# as the command-line twin of the native program; the page will need its own link options.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions -sALLOW_MEMORY_GROWTH=1 -sNODERAWFS=1 -sEXIT_RUNTIME=1")
