#!/usr/bin/env bash
# Demonstration without cameras: builds ravix-camsim and ravixfinder, creates a network
# lab with two links, 8 simulated cameras and a printer on 192.168.77.0/24 and 4 cameras
# on the zeroconf link 169.254.0.0/16 (some needing the login admin/zorvik, one Dome),
# and runs ravixfinder with the given arguments in the lab's "pc" namespace. Everything
# (simulators, namespaces) is removed on exit. Needs root.
#   scripts/demo.sh [ravixfinder arguments...]     e.g. scripts/demo.sh --list
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
  cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
  PROGRAM=ravixfinder
  [ "${1:-}" = "--urlforge" ] && PROGRAM=urlforge
  cmake --build "$BUILD_DIR" --parallel 2 --target ravix-camsim "$PROGRAM" >/dev/null
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

cat >"$WORK/office.json" <<'JSON'
{
  "cameras": [
    {"model": "Ravix-B120", "serial": "ZV000101", "fwversion": "3.2.1", "modelid": "B120-4MP", "mac": "00-1e-c0-00-01-01", "path": "/index.html"},
    {"model": "Ravix-B120", "serial": "ZV000102", "fwversion": "3.2.1", "modelid": "B120-4MP", "mac": "00-1e-c0-00-01-02", "path": "/index.html",
     "login": {"username": "admin", "password": "zorvik"}},
    {"model": "Ravix-D210", "serial": "ZV000103", "fwversion": "3.1.0", "modelid": "D210-2MP", "mac": "00-1e-c0-00-01-03", "path": "/index.html"},
    {"model": "Ravix-B120", "serial": "ZV000104", "fwversion": "3.2.1", "modelid": "B120-4MP", "mac": "00-1e-c0-00-01-04", "path": "/index.html"},
    {"model": "Ravix2-B300", "serial": "ZV000105", "fwversion": "4.0.2", "modelid": "B300-8MP", "path": "/index.html"},
    {"model": "Ravix2-B300", "serial": "ZV000106", "fwversion": "4.0.2", "modelid": "B300-8MP", "mac": "00-1e-c0-00-01-06", "path": "/index.html",
     "login": {"username": "admin", "password": "zorvik"}},
    {"model": "Ravix-B120", "serial": "ZV000107", "fwversion": "3.2.1", "modelid": "B120-4MP", "mac": "00-1e-c0-00-01-07", "path": "/index.html"},
    {"model": "Ravix-B120", "serial": "ZV000108", "fwversion": "3.0.9", "modelid": "B120-4MP", "mac": "00-1e-c0-00-01-08", "path": "/index.html"}
  ],
  "services": [
    {"name": "Office Printer", "host": "office-printer", "txt": {"txtvers": "1", "product": "(LaserPrint 4000)", "path": "/"}}
  ]
}
JSON
cat >"$WORK/zeroconf.json" <<'JSON'
{
  "cameras": [
    {"model": "Ravix-B120", "serial": "ZV000201", "fwversion": "3.2.1", "modelid": "B120-4MP", "mac": "00-1e-c0-00-02-01", "ipv4_net": "192.168.0.201"},
    {"model": "Ravix-B120", "serial": "ZV000202", "fwversion": "3.2.1", "modelid": "B120-4MP", "mac": "00-1e-c0-00-02-02", "ipv4_net": "192.168.0.202",
     "login": {"username": "admin", "password": "zorvik"}},
    {"model": "Ravix-B120", "serial": "ZV000203", "fwversion": "3.2.1", "modelid": "B120-4MP", "ipv4_net": "192.168.0.203"},
    {"model": "Ravix2-B300", "serial": "ZV000204", "fwversion": "4.0.2", "modelid": "B300-8MP", "mac": "00-1e-c0-00-02-04", "ipv4_net": "192.168.0.204"}
  ]
}
JSON

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

start_simulator cam0 "$WORK/office.json"
start_simulator cam1 "$WORK/zeroconf.json"
echo "demo: 12 cameras and a printer are announced; running $(basename "$FINDER") $*"
status=0
"$FINDER" "$@" || status=$?
echo "demo: the cameras received $(cat "$WORK"/cam*-requests.log 2>/dev/null | wc -l) HTTP requests"
exit "$status"
