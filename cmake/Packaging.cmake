# The Debian package: `cpack -G DEB` in the build folder after the normal
# build. Library dependencies come from dpkg-shlibdeps; what the program
# loads at run time without linking to it (Qt's platform, icon and font
# pieces) is named here.

set(CPACK_PACKAGE_NAME yotsumado)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Yotsumado developers")
set(CPACK_PACKAGE_CONTACT "The Yotsumado developers <yotsumado@example.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.com/yotsumado/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "four pictures side by side in one JPEG picture")
# Debian wraps nothing: each line of the extended description stays short.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Yotsumado (ヨツマド) shows four BMP or JPEG pictures side by side in a"
  "2 x 2 grid, in a small window that stays on top. Pictures come from the"
  "file manager by drag and drop or its Open With menu, or from the"
  "command line; the two split lines can be dragged, and the panels"
  "numbered or lettered."
  "."
  "The grid is saved as one 480 x 360 JPEG picture or handed to the mail"
  "program as an attachment. yotsumado-compose makes the same picture from"
  "the command line without a display.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
# The package holds the programs and their desktop files; the controls'
# headers and libraries (the "controls" component) are for developers.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
