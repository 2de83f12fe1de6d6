# Read by cpack once for each package it makes, with CPACK_GENERATOR
# naming that package's generator.

# The same source makes the same packages, byte for byte: cpack stamps
# every file in a .deb, ZIP or tarball with SOURCE_DATE_EPOCH rather than
# its time on disk. Unless it is set, that is the time of the commit
# checked out or, in a source release without .git, of the newest file
# the release holds. The source release stamps its files with the time it
# was made from, so a release unpacked and built again gets that time.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(dir "${CPACK_TAPEWRIGHT_SOURCE_DIR}")
  set(epoch "")
  if(EXISTS "${dir}/.git")
    execute_process(COMMAND git -C "${dir}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
    if(NOT epoch MATCHES "^[0-9]+$")
      message(STATUS "${dir}/.git is there but git cannot read the commit's "
              "time: the packages take the newest file's time instead")
      set(epoch "")
    endif()
  endif()
  if(epoch STREQUAL "")
    set(epoch 0)
    file(GLOB_RECURSE files LIST_DIRECTORIES false "${dir}/*")
    foreach(file IN LISTS files)
      foreach(pattern IN LISTS CPACK_TAPEWRIGHT_SOURCE_IGNORE)
        if(file MATCHES "${pattern}")
          set(file "")
          break()
        endif()
      endforeach()
      if(NOT file STREQUAL "")
        file(TIMESTAMP "${file}" time "%s" UTC)
        if(time GREATER epoch)
          set(epoch ${time})
        endif()
      endif()
    endforeach()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
# A ZIP keeps each file's time as local time: make it the same everywhere.
set(ENV{TZ} UTC)

if(CPACK_GENERATOR STREQUAL "DEB")
  # Without dpkg-shlibdeps cpack would still make a package, but one with
  # no Depends line, which installs where it cannot run; without file it
  # fails with a message that names neither. gzip compresses the manual
  # page and the changelog. The tools are looked up as cpack looks them
  # up: a program is a file that may be executed.
  cmake_policy(PUSH)
  cmake_policy(SET CMP0109 NEW)
  foreach(tool dpkg-shlibdeps dpkg-architecture dpkg-deb file gzip)
    find_program(tool_path ${tool})
    if(NOT tool_path)
      message(FATAL_ERROR "cpack -G DEB stops: ${tool} is not installed, and "
              "without it the package cannot be made complete. Install it "
              "(apt-get install dpkg-dev file gzip) and run cpack again.")
    endif()
    string(TOUPPER "CPACK_TAPEWRIGHT_${tool}" name)
    string(REPLACE "-" "_" name "${name}")
    set(${name} "${tool_path}")
    unset(tool_path CACHE)
  endforeach()
  cmake_policy(POP)

  # The package is for the machine the compiler built for, which in a
  # cross build is not the one cpack runs on.
  if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    execute_process(COMMAND ${CPACK_TAPEWRIGHT_DPKG_ARCHITECTURE}
                    -t "${CPACK_TAPEWRIGHT_TARGET}" -qDEB_HOST_ARCH
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                    OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_VARIABLE error RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR CPACK_DEBIAN_PACKAGE_ARCHITECTURE STREQUAL "")
      message(FATAL_ERROR "cpack -G DEB stops: Debian has no architecture for "
              "the compiler's target '${CPACK_TAPEWRIGHT_TARGET}': ${error}")
    endif()
  endif()

  # The package's version must be the changelog's latest entry.
  file(STRINGS ${CPACK_TAPEWRIGHT_DEBIAN_DIR}/changelog latest LIMIT_COUNT 1)
  set(version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
  if(NOT latest MATCHES "^tapewright \\(([^)]*)\\)" OR
     NOT CMAKE_MATCH_1 STREQUAL version)
    message(FATAL_ERROR "cmake/debian/changelog has no entry for ${version} "
            "at the top: add one")
  endif()
endif()
