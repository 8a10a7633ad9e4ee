#!/usr/bin/env bash
# Drives the finder's window by real X key events, the way a user at the keyboard would:
# in the demo lab (12 simulated cameras and a printer, see scripts/demo.sh), under Xvfb
# with Qt's xcb platform, with a fresh profile. It filters the cameras (Ctrl+F), copies a
# camera's URL (Ctrl+C), exports the shown rows (Camera, Export List...), clears the
# filter (Esc) and updates one camera's firmware with the wizard to its end (Finish by
# Return), checks what can be checked from outside (clipboard, exported file, the
# camera's request log) and leaves a screenshot of each step in OUT_DIR.
#   sudo tools/x11-drive/finder_keys.sh [OUT_DIR]        (root: the lab needs it)
# Needs xvfb, xdotool, xclip and imagemagick (import); BUILD_DIR (default build) must
# hold ravixfinder and ravix-camsim.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build}

if [ "${1:-}" != "--in-lab" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "finder_keys.sh: needs root for the network lab" >&2
    exit 77
  fi
  for tool in Xvfb xdotool xclip import; do
    command -v "$tool" >/dev/null || { echo "finder_keys.sh: $tool is missing (apt-get install xvfb xdotool xclip imagemagick)" >&2; exit 77; }
  done
  OUT=$(realpath -m "${1:-/tmp/finder-keys}")
  mkdir -p "$OUT"
  exec tools/netlab/netlab \
    --link 192.168.77.1/24=192.168.77.10/24x9 \
    --link 169.254.10.1/16=169.254.3.4/16x4 \
    -- "$ROOT/tools/x11-drive/finder_keys.sh" --in-lab "$OUT"
fi
OUT=$2

# --- inside the lab (pc namespace) ---------------------------------------------------
CAMSIM="$ROOT/$BUILD_DIR/tools/camsim/ravix-camsim"
FINDER="$ROOT/$BUILD_DIR/shell/ravixfinder"
WORK=$(mktemp -d /tmp/ravix-keys-XXXXXX)
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
refocus() { xdotool windowfocus --sync "$WINDOW"; sleep 0.3; }

start_simulator() {
  local ns=$1 config=$2 out="$WORK/$1.out"
  $NETLAB_RUN "$ns" "$CAMSIM" --config "$config" --no-control --log "$WORK/$ns-requests.log" >"$out" &
  PIDS+=($!)
  for _ in $(seq 1 300); do
    grep -q '^ready' "$out" && return 0
    sleep 0.1
  done
  echo "finder_keys.sh: the simulator in $ns did not become ready" >&2
  exit 1
}
start_simulator cam0 "$ROOT/scripts/demo/office.json"
start_simulator cam1 "$ROOT/scripts/demo/zeroconf.json"
"$CAMSIM" --make-firmware "$WORK/update.bin" --firmware-version 3.3.0 >/dev/null

export DISPLAY=:57
Xvfb "$DISPLAY" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
sleep 1
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
mkdir -p "$XDG_CONFIG_HOME"
QT_QPA_PLATFORM=xcb "$FINDER" >"$WORK/finder.out" 2>&1 &
FINDER_PID=$!
PIDS+=("$FINDER_PID")
xdotool search --sync --onlyvisible --name "Zorvik IP Camera Finder" >/dev/null
WINDOW=$(xdotool search --onlyvisible --name "Zorvik IP Camera Finder" | head -1)
xdotool windowfocus --sync "$WINDOW"  # no window manager here
sleep 4  # discovery and completion of the 12 cameras

# Three cameras demand a login: answer each prompt as a user who knows it (admin/zorvik).
answer_prompts() {
  local answered=0 prompt
  for _ in $(seq 1 20); do
    prompt=$(xdotool search --onlyvisible --name "^Authentication for" 2>/dev/null | head -1 || true)
    if [ -z "$prompt" ]; then
      [ "$answered" -ge 3 ] && break
      sleep 0.5
      continue
    fi
    xdotool windowfocus --sync "$prompt"
    sleep 0.3
    type_text admin
    keys Tab
    type_text zorvik
    keys Return
    answered=$((answered + 1))
    sleep 1.5  # OK tries the login on the camera first
  done
  echo "   answered $answered password prompts"
}
step "Start: answer the password prompts by keys"
answer_prompts
xdotool windowfocus --sync "$WINDOW"
sleep 1
shot 1-started

step "View, List by keys; filter D210 (Ctrl+F)"
keys alt+v l
keys ctrl+f
type_text "D210"
sleep 0.5
shot 2-filtered

step "Copy URL of the one shown camera (Down to the list, Ctrl+C)"
keys Down ctrl+c
sleep 1.5  # Copy URL waits for its requery pause
URL=$(xclip -o -selection clipboard 2>/dev/null || true)
echo "   clipboard: $URL"
check "the clipboard holds the D210 camera's URL" bash -c "[[ '$URL' == http://192.168.77.*/index.html ]]"

step "Export List... to $WORK/shown.csv (Camera menu by keys, file dialog by keys)"
keys alt+c e
sleep 1
shot 3-export-dialog
type_text "$WORK/shown.csv"
keys Return
sleep 1
check "the exported file exists" test -s "$WORK/shown.csv"
if [ -s "$WORK/shown.csv" ]; then
  cp "$WORK/shown.csv" "$OUT/shown.csv"
  echo "   $(wc -l <"$WORK/shown.csv") lines: $(tail -n +2 "$WORK/shown.csv" | cut -c1-80)"
  check "one camera exported (a header and one row)" test "$(wc -l <"$WORK/shown.csv")" -eq 2
fi

step "Update Firmware on the shown camera, wizard to the end by keys"
refocus  # no window manager hands the focus back after a dialog
keys alt+c u
sleep 1
type_text "$WORK/update.bin"
shot 4-wizard-file
keys alt+n
for _ in $(seq 1 60); do
  grep -q "firmware.cgi/check" "$WORK/cam0-requests.log" 2>/dev/null && break
  sleep 1
done
sleep 2
shot 5-wizard-results
keys Return  # Finish
sleep 1
check "the camera got the image and was checked" grep -q "firmware.cgi/check" "$WORK/cam0-requests.log"
check "the wizard closed on Return" bash -c "! xdotool search --onlyvisible --name 'Update Firmware' >/dev/null 2>&1"

step "Esc in the filter shows every camera again"
refocus
keys ctrl+f Escape
sleep 0.5
shot 6-filter-cleared

step "Exit (Camera, Exit by keys)"
refocus
keys alt+c x
for _ in $(seq 1 50); do kill -0 "$FINDER_PID" 2>/dev/null || break; sleep 0.1; done
check "the finder ended" bash -c "! kill -0 $FINDER_PID 2>/dev/null"
cp "$WORK/finder.out" "$OUT/finder.out"
[ "$FAILED" = 0 ] && echo "finder_keys.sh: all steps passed" || echo "finder_keys.sh: some steps FAILED"
exit "$FAILED"
