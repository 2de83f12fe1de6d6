# 32-bit x86: Debian for i386
# (g++-i686-linux-gnu).
set(tapewright_triple i686-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
