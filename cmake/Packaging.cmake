# The Debian package, made with cpack from a build folder that puts the
# program in games/, as Debian's games are:
#   cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DTESSERIN_INSTALL_GAMES=ON
#   cmake --build build-deb && (cd build-deb && cpack)
# scripts/check-deb does that, runs lintian on the package and checks it
# installs and runs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesserin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tesserin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sliding puzzle made of a picture of your choice")
set(CPACK_PACKAGE_DESCRIPTION
  "A square picture, the numbered tiles or a PNG, BMP or JPEG file, is cut into
2 x 2 up to 10 x 10 pieces and the bottom-right piece is taken away. Point
at a piece in the empty cell's row or column and the whole run slides
towards it. Shuffling always gives a solvable board. The user interface is
in Japanese.")
set(CPACK_PACKAGE_CONTACT "tesserin developers <tesserin@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tesserin_<version>_<arch>.deb
# Libraries come from the program's own links; Qt's X11 platform plugin and
# the fonts the interface draws with are loaded at run time, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
# Under /usr, whatever prefix the build was configured for: the installed
# program finds its README and settings from its own place.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only what `cmake --install` puts in place, never the test programs.
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
