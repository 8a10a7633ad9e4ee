#!/usr/bin/env bash
# ravixfinder started with more rights than its user (here a file capability on a copy in
# a temporary folder, run as "nobody") clears Qt's plugin and library path variables
# before Qt starts and says so in the trace; started normally it leaves them alone.
# Needs root (setcap, changing user); skipped without it.
# Usage: elevated_environment.sh RAVIXFINDER_BINARY
set -euo pipefail
skip=77
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to give a copy a file capability"; exit $skip; }
for tool in setcap setpriv; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $skip; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
cp "$1" "$tmp/ravixfinder"
chmod 755 "$tmp/ravixfinder"
run() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups env QT_PLUGIN_PATH=/tmp/nowhere \
    QT_QPA_PLATFORM_PLUGIN_PATH=/tmp/nowhere RAVIXFINDER_TRACE=1 "$tmp/ravixfinder" --version 2>&1
}
failed=0
plain=$(run)
if grep -q "variables cleared" <<<"$plain"; then echo "cleared without elevated privileges: $plain"; failed=1; fi
setcap cap_net_admin+ep "$tmp/ravixfinder" || { echo "SKIP: the file system takes no capabilities"; exit $skip; }
elevated=$(run)
grep -q "elevated privileges: Qt plugin and library path variables cleared" <<<"$elevated" ||
  { echo "not cleared with a file capability: $elevated"; failed=1; }
grep -q "^ravixfinder [0-9]" <<<"$elevated" || { echo "no version: $elevated"; failed=1; }
exit $failed
