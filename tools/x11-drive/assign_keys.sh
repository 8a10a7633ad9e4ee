#!/usr/bin/env bash
# The Assign Addresses wizard by real X key events, the way a user at the keyboard would:
# three simulated cameras on one link, the finder under Xvfb with Qt's xcb platform and a
# fresh profile. Ctrl+A selects the cameras in the view, Camera, Assign Addresses... opens
# the wizard, the range form gets a first address, a prefix, a gateway and a host name
# pattern by the fields' accelerators, Alt+N shows the preview (old -> new), Alt+A applies,
# Return finishes when the results are in. Checked from outside: the simulator's request
# log (nothing written before Apply, the settings committed after it), the clipboard
# (Ctrl+C in the view after the Refresh copies a camera's URL at its new address) and
# `ravixfinder --list` in the lab (every camera found at its planned address). A screenshot of each step lands in OUT_DIR.
#   sudo tools/x11-drive/assign_keys.sh [OUT_DIR]        (root: the lab needs it)
# Needs xvfb, xdotool, xclip and imagemagick (import); BUILD_DIR (default build) must hold
# ravixfinder and ravix-camsim.
set -euo pipefail
X11_NAME=assign_keys.sh
source "$(dirname "$0")/x11_drive_lib.sh"
x11_build_dir

if [ "${1:-}" != "--in-lab" ]; then
  x11_need_root
  x11_need_tools Xvfb xdotool xclip import
  x11_enter_lab "${1:-/tmp/assign-keys}" \
    --link 192.168.77.1/24=192.168.77.10/24x3
fi
OUT=$2

# --- inside the lab (pc namespace) ---------------------------------------------------
x11_work assign
cat >"$WORK/cameras.json" <<'JSON'
{"cameras": [
  {"model": "Ravix-B120", "serial": "ZV000201", "modelid": "B120-4MP", "mac": "00-1e-c0-00-02-01", "path": "/index.html"},
  {"model": "Ravix-B120", "serial": "ZV000202", "modelid": "B120-4MP", "mac": "00-1e-c0-00-02-02", "path": "/index.html"},
  {"model": "Ravix-D210", "serial": "ZV000203", "modelid": "D210-2MP", "mac": "00-1e-c0-00-02-03", "path": "/index.html"}
]}
JSON
REQUESTS="$WORK/cam0-requests.log"
start_simulator cam0 "$WORK/cameras.json" --restart-ms 300

start_xvfb :59 1440x900
x11_profile
# The list view: its rows are the cameras only (the tree starts with this computer).
printf '[Settings]\nView=2\n' >"$PROFILE_CONF"
start_finder
sleep 4  # discovery and completion of the three cameras
step "Started: three cameras in the list"
shot 1-started

step "Ctrl+A in the view, Camera, Assign Addresses... by keys"
keys ctrl+a
keys alt+c s
WIZARD=
for _ in $(seq 1 30); do
  WIZARD=$(xdotool search --onlyvisible --name "^Assign Addresses$" 2>/dev/null | head -1 || true)
  [ -n "$WIZARD" ] && break
  sleep 0.2
done
check "the wizard opened" test -n "$WIZARD"
[ -n "$WIZARD" ] || exit 1
xdotool windowfocus --sync "$WIZARD"  # no window manager: give the new window the X focus
sleep 0.5
shot 2-wizard-opened

step "Range form by accelerators: first address, prefix, gateway, host names"
keys alt+r                      # the range (checked already; the key must keep it so)
keys alt+f
type_text 192.168.77.110
keys alt+p ctrl+a
type_text 24
keys alt+g
type_text 192.168.77.1
keys alt+h
type_text "yard-{n}"
shot 3-range-typed
check "the X focus is on the wizard" test "$(focused_window)" = "Assign Addresses"

step "Next (Alt+N): the preview shows old -> new for every camera"
keys alt+n
sleep 4  # the neighbour probe of the planned addresses
shot 4-preview
check "nothing was written before Apply" bash -c "! grep -q 'param.cgi\\|Commit\\|commit' '$REQUESTS'"
check "the X focus is on the wizard" test "$(focused_window)" = "Assign Addresses"

step "Apply (Alt+A), wait for the results"
keys alt+a
for _ in $(seq 1 60); do
  [ "$(grep -ci commit "$REQUESTS" 2>/dev/null || true)" -ge 3 ] && break
  sleep 0.5
done
sleep 3
shot 5-results
check "three settings commits reached the cameras" test "$(grep -ci commit "$REQUESTS" || true)" -ge 3

step "Finish (Return)"
keys Return
sleep 1
check "the wizard closed on Return" bash -c "! xdotool search --onlyvisible --name '^Assign Addresses$' >/dev/null 2>&1"
sleep 4  # the Refresh after the apply
shot 6-after-refresh

step "Back in the view: Down, Home, Ctrl+C copies a camera's URL at a planned address"
refocus  # the main window activated again after the wizard closed over it
printf '' | xclip -selection clipboard >/dev/null 2>&1
keys Down Home ctrl+c  # Down first: Home alone keeps the three selected when the first row is current
sleep 1.5  # Copy URL waits for its requery pause
URL=$(xclip -o -selection clipboard 2>/dev/null || true)
echo "   clipboard: $URL"
check "the view has the keys and shows the first camera at a planned address" \
  bash -c "[[ '$URL' == http://192.168.77.11[012][:/]* ]]"

step "ravixfinder --list in the lab: every camera at its planned address"
"$FINDER" --list --seconds 3 --format csv >"$WORK/list.csv" 2>"$WORK/list.err" || true
cp "$WORK/list.csv" "$OUT/list.csv"
cat "$WORK/list.csv" | cut -c1-120 | sed 's/^/   /'
# The range goes in the list's order, which is the order of discovery: camera n of the
# list is yard-n at 192.168.77.(109+n).
for serial in ZV000201 ZV000202 ZV000203; do
  row=$(grep "$serial" "$WORK/list.csv" | tr -d "\r" || true)
  n=$(sed -n 's/.*,yard-\([0-9]\)\.local,.*/\1/p' <<<"$row")
  check "$serial found as yard-$n at 192.168.77.$((109 + ${n:-0}))" \
    bash -c "[[ -n '$n' && '$row' == *',192.168.77.$((109 + ${n:-0})),80,'*',disabled,24,'*',192.168.77.1' ]]"
done
check "three different host names" test "$(grep -o 'yard-[0-9]' "$WORK/list.csv" | sort -u | wc -l)" -eq 3
check "no camera left at an old address" bash -c "! grep -q '192\\.168\\.77\\.1[012]\\b' '$WORK/list.csv'"

step "Exit (Camera, Exit by keys)"
focus_window
finish_finder
cp "$REQUESTS" "$OUT/requests.log"
x11_result
