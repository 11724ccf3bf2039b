# Cross-build for 32-bit Windows with mingw-w64 (i686, posix thread model).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SHELFMATE_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
