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
cd "$(dirname "$0")/../.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build}

if [ "${1:-}" != "--in-lab" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "assign_keys.sh: needs root for the network lab" >&2
    exit 77
  fi
  for tool in Xvfb xdotool xclip import; do
    command -v "$tool" >/dev/null || { echo "assign_keys.sh: $tool is missing (apt-get install xvfb xdotool xclip imagemagick)" >&2; exit 77; }
  done
  OUT=$(realpath -m "${1:-/tmp/assign-keys}")
  mkdir -p "$OUT"
  exec tools/netlab/netlab \
    --link 192.168.77.1/24=192.168.77.10/24x3 \
    -- "$ROOT/tools/x11-drive/assign_keys.sh" --in-lab "$OUT"
fi
OUT=$2

# --- inside the lab (pc namespace) ---------------------------------------------------
CAMSIM="$ROOT/$BUILD_DIR/tools/camsim/ravix-camsim"
FINDER="$ROOT/$BUILD_DIR/shell/ravixfinder"
WORK=$(mktemp -d /tmp/ravix-assign-XXXXXX)
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
FAILED=0
step() { echo "== $*"; }
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "   ok: $what"; else echo "   FAILED: $what"; FAILED=1; fi
}
shot() { import -window root "$OUT/$1.png"; echo "   picture: $OUT/$1.png"; }
keys() { xdotool key --delay 80 "$@"; sleep 0.4; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.3; }
focused_window() { xdotool getwindowfocus getwindowname 2>/dev/null || true; }

cat >"$WORK/cameras.json" <<'JSON'
{"cameras": [
  {"model": "Ravix-B120", "serial": "ZV000201", "modelid": "B120-4MP", "mac": "00-1e-c0-00-02-01", "path": "/index.html"},
  {"model": "Ravix-B120", "serial": "ZV000202", "modelid": "B120-4MP", "mac": "00-1e-c0-00-02-02", "path": "/index.html"},
  {"model": "Ravix-D210", "serial": "ZV000203", "modelid": "D210-2MP", "mac": "00-1e-c0-00-02-03", "path": "/index.html"}
]}
JSON
REQUESTS="$WORK/cam0-requests.log"
$NETLAB_RUN cam0 "$CAMSIM" --config "$WORK/cameras.json" --no-control --restart-ms 300 --log "$REQUESTS" \
  >"$WORK/cam0.out" &
PIDS+=($!)
for _ in $(seq 1 300); do
  grep -q '^ready' "$WORK/cam0.out" && break
  sleep 0.1
done
grep -q '^ready' "$WORK/cam0.out" || { echo "assign_keys.sh: the simulator did not become ready" >&2; exit 1; }

export DISPLAY=:59
Xvfb "$DISPLAY" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
sleep 1
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
mkdir -p "$XDG_CONFIG_HOME/Zorvik Vision Components"
# The list view: its rows are the cameras only (the tree starts with this computer).
printf '[Settings]\nView=2\n' >"$XDG_CONFIG_HOME/Zorvik Vision Components/Zorvik IP Camera Finder.conf"
QT_QPA_PLATFORM=xcb "$FINDER" >"$WORK/finder.out" 2>&1 &
FINDER_PID=$!
PIDS+=("$FINDER_PID")
xdotool search --sync --onlyvisible --name "Zorvik IP Camera Finder" >/dev/null
WINDOW=$(xdotool search --onlyvisible --name "Zorvik IP Camera Finder" | head -1)
xdotool windowfocus --sync "$WINDOW"  # no window manager here
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
# No window manager: the X focus goes to the root window and back, so that Qt sees the
# main window activated again after the wizard closed over it.
xdotool windowfocus --sync "$(xdotool search --maxdepth 0 --name '' | head -1)" 2>/dev/null || true
xdotool windowfocus --sync "$WINDOW"
sleep 0.3
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
xdotool windowfocus --sync "$WINDOW"
sleep 0.3
keys alt+c x
for _ in $(seq 1 50); do kill -0 "$FINDER_PID" 2>/dev/null || break; sleep 0.1; done
check "the finder ended" bash -c "! kill -0 $FINDER_PID 2>/dev/null"
cp "$WORK/finder.out" "$OUT/finder.out"
cp "$REQUESTS" "$OUT/requests.log"
[ "$FAILED" = 0 ] && echo "assign_keys.sh: all steps passed" || echo "assign_keys.sh: some steps FAILED"
exit "$FAILED"
