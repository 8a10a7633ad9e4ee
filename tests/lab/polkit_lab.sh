#!/usr/bin/env bash
# pkexec and polkitd for real: in the lab's pc namespace and a mount namespace of its own,
# a private system bus (dbus-daemon on a socket that covers /run/dbus only here), polkitd,
# the network helper's action (annotated with the build tree's helper) and a test rule
# that grants the action to the user "nobody" and to no one else. Then, as "nobody":
#   - the finder's --list --temporary-address adds an address through pkexec and the
#     helper, and removes it at exit;
#   - the window (offscreen) reaches the same cameras through pkexec and the helper;
#   - pkexec runs the helper's route fix;
# and as "daemon", whom the rule does not name and who has no agent, the finder exits 1
# saying why, with nothing changed. Nothing of this machine's own bus or polkit is used.
# Usage (inside tools/netlab): polkit_lab.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
skip=77
build=$1
source=$2

if [ "${POLKIT_LAB_INNER:-}" != 1 ]; then
  [ -n "${NETLAB_ID:-}" ] || { echo "SKIP: not inside tools/netlab"; exit $skip; }
  for tool in pkexec dbus-daemon dbus-send unshare setpriv; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh)"; exit $skip; }
  done
  [ -x /usr/lib/polkit-1/polkitd ] || { echo "SKIP: polkitd is not installed"; exit $skip; }
  [ -d /run/dbus ] && [ -d /usr/share/polkit-1/actions ] && [ -d /etc/polkit-1/rules.d ] ||
    { echo "SKIP: no /run/dbus or polkit folders to cover"; exit $skip; }
  POLKIT_LAB_INNER=1 exec unshare --mount --propagation private -- "$0" "$@"
fi

