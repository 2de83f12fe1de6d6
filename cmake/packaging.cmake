# Packages, made with cpack from the build folder (cpack -G DEB). Every
# package carries the licence.

install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_VENDOR "tapewright")
set(CPACK_PACKAGE_CONTACT
    "tapewright maintainers <maintainers@users.noreply.c-seed-77ce82ac.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "tapewright turns a text listing of octal numbers (load addresses, data \
words, comments and a start statement) into a paper-tape image that a DEC \
PDP-1 loads in its read-in mode, or prints the words it would punch. It is \
for people who bring old programs back to life on real machines and \
simulators, and for the build scripts that call it.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
