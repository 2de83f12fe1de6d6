# Run by cpack after it has made each package. cpack counts a folder in
# the .deb's Installed-Size at its size on disk, which the file system
# decides (4 KiB on ext4, a few bytes on tmpfs), so the same package came
# out with another Installed-Size where the build folder was in memory.
# The size is worked out again as dpkg-gencontrol does, each file
# rounded up to whole KiB and 1 KiB for each folder, and the package is
# built again around it by dpkg-deb, which dates its files from
# SOURCE_DATE_EPOCH, sorts them and makes root their owner.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  set(tree "${CPACK_TOPLEVEL_DIRECTORY}/debian-size")
  file(REMOVE_RECURSE "${tree}")
  run(${CPACK_TAPEWRIGHT_DPKG_DEB} --raw-extract "${package}" "${tree}")

  set(size 0)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${tree}" "${tree}/*")
  foreach(entry IN LISTS entries)
    set(entry_path "${tree}/${entry}")
    if(entry MATCHES "^DEBIAN(/|$)")
      continue()
    elseif(IS_DIRECTORY "${entry_path}" OR IS_SYMLINK "${entry_path}")
      math(EXPR size "${size} + 1")
    else()
      file(SIZE "${entry_path}" bytes)
      math(EXPR size "${size} + (${bytes} + 1023) / 1024")
    endif()
  endforeach()

  file(READ "${tree}/DEBIAN/control" control)
  string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${size}\n"
         control "${control}")
  file(WRITE "${tree}/DEBIAN/control" "${control}")
  # dpkg-deb takes the folders as the umask made them.
  run(chmod -R u+rwX,go=rX "${tree}")
  run(${CPACK_TAPEWRIGHT_DPKG_DEB} --root-owner-group -Zgzip -z9 --build
      "${tree}" "${package}")
  file(REMOVE_RECURSE "${tree}")
endforeach()
