# Run by cpack after installing into its staging folder and before
# making the package. For the Debian package it does what Debian's
# packaging tools would: the licence becomes the copyright file, the
# changelog and the manual page are compressed (gzip -9n, without names or
# times, so that the package is the same from one build to the next), the
# executable loses the compiler's notes, as dh_strip removes them, and
# lintian finds the tags the package means to carry, each with its reason.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/${CPACK_TAPEWRIGHT_DOCDIR}")
set(man "${root}/${CPACK_TAPEWRIGHT_MANDIR}/man1")
set(overrides "${root}/share/lintian/overrides")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "debian-layout: '${ARGN}' failed: ${status}")
  endif()
endfunction()

file(REMOVE "${doc}/LICENSE")
file(MAKE_DIRECTORY "${overrides}")
file(COPY_FILE "${CPACK_TAPEWRIGHT_DEBIAN_DIR}/copyright" "${doc}/copyright")
file(COPY_FILE "${CPACK_TAPEWRIGHT_DEBIAN_DIR}/changelog" "${doc}/changelog.Debian")
run(${CPACK_TAPEWRIGHT_GZIP} -9nf "${doc}/changelog.Debian")
run(${CPACK_TAPEWRIGHT_GZIP} -9nf "${man}/tapewright.1")
file(COPY_FILE "${CPACK_TAPEWRIGHT_DEBIAN_DIR}/lintian-overrides"
     "${overrides}/tapewright")
file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz" "${man}/tapewright.1.gz"
     "${overrides}/tapewright" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

if(CPACK_TAPEWRIGHT_STRIP)
  run(${CPACK_TAPEWRIGHT_STRIP} --remove-section=.comment --remove-section=.note
      "${root}/${CPACK_TAPEWRIGHT_BINDIR}/tapewright")
endif()
