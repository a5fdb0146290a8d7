# The Debian package (./package builds it): cpack -G DEB in a Release build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetto)
set(CPACK_PACKAGE_VENDOR "Lumetto project")
set(CPACK_PACKAGE_CONTACT "Lumetto maintainers <lumetto@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows an S60 or UIQ phone's screen inside a picture of the phone")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumetto shows the live screen of an S60 or UIQ smartphone, sent over a USB or\n\
Bluetooth serial port, inside a picture of the phone (a skin), so that the phone\n\
can be presented on a projector. It zooms to 200 %, records AVI movies and saves\n\
BMP screenshots. Comes with lumetto-phone, a phone simulator, and lumetto-dump,\n\
an inspector for captured streams.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # lumetto_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the programs link come from dpkg-shlibdeps; Qt's window-system
# plug-ins and a font are loaded at run time and named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
include(CPack)
