# `cmake --build build --target package`: a Debian package (CPack) of everything that
# `cmake --install` installs, under /usr, stripped, with its dependencies worked out from
# the programs (dpkg-shlibdeps). It grants no capability: route fixing needs
# `setcap cap_net_admin+ep /usr/bin/ravixfinder` after installing (README).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ravixfinder)
set(CPACK_PACKAGE_VENDOR "Zorvik Vision Components")
set(CPACK_PACKAGE_CONTACT "Zorvik Vision Components <support@zorvik-vision.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finder and command URL tool for Zorvik IP cameras")
# The long description (CPack puts the summary above it).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "RavixFinder finds the Zorvik IP cameras on the local networks by DNS-SD,
 routes their subnets over the right adapter, lists them with their network
 settings, changes their IP settings and updates their firmware, in a window
 or from the command line. UrlForge reads and writes one camera's parameters
 and composes its command URLs. ravix-camsim simulates cameras for tests.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zorvik-vision.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Run-time helpers the libraries do not name: the keyring, xdg-open for the browser,
# setcap for route fixing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, xdg-utils, libcap2-bin, avahi-daemon")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_THREADS 2)
include(CPack)
