#!/usr/bin/env bash
# The Debian packages: made with CPack from the build tree (ravixfinder for users, and
# ravix-camsim, the simulator, on its own), unpacked into temporary roots (nothing is
# installed on the machine), the programs from them answer --version and --help, the
# network helper and its polkit action are in place, no file carries a capability or a
# setuid bit, and lintian, desktop-file-validate and appstreamcli validate accept them.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build=$1
skip=77

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli xmllint; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh installs it)"; exit $skip; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

(cd "$build" && cpack -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/ravixfinder_*.deb)
simdeb=$(ls "$tmp"/out/ravix-camsim_*.deb)
for d in "$deb" "$simdeb"; do echo "package: $(basename "$d"), $(stat -c %s "$d") bytes"; done
dpkg-deb -x "$deb" "$tmp/root"
dpkg-deb -x "$simdeb" "$tmp/simroot"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
echo "Recommends: $(dpkg-deb -f "$deb" Recommends)"
failed=0
grep -q "libqt6widgets6" <<<"$depends" || { echo "Depends lacks the Qt libraries: shlibdeps did not run"; failed=1; }
dpkg-deb -f "$deb" Recommends | grep -q "pkexec, polkitd" || { echo "pkexec and polkitd are not recommended"; failed=1; }

root=$tmp/root
for file in usr/bin/ravixfinder usr/lib/ravixfinder/ravixfinder-window.so usr/bin/urlforge \
            usr/share/doc/ravixfinder/ravixfinder.html \
            usr/libexec/ravixfinder/ravixfinder-netadmin \
            usr/share/polkit-1/actions/com.zorvik-vision.ravixfinder.netadmin.policy \
            usr/share/applications/ravixfinder.desktop usr/share/applications/urlforge.desktop \
            usr/share/icons/hicolor/scalable/apps/ravixfinder.svg usr/share/icons/hicolor/scalable/apps/urlforge.svg \
            usr/share/metainfo/com.zorvik_vision.RavixFinder.metainfo.xml \
            usr/share/metainfo/com.zorvik_vision.UrlForge.metainfo.xml \
            usr/share/man/man1/ravixfinder.1.gz usr/share/man/man1/urlforge.1.gz \
            usr/share/doc/ravixfinder/copyright; do
  [ -f "$root/$file" ] || { echo "missing in the package: /$file"; failed=1; }
done
for file in usr/bin/ravix-camsim usr/share/man/man1/ravix-camsim.1.gz usr/bin/ravixfinder.html; do
  [ ! -e "$root/$file" ] || { echo "in the users' package, but should not be: /$file"; failed=1; }
done
for file in usr/bin/ravix-camsim usr/share/man/man1/ravix-camsim.1.gz usr/share/doc/ravix-camsim/copyright; do
  [ -f "$tmp/simroot/$file" ] || { echo "missing in the simulator's package: /$file"; failed=1; }
done

# The polkit action: valid XML, the helper's installed path, no rights without
# authentication and none for inactive or remote sessions.
policy=$root/usr/share/polkit-1/actions/com.zorvik-vision.ravixfinder.netadmin.policy
xmllint --noout "$policy" || failed=1
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/libexec/ravixfinder/ravixfinder-netadmin</annotate>' \
  "$policy" || { echo "the policy does not name the installed helper"; failed=1; }
for default in "<allow_any>no</allow_any>" "<allow_inactive>no</allow_inactive>" \
               "<allow_active>auth_admin_keep</allow_active>"; do
  grep -q "$default" "$policy" || { echo "the policy lacks $default"; failed=1; }
done

# No capability and no setuid bit on any file, and no maintainer script that adds one.
found=$(find "$tmp/root" "$tmp/simroot" -type f -perm /6000)
[ -z "$found" ] || { echo "setuid or setgid files: $found"; failed=1; }
found=$(getcap -r "$tmp/root" "$tmp/simroot" 2>/dev/null || true)
[ -z "$found" ] || { echo "files with capabilities: $found"; failed=1; }
dpkg-deb -e "$deb" "$tmp/control"
! grep -rqs setcap "$tmp/control" || { echo "a maintainer script sets a capability"; failed=1; }

export QT_QPA_PLATFORM=offscreen
for program in ravixfinder urlforge ravix-camsim; do
  bin=$root/usr/bin/$program
  [ "$program" != ravix-camsim ] || bin=$tmp/simroot/usr/bin/$program
  version=$("$bin" --version) || { echo "$program --version failed"; failed=1; }
  grep -q "^$program [0-9]" <<<"$version" || { echo "$program --version said: $version"; failed=1; }
  "$bin" --help | grep -q "^Usage: $program" || { echo "$program --help gave no usage"; failed=1; }
done
# The helper refuses before it does anything (and needs no root for that).
code=0; "$root/usr/libexec/ravixfinder/ravixfinder-netadmin" add lo 10.1.1.1/24 2>/dev/null || code=$?
[ "$code" = 72 ] || { echo "the helper answered $code to a loopback adapter (72 expected)"; failed=1; }

desktop-file-validate "$root"/usr/share/applications/*.desktop || failed=1
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || failed=1

# lintian: errors fail the test; the warnings left are printed.
for d in "$deb" "$simdeb"; do
  lintian --fail-on error --tag-display-limit 0 "$d" >"$tmp/lintian.log" 2>&1 || { failed=1; }
  cat "$tmp/lintian.log"
  grep -q "^E:" "$tmp/lintian.log" && failed=1
done
exit $failed
