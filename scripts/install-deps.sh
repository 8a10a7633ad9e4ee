#!/usr/bin/env bash
# Installs every package the build, the tools and the tests need (Debian 12).
# Idempotent: packages already present are left alone. Must run as root.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libavahi-core-dev libavahi-client-dev libavahi-common-dev
  libcurl4-openssl-dev libssl-dev
  libboost-thread-dev libboost-regex-dev libboost-chrono-dev
  libnl-3-dev libnl-route-3-dev
  libsodium-dev libcap-dev
  # the unicast DNS lookups of the browse domains
  libc-ares-dev
  # the network helper's authorisation at run time, and the polkit lab test
  pkexec polkitd
  # the package check (the polkit action's XML, no file capabilities) and the elevated-start test
  libxml2-utils libcap2-bin
  # the camera simulator: its HTTP server, JSON and the firmware image's CRC-32
  libcpp-httplib-dev nlohmann-json3-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libglib2.0-dev
  iproute2 procps psmisc
  # the routed-camera lab: a DNS server for wide-area DNS-SD (dnsmasq-base: the program
  # without a system service) and nftables to drop a camera's multicast
  dnsmasq-base nftables
  avahi-daemon avahi-utils dbus
  xvfb xauth
  # what the windows need at run time on X11 and Wayland desktops: the platform plugins
  # (xcb ships with libqt6gui6), SVG icons, fonts, and xdg-open for the browser
  qt6-qpa-plugins qt6-wayland libqt6svg6 libxcb-cursor0 libxkbcommon-x11-0
  fonts-dejavu-core xdg-utils
  # the desktop keyring (QtKeychain over the Secret Service) and, for its tests, a keyring
  # daemon in a private D-Bus session and secret-tool to look at it from outside
  qtkeychain-qt6-dev gnome-keyring libsecret-tools dbus-daemon
  # the Debian package, its checks and the manual pages
  dpkg-dev fakeroot file lintian desktop-file-utils appstream scdoc man-db groff-base
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}) and not root; install them or rerun as root" >&2
  exit 1
fi

# Packages such as avahi-daemon and dbus must not start services on this machine:
# a policy-rc.d that refuses every start keeps installs from doing so.
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
  chmod 755 /usr/sbin/policy-rc.d
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"
