# 32-bit ARM with hardware floating point: Raspberry Pi OS or Debian for armhf
# (g++-arm-linux-gnueabihf).
set(tapewright_triple arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR arm)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
