# 64-bit ARM: a Raspberry Pi 3, 4 or 5 on Raspberry Pi OS or Debian for arm64
# (g++-aarch64-linux-gnu).
set(tapewright_triple aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
