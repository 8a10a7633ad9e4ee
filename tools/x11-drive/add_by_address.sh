#!/usr/bin/env bash
# Drives the finder's window by real X key events: Camera -> Add by Address... opened with
# the keyboard (Alt+C, then the item's accelerator), a block typed and added with Return,
# Tab to OK and Return; then checks that the far cameras behind the lab's router appear.
#
# Runs the window under Xvfb with the xcb platform inside the pc namespace of a routed lab
# (tools/netlab --routed; root), ten simulated cameras on the far /22. Needs xdotool and
# xwd (Debian: xdotool, x11-apps); takes pictures into OUT_DIR as .xwd (and .png when
# ImageMagick's or netpbm's converter is there): of the screen, and of the dialog by its
# window (a picture of the screen shows Qt's other top-level windows and menus black here).
#
# Usage: sudo tools/x11-drive/add_by_address.sh [BUILD_DIR] [OUT_DIR]
#   BUILD_DIR  default: $BUILD_DIR or build (needs ravixfinder and ravix-camsim built)
#   OUT_DIR    default: a new folder under /tmp, printed at the end
# Exit code 0 when the far cameras were listed, 1 otherwise, 77 when something needed is
# missing (not root, no Xvfb or xdotool).
set -euo pipefail
X11_NAME=add_by_address.sh
source "$(dirname "$0")/x11_drive_lib.sh"
BUILD_DIR=${1:-${BUILD_DIR:-build}}
x11_build_dir
OUT_DIR=${2:-}
BLOCK=10.41.1.0/24
CAMERAS=10

if [ -z "${NETLAB_ID:-}" ]; then
  x11_need_root
  x11_need_tools Xvfb xdotool xwd
  [ -n "$OUT_DIR" ] || OUT_DIR=$(mktemp -d /tmp/ravix-x11-drive-XXXXXX)
  mkdir -p "$OUT_DIR"
  exec "$ROOT/tools/netlab/netlab" \
    --routed 10.40.0.1/24=10.40.0.254/24,10.41.0.1/22=10.41.1.10/22x$CAMERAS \
    -- "$ROOT/tools/x11-drive/$X11_NAME" "$BUILD_DIR" "$OUT_DIR"
fi

# --- inside the lab (pc namespace) ---------------------------------------------------
x11_work x11-work
say() { echo "x11-drive: $*"; }

# Ten cameras on the far subnet (their multicast never reaches the pc: only an address does).
{
  echo '{"cameras": ['
  for i in $(seq 0 $((CAMERAS - 1))); do
    [ "$i" -gt 0 ] && echo ','
    a="10.41.1.$((10 + i))"
    printf '{"name": "far%02d", "address": "%s", "ipv4_net": "%s", "serial": "ZV9%05d", "parameters": {"Network.HostName": "far%02d"}}' \
      "$i" "$a" "$a" "$i" "$i"
  done
  echo ']}'
} >"$WORK/far.json"
start_simulator far "$WORK/far.json"
start_xvfb :57 1280x800

shot() {  # picture of the screen (or of window $2) as OUT_DIR/$1.xwd (and .png when possible)
  if [ -n "${2:-}" ]; then xwd -id "$2" -silent >"$OUT_DIR/$1.xwd"; else xwd -root -silent >"$OUT_DIR/$1.xwd"; fi
  if command -v import >/dev/null && [ "$(command -v convert)" != /usr/local/bin/convert ]; then
    convert "$OUT_DIR/$1.xwd" "$OUT_DIR/$1.png" 2>/dev/null || true
  elif command -v xwdtopnm >/dev/null && command -v pnmtopng >/dev/null; then
    xwdtopnm "$OUT_DIR/$1.xwd" 2>/dev/null | pnmtopng >"$OUT_DIR/$1.png" 2>/dev/null || true
  fi
  say "picture $OUT_DIR/$1"
}
key() { xdotool key --clearmodifiers --delay 120 "$@"; sleep 0.4; }

# A fresh profile: no addresses stored, the tree view.
x11_profile
start_finder --trace
sleep 2
shot 1-window

key alt+c                  # the Camera menu
shot 2-camera-menu
key a                      # Add by &Address...
dialog=$(xdotool search --sync --onlyvisible --name 'Add by Address' | head -1)
shot 3-dialog "$dialog"
xdotool type --delay 60 "$BLOCK"
key Return                 # adds the typed block to the list
shot 4-block-added "$dialog"
key Tab Tab                # past the list (Add and Remove are disabled) to OK
shot 5-ok-focused "$dialog"
key Return                 # OK: stores the list and refreshes
sleep 10                   # the search (a few seconds) and the completions
shot 6-far-cameras

conf=$PROFILE_CONF
stored=$(grep -h '^Addresses=' "$conf" 2>/dev/null || true)
found=$(grep -c "CmDNS::AddFoundRecord: Adding ID" "$WORK/finder.out" || true)
say "stored: ${stored:-nothing}; cameras entered by address: $found of $CAMERAS"
cp "$WORK/finder.out" "$OUT_DIR/finder-trace.log"
say "pictures and trace in $OUT_DIR"
[ "$stored" = "Addresses=$BLOCK" ] && [ "$found" -ge "$CAMERAS" ]
