# Packages, made with cpack from the build folder:
#   cpack -G DEB                          the Debian package
#   cpack --config CPackSourceConfig.cmake  the source release
# Every package carries the licence. The Debian package is laid out as
# Debian's policy asks (see debian-layout.cmake) so that lintian passes it.

set(CPACK_PACKAGE_VENDOR "tapewright")
set(CPACK_PACKAGE_CONTACT
    "tapewright maintainers <maintainers@users.noreply.c-seed-77ce82ac.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Package managers show this as it is written: keep the lines short.
set(CPACK_PACKAGE_DESCRIPTION
    "tapewright turns a text listing of octal numbers (load addresses, data
words, comments and a start statement) into a paper-tape image that a
DEC PDP-1 loads in its read-in mode, or prints the words it would punch.
It is for people who bring old programs back to life on real machines
and in simulators such as simh's pdp1, and for the build scripts that
call it.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

# The Debian package. Its revision, 1, is the first packaging of this
# version; cmake/debian/changelog must have an entry for it.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Checked when cpack runs, not here: the tools may be installed after
# configuring.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-checks.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian-layout.cmake
                            ${PROJECT_SOURCE_DIR}/cmake/package-modes.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/archive-order.cmake
                             ${PROJECT_SOURCE_DIR}/cmake/debian-size.cmake)
set(CPACK_TAPEWRIGHT_CMAKE ${CMAKE_COMMAND})
foreach(tool dpkg-shlibdeps file)
  find_program(tool_path ${tool})
  if(NOT tool_path)
    message(STATUS "${tool} not found: cpack -G DEB will stop "
                   "(apt-get install dpkg-dev file)")
  endif()
  unset(tool_path CACHE)
endforeach()

# Debian wants the licence as its copyright file, in a form that tools
# can read; it is made from LICENSE so that the two cannot drift apart.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(Permission is hereby granted.*)$")
  message(FATAL_ERROR "LICENSE: no copyright line followed by the MIT licence")
endif()
set(copyright_holders "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" licence_terms)
# Each line of the licence indented by one blank; a blank line becomes " .".
string(REPLACE "\n\n" "\n.\n" licence_terms "${licence_terms}")
string(REPLACE "\n" "\n " licence_terms "${licence_terms}")
file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${PROJECT_NAME}

Files: *
Copyright: ${copyright_holders}
License: Expat

License: Expat
 ${licence_terms}
")
configure_file(cmake/debian/changelog ${PROJECT_BINARY_DIR}/debian/changelog
               @ONLY)
configure_file(cmake/debian/lintian-overrides
               ${PROJECT_BINARY_DIR}/debian/lintian-overrides COPYONLY)
# For the scripts that cpack runs, which see only CPACK_ variables.
set(CPACK_TAPEWRIGHT_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
set(CPACK_TAPEWRIGHT_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_TAPEWRIGHT_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_TAPEWRIGHT_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_TAPEWRIGHT_STRIP ${CMAKE_STRIP})
# The package is for the machine the compiler builds for, which is not
# this one in a cross build: cpack-checks.cmake asks dpkg-architecture
# for its Debian name (arm64 for aarch64-linux-gnu).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
                OUTPUT_VARIABLE CPACK_TAPEWRIGHT_TARGET
                OUTPUT_STRIP_TRAILING_WHITESPACE)
# Where to find the time of the source the packages are made from.
set(CPACK_TAPEWRIGHT_SOURCE_DIR ${PROJECT_SOURCE_DIR})

# The source release, tapewright-VERSION.tar.gz: the tree as it is
# tracked, without build folders, version-control files, editor and
# scratch files, or packages and tapes made from it.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
# The patterns are regular expressions on whole paths: anchor them at the
# source folder, which may itself live under a folder called build.
string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" source_dir
       "${PROJECT_SOURCE_DIR}")
string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" binary_dir
       "${PROJECT_BINARY_DIR}")
set(ignored
    "^${binary_dir}/"
    "^${source_dir}/build[^/]*/"
    "^${source_dir}/_CPack_Packages/"
    "/\\.git(/|$)"
    "/\\.git(ignore|attributes|modules)$"
    "/\\.(vscode|idea|cache)/"
    "~$"
    "/#[^/]*#$"
    "/\\.#"
    "\\.sw[a-z]$"
    "/\\.DS_Store$"
    "\\.(orig|rej|bak|tmp|rim|deb|tar\\.gz|zip)$"
    "/(core|perf\\.data[^/]*|compile_commands\\.json)$")
# CPack writes the list into its configuration as a string, where each
# backslash needs another.
string(REPLACE "\\" "\\\\" CPACK_SOURCE_IGNORE_FILES "${ignored}")
set(CPACK_TAPEWRIGHT_SOURCE_IGNORE "${CPACK_SOURCE_IGNORE_FILES}")
include(CPack)
