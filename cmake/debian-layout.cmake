# Run by cpack after installing into its staging folder and before
# making the package. For the Debian package it does what Debian's
# packaging tools would: the licence becomes the copyright file, the
# changelog and the manual pages are compressed (gzip -9n, without names or
# times, so that the package is the same from one build to the next), the
# programs lose the compiler's notes, as dh_strip removes them, and
# lintian finds the tags the package means to carry, each with its reason.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/${CPACK_TAPEWRIGHT_DOCDIR}")
set(man "${root}/${CPACK_TAPEWRIGHT_MANDIR}/man1")
set(overrides "${root}/share/lintian/overrides")

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

string(TOLOWER "${CPACK_PACKAGE_NAME}" package)

file(REMOVE "${doc}/LICENSE")
file(MAKE_DIRECTORY "${overrides}")
file(COPY_FILE "${CPACK_TAPEWRIGHT_DEBIAN_DIR}/copyright" "${doc}/copyright")
file(COPY_FILE "${CPACK_TAPEWRIGHT_DEBIAN_DIR}/changelog" "${doc}/changelog.Debian")
file(COPY_FILE "${CPACK_TAPEWRIGHT_DEBIAN_DIR}/lintian-overrides"
     "${overrides}/${package}")
# Every manual page, whichever programs the package has.
file(GLOB pages "${man}/*.1")
set(compressed "${doc}/changelog.Debian.gz")
foreach(page IN LISTS pages)
  list(APPEND compressed "${page}.gz")
endforeach()
run(${CPACK_TAPEWRIGHT_GZIP} -9nf "${doc}/changelog.Debian" ${pages})
file(CHMOD "${doc}/copyright" ${compressed} "${overrides}/${package}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

file(GLOB programs "${root}/${CPACK_TAPEWRIGHT_BINDIR}/*")
if(CPACK_TAPEWRIGHT_STRIP AND programs)
  run(${CPACK_TAPEWRIGHT_STRIP} --remove-section=.comment --remove-section=.note
      ${programs})
endif()