helper=$build/shell/ravixfinder-netadmin
finder=$build/shell/ravixfinder
if=$NETLAB_PC0_IF
if1=$NETLAB_PC1_IF
camsim=$build/tools/camsim/ravix-camsim
tmp=$(mktemp -d /tmp/polkit-lab-XXXXXX)
chmod 755 "$tmp"
daemons=()
cameras=()
cleanup() {
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${cameras[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# Private bus, policy and rules, seen only in this mount namespace.
mkdir -p "$tmp/run-dbus" "$tmp/actions" "$tmp/rules" "$tmp/home-nobody" "$tmp/home-daemon"
chown nobody "$tmp/home-nobody"
chown daemon "$tmp/home-daemon"
sed "s|@RAVIX_NETADMIN_PATH@|$helper|" \
  "$source/tools/netadmin/com.zorvik-vision.ravixfinder.netadmin.policy.in" \
  >"$tmp/actions/com.zorvik-vision.ravixfinder.netadmin.policy"
cat >"$tmp/rules/50-ravix-lab.rules" <<'RULE'
polkit.addRule(function(action, subject) {
  if (action.id == "com.zorvik-vision.ravixfinder.netadmin" && subject.user == "nobody")
    return polkit.Result.YES;
});
RULE
chmod 644 "$tmp/rules/50-ravix-lab.rules"
mount --bind "$tmp/run-dbus" /run/dbus
mount --bind "$tmp/actions" /usr/share/polkit-1/actions
mount --bind "$tmp/rules" /etc/polkit-1/rules.d
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/dbus/system_bus_socket

dbus-daemon --system --nofork --nopidfile --nosyslog >"$tmp/dbus.log" 2>&1 &
daemons+=($!)
for _ in $(seq 100); do [ -S /run/dbus/system_bus_socket ] && break; sleep 0.1; done
/usr/lib/polkit-1/polkitd --no-debug >"$tmp/polkitd.log" 2>&1 &
daemons+=($!)
owner=false
for _ in $(seq 100); do
  if dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 2>/dev/null | grep -q "boolean true"; then
    owner=true; break
  fi
  sleep 0.1
done
if [ "$owner" != true ]; then
  echo "SKIP: polkitd did not come up on the private bus:"; cat "$tmp/polkitd.log" "$tmp/dbus.log"; exit $skip
fi

# A sanitizer build's options (suppressions) go along; nothing else of the environment.
sanitizer_env=()
for name in TSAN_OPTIONS ASAN_OPTIONS UBSAN_OPTIONS; do
  [ -n "${!name:-}" ] && sanitizer_env+=("$name=${!name}")
done
as() {
  local user=$1; shift
  setpriv --reuid="$user" --regid=nogroup --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$tmp/home-$user" XDG_CONFIG_HOME="$tmp/home-$user/config" \
    XDG_DATA_HOME="$tmp/home-$user/data" "${sanitizer_env[@]}" "$@"
}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The cameras: two with only their link-local address, one at a factory address.
ip addr flush dev "$if"
echo '{"cameras": [{"serial": "ZV000301"}, {"serial": "ZV000302"}]}' >"$tmp/cam0.json"
echo '{"cameras": [{"serial": "ZV000401", "prefix": 24}]}' >"$tmp/cam1.json"
for n in 0 1; do
  $NETLAB_RUN cam$n "$camsim" --config "$tmp/cam$n.json" --no-control >"$tmp/camsim$n.out" 2>&1 &
  cameras+=($!)
done
for n in 0 1; do
  for _ in $(seq 150); do grep -q "^ready" "$tmp/camsim$n.out" && break; sleep 0.1; done
  grep -q "^ready" "$tmp/camsim$n.out" || { echo "FAIL: simulator $n did not start"; cat "$tmp/camsim$n.out"; exit 1; }
done

# The finder as "nobody": both temporary addresses through pkexec, all three cameras
# reached, nothing left after exit.
code=0
as nobody "$finder" --list --seconds 4 --format csv --temporary-address "$if" \
  --temporary-address "$if1=192.168.0.50/24" >"$tmp/out" 2>"$tmp/err" || code=$?
cat "$tmp/err" "$tmp/out"
[ "$code" = 0 ] || fail "the finder as nobody ended with $code"
grep -q "temporary address 169.254.* on $if" "$tmp/err" || fail "no link-local address was added"
grep -q "temporary address 192.168.0.50/24 on $if1" "$tmp/err" || fail "no address in the camera's subnet was added"
for serial in ZV000301 ZV000302 ZV000401; do
  grep "$serial" "$tmp/out" | grep -q ",yes," || fail "$serial is not listed as reachable"
done
[ -z "$(ip -4 -o addr show dev "$if")" ] || fail "an address is left on $if after exit"
[ "$(ip -4 -o addr show dev "$if1" | awk '{print $4}')" = "10.20.0.1/24" ] || fail "an address is left on $if1 after exit"

# The window as "nobody" (offscreen): Give Adapter a Link-Local Address and Reach Camera
# through pkexec reach the same three cameras, and nothing stays after it ends.
window_test=$build/tests/gui/lab/first_contact_window_lab_test
if [ -x "$window_test" ]; then
  code=0
  as nobody env QT_QPA_PLATFORM=offscreen NETLAB_ID="$NETLAB_ID" NETLAB_PC0_IF="$if" NETLAB_PC1_IF="$if1" \
    RAVIX_LAB_NETADMIN="$helper" "$window_test" >"$tmp/window.out" 2>&1 || code=$?
  grep -E "^\[ +(OK|FAILED|SKIPPED) +\]|Failure|helper runs" "$tmp/window.out" || cat "$tmp/window.out"
  [ "$code" = 0 ] || fail "the window as nobody ended with $code"
  grep -q "pkexec: yes" "$tmp/window.out" || fail "the window did not use pkexec"
  [ -z "$(ip -4 -o addr show dev "$if")" ] || fail "an address is left on $if after the window"
else
  fail "$window_test is not built"
fi

# pkexec runs the helper's route fix for nobody.
subnet=10.20.0.0/24
ip route add "$subnet" dev lo metric 9
start=$(date +%s%N)
as nobody pkexec "$helper" route "$if1" "$subnet" || fail "pkexec route fix as nobody failed"
echo "pkexec and the helper's route fix: $(( ($(date +%s%N) - start) / 1000000 )) ms (a figure, no goal)"
ip -4 route show "$subnet" | grep -q "dev lo" && fail "the stray route to $subnet is still there"

# "daemon" is not granted and has no agent: exit 1 with the reason, nothing added.
code=0
as daemon "$finder" --list --seconds 1 --temporary-address "$if1=10.99.0.6/24" >"$tmp/out" 2>"$tmp/err" || code=$?
cat "$tmp/err"
[ "$code" = 1 ] || fail "the finder as daemon ended with $code, not 1"
grep -q "no authorisation could be had" "$tmp/err" || fail "the refusal was not explained"
ip -4 -o addr show dev "$if1" | grep -q "10.99.0.6" && fail "an address was added without authorisation"
exit $failed
