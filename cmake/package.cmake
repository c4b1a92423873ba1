# `cpack` in the build folder makes tirvelo_<version>_amd64.deb: the program,
# the speech engine, the desktop entry, the icons and the book type.
# Dependencies come from the shared libraries (dpkg-shlibdeps), plus what the
# program loads or names at run time: espeak-ng's voices, the Qt platform plugins
# and the fonts of cmake/fonts.cmake. Page sounds need no media framework.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tirvelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tirvelo")
set(CPACK_PACKAGE_CONTACT "Tirvelo developers <tirvelo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen page turner for switch and voice users")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tirvelo shows books of pictures, texts and sounds full screen for children
 and adults who cannot use a mouse or keyboard in the usual way. Pages turn
 with one switch (a scanned highlight between two big buttons), with a sound
 picked up by the microphone, or with the usual keys. Text pages are read
 aloud through espeak-ng. The interface speaks Catalan, Spanish and
 Portuguese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tirvelo.example.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The engine is private to the program (loaded by name from its own folder).
# The image-format plugins read WebP and TIFF pictures of imported EPUBs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
list(JOIN TIRVELO_FONT_PACKAGES ", " _fonts)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "espeak-ng-data, qt6-qpa-plugins, qt6-image-formats-plugins, ${_fonts}")
# qt6-wayland: on a Wayland session Qt then runs the program as a native
# Wayland client; without it the program still runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, pavucontrol, xdotool, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
