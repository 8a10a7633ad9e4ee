#!/usr/bin/env bash
# Where the keys go, by real X key events against the demo lab (12 simulated cameras and a
# printer, see scripts/demo.sh), under Xvfb with Qt's xcb platform and a fresh profile:
# right after the start Home and Ctrl+C copy the first camera's URL (the camera view has
# the keyboard focus, not the filter field); Down moves in the view; after F5 (Refresh)
# and after Transmit (IP Settings) the selection is still the camera chosen before and
# Down moves on from it. Checked from outside through the clipboard; a screenshot of each
# step lands in OUT_DIR.
#   sudo tools/x11-drive/focus_keys.sh [OUT_DIR]         (root: the lab needs it)
# Needs xvfb, xdotool and xclip (imagemagick's import for the pictures); BUILD_DIR (default build) must
# hold ravixfinder and ravix-camsim.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build}

if [ "${1:-}" != "--in-lab" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "focus_keys.sh: needs root for the network lab" >&2
    exit 77
  fi
  for tool in Xvfb xdotool xclip; do
    command -v "$tool" >/dev/null || { echo "focus_keys.sh: $tool is missing (apt-get install xvfb xdotool xclip)" >&2; exit 77; }
  done
  OUT=$(realpath -m "${1:-/tmp/focus-keys}")
  mkdir -p "$OUT"
  exec tools/netlab/netlab \
    --link 192.168.77.1/24=192.168.77.10/24x9 \
    --link 169.254.10.1/16=169.254.3.4/16x4 \
    -- "$ROOT/tools/x11-drive/focus_keys.sh" --in-lab "$OUT"
fi
OUT=$2

# --- inside the lab (pc namespace) ---------------------------------------------------
CAMSIM="$ROOT/$BUILD_DIR/tools/camsim/ravix-camsim"
FINDER="$ROOT/$BUILD_DIR/shell/ravixfinder"
WORK=$(mktemp -d /tmp/ravix-focus-XXXXXX)
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
shot() {  # with imagemagick's import only; the checks do not need the pictures
  command -v import >/dev/null || return 0
  import -window root "$OUT/$1.png"
  echo "   picture: $OUT/$1.png"
}
keys() { xdotool key --delay 80 "$@"; sleep 0.4; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.3; }
# No window manager: the X focus goes to the root window and back, so that Qt sees the
# window activated again even when the X focus never left it (a dialog closed over it).
refocus() {
  xdotool windowfocus --sync "$(xdotool search --maxdepth 0 --name '' | head -1)" 2>/dev/null || true
  xdotool windowfocus --sync "$WINDOW"
  sleep 0.3
}

start_simulator() {
  local ns=$1 config=$2 out="$WORK/$1.out"
  $NETLAB_RUN "$ns" "$CAMSIM" --config "$config" --no-control --log "$WORK/$ns-requests.log" >"$out" &
  PIDS+=($!)
  for _ in $(seq 1 300); do
    grep -q '^ready' "$out" && return 0
    sleep 0.1
  done
  echo "focus_keys.sh: the simulator in $ns did not become ready" >&2
  exit 1
}
start_simulator cam0 "$ROOT/scripts/demo/office.json"
start_simulator cam1 "$ROOT/scripts/demo/zeroconf.json"
"$CAMSIM" --make-firmware "$WORK/update.bin" --firmware-version 3.3.0 >/dev/null

export DISPLAY=:58
Xvfb "$DISPLAY" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
sleep 1
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
mkdir -p "$XDG_CONFIG_HOME/Zorvik Vision Components"
# The list view from the start: its first row is the first camera (the tree starts with
# this computer).
printf '[Settings]\nView=2\n' >"$XDG_CONFIG_HOME/Zorvik Vision Components/Zorvik IP Camera Finder.conf"
QT_QPA_PLATFORM=xcb "$FINDER" >"$WORK/finder.out" 2>&1 &
FINDER_PID=$!
PIDS+=("$FINDER_PID")
xdotool search --sync --onlyvisible --name "Zorvik IP Camera Finder" >/dev/null
WINDOW=$(xdotool search --onlyvisible --name "Zorvik IP Camera Finder" | head -1)
xdotool windowfocus --sync "$WINDOW"  # no window manager here
sleep 4  # discovery and completion of the 12 cameras

# Three cameras demand a login: answer each prompt as a user who knows it (admin/zorvik).
answer_prompts() {  # answer_prompts [EXPECTED] (default 3; 0: whatever comes within a few seconds)
  local expected=${1:-3} answered=0 prompt
  for _ in $(seq 1 20); do
    prompt=$(xdotool search --onlyvisible --name "^Authentication for" 2>/dev/null | head -1 || true)
    if [ -z "$prompt" ]; then
      [ "$answered" -ge "$expected" ] && break
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
refocus
sleep 1
shot 1-started

copy() {  # the URL Ctrl+C puts on the clipboard ("" when nothing was copied)
  printf '' | xclip -selection clipboard >/dev/null 2>&1  # xclip stays to serve it: not on our stdout
  keys ctrl+c
  sleep 1.5  # Copy URL waits for its requery pause
  xclip -o -selection clipboard 2>/dev/null || true
}
is_url() { [[ "$1" == http://* ]]; }

step "Right after the start: Home, Ctrl+C (no click, no Tab)"
keys Home
FIRST=$(copy)
echo "   clipboard: $FIRST"
check "Ctrl+C copied the first camera's URL" is_url "$FIRST"
keys Down
SECOND=$(copy)
echo "   clipboard: $SECOND"
check "Down moved to the next camera" bash -c "[[ '$SECOND' == http://* && '$SECOND' != '$FIRST' ]]"
shot 2-second-selected

step "F5 (Refresh): the selection stays on its camera, Down goes on from it"
keys F5
sleep 5  # discovery and completion again (and the focus comes back to the view by itself)
answer_prompts 0
refocus
KEPT=$(copy)
echo "   clipboard: $KEPT"
check "the camera selected before F5 is selected again" test "$KEPT" = "$SECOND"
keys Down
THIRD=$(copy)
echo "   clipboard: $THIRD"
check "Down moved in the view after F5" bash -c "[[ '$THIRD' == http://* && '$THIRD' != '$KEPT' ]]"
shot 3-after-refresh

step "IP Settings, Transmit (Return) unchanged: the focus comes back to the view"
LOGS_BEFORE=$(cat "$WORK"/cam*-requests.log 2>/dev/null | wc -l)
keys alt+e s
sleep 1
shot 4-ip-settings
keys Return
sleep 1
# a warning about reachability or a failed transmit may come; Return closes it
if xdotool search --onlyvisible --name "Zorvik IP Camera Finder" 2>/dev/null | grep -qv "^$WINDOW$"; then keys Return; fi
sleep 5  # the write, then the Refresh of the command
answer_prompts 0
refocus
LOGS_AFTER=$(cat "$WORK"/cam*-requests.log 2>/dev/null | wc -l)
check "the settings went to a camera" test "$LOGS_AFTER" -gt "$LOGS_BEFORE"
AFTER=$(copy)
echo "   clipboard: $AFTER"
check "the transmitted camera is still selected" test "$AFTER" = "$THIRD"
keys Down
FOURTH=$(copy)
echo "   clipboard: $FOURTH"
check "Down moved in the view after Transmit" bash -c "[[ '$FOURTH' == http://* && '$FOURTH' != '$AFTER' ]]"
shot 5-after-transmit

step "Exit (Camera, Exit by keys)"
refocus
keys alt+c x
for _ in $(seq 1 50); do kill -0 "$FINDER_PID" 2>/dev/null || break; sleep 0.1; done
check "the finder ended" bash -c "! kill -0 $FINDER_PID 2>/dev/null"
cp "$WORK/finder.out" "$OUT/finder.out"
[ "$FAILED" = 0 ] && echo "focus_keys.sh: all steps passed" || echo "focus_keys.sh: some steps FAILED"
exit "$FAILED"
