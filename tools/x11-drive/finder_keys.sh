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
X11_NAME=finder_keys.sh
source "$(dirname "$0")/x11_drive_lib.sh"
x11_build_dir

if [ "${1:-}" != "--in-lab" ]; then
  x11_need_root
  x11_need_tools Xvfb xdotool xclip import
  x11_enter_lab "${1:-/tmp/finder-keys}" \
    --link 192.168.77.1/24=192.168.77.10/24x9 \
    --link 169.254.10.1/16=169.254.3.4/16x4
fi
OUT=$2

# --- inside the lab (pc namespace) ---------------------------------------------------
x11_work keys
start_simulator cam0 "$ROOT/scripts/demo/office.json"
start_simulator cam1 "$ROOT/scripts/demo/zeroconf.json"
"$CAMSIM" --make-firmware "$WORK/update.bin" --firmware-version 3.3.0 >/dev/null

start_xvfb :57 1440x900
x11_profile
start_finder
sleep 4  # discovery and completion of the 12 cameras

step "Start: answer the password prompts by keys"
answer_prompts
focus_window
sleep 0.7
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
focus_window  # no window manager hands the focus back after a dialog
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
focus_window
keys ctrl+f Escape
sleep 0.5
shot 6-filter-cleared

step "Exit (Camera, Exit by keys)"
focus_window
finish_finder
x11_result
