#!/usr/bin/env bash
# Demonstration without cameras: builds ravix-camsim and ravixfinder, creates a network
# lab with two links, 8 simulated cameras and a printer on 192.168.77.0/24 and 4 cameras
# on the zeroconf link 169.254.0.0/16 (some needing the login admin/zorvik, one Dome),
# and runs ravixfinder with the given arguments in the lab's "pc" namespace. Everything
# (simulators, namespaces) is removed on exit. Needs root.
#   scripts/demo.sh [ravixfinder arguments...]     e.g. scripts/demo.sh --list
#   scripts/demo.sh                                the finder's window (needs a desktop session:
#                                                  DISPLAY or WAYLAND_DISPLAY kept through sudo)
#   scripts/demo.sh --screenshot FILE [tree|list]  saves a picture of the window (offscreen)
#   scripts/demo.sh --urlforge                     UrlForge's window instead (needs a display)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build}
if [ "$(id -u)" -ne 0 ]; then
  echo "demo.sh: needs root for the network lab (try: sudo scripts/demo.sh $*)" >&2
  exit 1
fi

if [ "${1:-}" != "--in-lab" ]; then
  TARGETS=(ravix-camsim ravixfinder)
  if [ "${1:-}" = "--screenshot" ]; then
    TARGETS+=(main_window_screenshot)
  else
    window=1
    for arg in "$@"; do
      case "$arg" in --list|--update-firmware|--help|-h|--version) window=0 ;; esac
    done
    if [ "$window" = 1 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "demo.sh: the window needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set" >&2
      echo "  (through sudo: sudo --preserve-env=DISPLAY,XAUTHORITY,WAYLAND_DISPLAY,XDG_RUNTIME_DIR scripts/demo.sh)" >&2
      exit 1
    fi
  fi
  cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
  [ "${1:-}" = "--urlforge" ] && TARGETS+=(urlforge)
  cmake --build "$BUILD_DIR" --parallel 2 --target "${TARGETS[@]}" >/dev/null
  exec tools/netlab/netlab \
    --link 192.168.77.1/24=192.168.77.10/24x9 \
    --link 169.254.10.1/16=169.254.3.4/16x4 \
    -- "$ROOT/scripts/demo.sh" --in-lab "$@"
fi
shift

# --- inside the lab (pc namespace) ---------------------------------------------------
CAMSIM="$ROOT/$BUILD_DIR/tools/camsim/ravix-camsim"
FINDER="$ROOT/$BUILD_DIR/shell/ravixfinder"
if [ "${1:-}" = "--urlforge" ]; then
  FINDER="$ROOT/$BUILD_DIR/urlforge/urlforge"
  shift
fi
WORK=$(mktemp -d /tmp/ravix-demo-XXXXXX)
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

# Starts a simulator in camera namespace $1 with description $2; waits for "ready".
start_simulator() {
  local ns=$1 config=$2 out="$WORK/$1.out"
  $NETLAB_RUN "$ns" "$CAMSIM" --config "$config" --no-control --log "$WORK/$ns-requests.log" >"$out" &
  PIDS+=($!)
  for _ in $(seq 1 300); do
    if grep -q '^ready' "$out"; then echo "demo: $ns: $(head -1 "$out")"; return 0; fi
    kill -0 "${PIDS[-1]}" 2>/dev/null || { echo "demo: the simulator in $ns failed" >&2; return 1; }
    sleep 0.1
  done
  echo "demo: the simulator in $ns did not become ready" >&2
  return 1
}

# The cameras of the demo (also what the views' lab test and screenshots use).
start_simulator cam0 "$ROOT/scripts/demo/office.json"
start_simulator cam1 "$ROOT/scripts/demo/zeroconf.json"
echo "demo: 12 cameras and a printer are announced; running $(basename "$FINDER") $*"
status=0
if [ "${1:-}" = "--screenshot" ]; then
  shift
  "$ROOT/$BUILD_DIR/tests/gui/lab/main_window_screenshot" "$@" || status=$?
else
  "$FINDER" "$@" || status=$?
fi
echo "demo: the cameras received $(cat "$WORK"/cam*-requests.log 2>/dev/null | wc -l) HTTP requests"
exit "$status"
