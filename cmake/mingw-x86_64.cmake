# Cross-build for 64-bit Windows with mingw-w64 (x86_64, posix thread model).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SHELFMATE_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
