# `cmake --build build --target package`: two Debian packages (CPack components) of what
# `cmake --install` installs, under /usr, stripped, with their dependencies worked out
# from the programs (dpkg-shlibdeps): ravixfinder (the programs for users, the network
# helper and its polkit action) and ravix-camsim (the camera simulator for tests). No
# installed file carries a capability: route fixes and temporary addresses go through
# the helper, authorised by polkit (pkexec).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ravixfinder)
set(CPACK_PACKAGE_VENDOR "Zorvik Vision Components")
set(CPACK_PACKAGE_CONTACT "Zorvik Vision Components <support@zorvik-vision.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ravixfinder camsim)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_RAVIXFINDER_PACKAGE_NAME ravixfinder)
set(CPACK_DEBIAN_CAMSIM_PACKAGE_NAME ravix-camsim)
set(CPACK_DEBIAN_CAMSIM_PACKAGE_SECTION devel)
# Each package's description: its first line is the synopsis (so no package-wide summary
# is set: CPack would put that above both).
set(CPACK_DEBIAN_RAVIXFINDER_DESCRIPTION "finder and command URL tool for Zorvik IP cameras
RavixFinder finds the Zorvik IP cameras on the local networks by DNS-SD,
routes their subnets over the right adapter, lists them with their network
settings, changes their IP settings and updates their firmware, in a window
or from the command line. UrlForge reads and writes one camera's parameters
and composes its command URLs. Route fixes and temporary addresses for a
first contact go through a small helper authorised by polkit.")
set(CPACK_DEBIAN_CAMSIM_DESCRIPTION "simulator of Zorvik IP cameras for tests
ravix-camsim serves simulated Zorvik IP cameras over HTTP and announces them
by DNS-SD, with configurable faults, for testing RavixFinder and UrlForge
without cameras.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zorvik-vision.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Run-time helpers the libraries do not name: the keyring, xdg-open for the browser,
# pkexec and polkitd for the network helper.
set(CPACK_DEBIAN_RAVIXFINDER_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, xdg-utils, pkexec, polkitd, avahi-daemon")
set(CPACK_DEBIAN_CAMSIM_PACKAGE_RECOMMENDS "avahi-daemon")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_THREADS 2)
include(CPack)
