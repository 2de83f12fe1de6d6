# Cross-builds for another Linux machine with Debian's cross compiler,
# g++-TRIPLE. Each machine's toolchain file beside this one sets
# tapewright_triple and the processor, then includes this file:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/linux/aarch64.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${tapewright_triple}-g++)
# GoogleTest, built from source for the tests, enables C as well; left to
# itself CMake would take the host's cc for it.
set(CMAKE_C_COMPILER ${tapewright_triple}-gcc)
set(CMAKE_STRIP ${tapewright_triple}-strip)

# Headers and libraries come from the cross compiler's own folder only;
# programs (groff, the simulators) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${tapewright_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
