# The Debian package (./package builds it and checks it with lintian):
# cpack -G DEB in a Release build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetto)
set(CPACK_PACKAGE_VENDOR "Lumetto project")
set(CPACK_PACKAGE_CONTACT "Lumetto Maintainers <maintainers@lumetto.dev>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The package's version is the first entry of the Debian changelog
# (packaging/debian/changelog, installed as changelog.Debian.gz): its upstream
# part must be the project's version, and the Debian revision comes from it.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^lumetto \\(([^-)]+)-([^)]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: the first line must read "
                      "\"lumetto (VERSION-REVISION) ...\", not \"${changelog_head}\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/debian/changelog starts at version ${CMAKE_MATCH_1}, the "
                      "project is ${PROJECT_VERSION}: add a changelog entry for it")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
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
