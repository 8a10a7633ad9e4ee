# Third-party libraries, all from Debian packages (scripts/install-deps.sh).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(Boost 1.74 REQUIRED COMPONENTS thread regex chrono)
find_package(CURL REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

pkg_check_modules(AVAHI_CORE REQUIRED IMPORTED_TARGET avahi-core)
pkg_check_modules(AVAHI_CLIENT REQUIRED IMPORTED_TARGET avahi-client)
pkg_check_modules(LIBNL_ROUTE REQUIRED IMPORTED_TARGET libnl-route-3.0)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(LIBCAP REQUIRED IMPORTED_TARGET libcap)
pkg_check_modules(GLIB REQUIRED IMPORTED_TARGET glib-2.0)

find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
add_library(ravix_httplib INTERFACE)
target_include_directories(ravix_httplib SYSTEM INTERFACE ${HTTPLIB_INCLUDE_DIR})
target_link_libraries(ravix_httplib INTERFACE Threads::Threads)
# Debian builds cpp-httplib as a shared library; its header then holds declarations only.
find_library(HTTPLIB_LIBRARY NAMES cpp-httplib)
if(HTTPLIB_LIBRARY)
  target_link_libraries(ravix_httplib INTERFACE ${HTTPLIB_LIBRARY})
endif()

# QtCore is allowed in core libraries (settings, events); Widgets only under ui/ folders.
find_package(Qt6 REQUIRED COMPONENTS Core)
# The desktop keyring for stored camera passwords (Debian qtkeychain-qt6-dev).
find_package(Qt6Keychain REQUIRED)
if(RAVIX_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Network DBus Svg Test Concurrent)
endif()
