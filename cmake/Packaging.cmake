# The Debian package: `cpack -G DEB` in the build tree (scripts/package).
# Its library dependencies are computed by dpkg-shlibdeps; the preview's
# GStreamer plugins and Qt's translations of its standard dialogs are loaded
# at run time, so they are named here (Qt's own plugins come with the Qt
# libraries found).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovrin)
set(CPACK_PACKAGE_VENDOR "Tovrin")
set(CPACK_PACKAGE_CONTACT "Tovrin developers <tovrin@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MMS stream recorder (Traditional Chinese desktop program and command line)")
set(CPACK_PACKAGE_DESCRIPTION "Tovrin records streams from MMS and MMS-over-HTTP servers into ASF files,
resumes interrupted downloads, reads redirector files and shows file properties.
The package holds the desktop program tovrin, the command line tovrin-cli and
the MMS test server tovrin-mms-server.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)
