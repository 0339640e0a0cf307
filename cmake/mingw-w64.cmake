# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOL_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOL_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOL_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOL_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOL_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run through Wine, headless even where a display is set;
# tools/wine-run sets the prefix and quiets Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINE_DISPLAY_DRIVER=null ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
