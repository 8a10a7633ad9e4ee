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
X11_NAME=focus_keys.sh
source "$(dirname "$0")/x11_drive_lib.sh"
x11_build_dir

if [ "${1:-}" != "--in-lab" ]; then
  x11_need_root
  x11_need_tools Xvfb xdotool xclip
  x11_enter_lab "${1:-/tmp/focus-keys}" \
    --link 192.168.77.1/24=192.168.77.10/24x9 \
    --link 169.254.10.1/16=169.254.3.4/16x4
fi
OUT=$2

# --- inside the lab (pc namespace) ---------------------------------------------------
x11_work focus
start_simulator cam0 "$ROOT/scripts/demo/office.json"
start_simulator cam1 "$ROOT/scripts/demo/zeroconf.json"
"$CAMSIM" --make-firmware "$WORK/update.bin" --firmware-version 3.3.0 >/dev/null

start_xvfb :58 1440x900
x11_profile
# The list view from the start: its first row is the first camera (the tree starts with
# this computer).
printf '[Settings]\nView=2\n' >"$PROFILE_CONF"
start_finder
sleep 4  # discovery and completion of the 12 cameras

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
finish_finder
x11_result
