#!/usr/bin/env bash
# The Debian package: made with CPack from the build tree, unpacked into a temporary root
# (nothing is installed on the machine), the programs from it answer --version and
# --help, and lintian, desktop-file-validate and appstreamcli validate accept it.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build=$1
skip=77

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh installs it)"; exit $skip; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

(cd "$build" && cpack -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -x "$deb" "$tmp/root"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
failed=0
grep -q "libqt6widgets6" <<<"$depends" || { echo "Depends lacks the Qt libraries: shlibdeps did not run"; failed=1; }

root=$tmp/root
for file in usr/bin/ravixfinder usr/lib/ravixfinder/ravixfinder-window.so usr/bin/urlforge usr/bin/ravix-camsim usr/bin/ravixfinder.html \
            usr/share/applications/ravixfinder.desktop usr/share/applications/urlforge.desktop \
            usr/share/icons/hicolor/scalable/apps/ravixfinder.svg usr/share/icons/hicolor/scalable/apps/urlforge.svg \
            usr/share/metainfo/com.zorvik_vision.RavixFinder.metainfo.xml \
            usr/share/metainfo/com.zorvik_vision.UrlForge.metainfo.xml \
            usr/share/man/man1/ravixfinder.1.gz usr/share/man/man1/urlforge.1.gz usr/share/man/man1/ravix-camsim.1.gz \
            usr/share/doc/ravixfinder/copyright; do
  [ -f "$root/$file" ] || { echo "missing in the package: /$file"; failed=1; }
done

export QT_QPA_PLATFORM=offscreen
for program in ravixfinder urlforge ravix-camsim; do
  version=$("$root/usr/bin/$program" --version) || { echo "$program --version failed"; failed=1; }
  grep -q "^$program [0-9]" <<<"$version" || { echo "$program --version said: $version"; failed=1; }
  "$root/usr/bin/$program" --help | grep -q "^Usage: $program" || { echo "$program --help gave no usage"; failed=1; }
done

desktop-file-validate "$root"/usr/share/applications/*.desktop || failed=1
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || failed=1

# lintian: errors fail the test; the warnings left are printed.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || { failed=1; }
cat "$tmp/lintian.log"
grep -q "^E:" "$tmp/lintian.log" && failed=1
exit $failed
