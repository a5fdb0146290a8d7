# The Debian package (./package builds it and checks it with lintian):
# cpack -G DEB in a Release build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetto)
set(CPACK_PACKAGE_VENDOR "Lumetto project")
set(CPACK_PACKAGE_CONTACT "Lumetto Maintainers <maintainers@lumetto.dev>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Debian revision 1 of upstream 2.0.0: its changes are in changelog.Debian.gz,
# whose first entry must carry the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows a phone's screen inside a picture of the phone")
# Lines of the long description stay within 80 columns with their leading space.
set(CPACK_PACKAGE_DESCRIPTION
    "Lumetto shows the live screen of an S60 or UIQ smartphone, sent over a USB\n\
or Bluetooth serial port, inside a picture of the phone (a skin), so that the\n\
phone can be presented on a projector. It zooms to 200 %, records movies and\n\
saves screenshots. Comes with lumetto-phone, a phone simulator, and\n\
lumetto-dump, an inspector for captured streams.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_LUMETTO_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripNotes.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # lumetto_<version>-<release>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the programs link (Qt, FFmpeg's, the C++ run-time) come from
# dpkg-shlibdeps; Qt's window-system plug-ins and a font are loaded at run time
# and named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
include(CPack)
