# Run by cpack after it has made each package. cpack writes a ZIP's or a
# tarball's files in the order its staging folder lists them, which the
# file system decides (ext4 orders names by a hash seeded per file
# system, tmpfs lists the newest first), so the same source gave
# archives in another order on another machine. The archive is written
# again from the staging folder with its files sorted by name; cmake's
# tar, like cpack, dates them from SOURCE_DATE_EPOCH, and a ZIP's times
# are in UTC as cpack-checks.cmake set. The .deb's files cpack sorts
# itself.

if(NOT CPACK_GENERATOR MATCHES "^(TGZ|ZIP)$")
  return()
endif()

set(top "${CPACK_TOPLEVEL_DIRECTORY}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${top}"
     "${CPACK_TEMPORARY_DIRECTORY}/*")
list(SORT files)
list(JOIN files "\n" listing)
file(WRITE "${top}/archive-order" "${listing}\n")

if(CPACK_GENERATOR STREQUAL "ZIP")
  set(mode cf)
  set(format --format=zip)
else()
  set(mode czf)
  set(format "")
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_TAPEWRIGHT_CMAKE} -E tar ${mode} "${package}.sorted"
                          ${format} --files-from=archive-order
                  WORKING_DIRECTORY "${top}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "archive-order: ${package} could not be written "
            "again in order: ${status}")
  endif()
  file(RENAME "${package}.sorted" "${package}")
endforeach()
