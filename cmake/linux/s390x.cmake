# IBM Z, a big-endian 64-bit machine: Debian for s390x
# (g++-s390x-linux-gnu).
set(tapewright_triple s390x-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR s390x)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
