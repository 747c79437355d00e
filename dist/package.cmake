# The Debian package, made by CPack from what `cmake --install` puts in place:
#   cd build && cpack -G DEB      ->  quorvel_<version>_<arch>.deb
# The run-time libraries it depends on are found by dpkg-shlibdeps (from
# dpkg-dev) in the programs themselves; xmessage (x11-utils) is what the
# library shows its message boxes with.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <quorvel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for illustrated branching stories")
set(CPACK_PACKAGE_DESCRIPTION
  "Quorvel shows books: folders of pages written as key-value text, with\n"
  "pictures and sounds. Each page has a picture, a text and up to three\n"
  "choices that lead to other pages. Comes with a demo book, a checker for\n"
  "book authors and a maker of fonts for other scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "x11-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
