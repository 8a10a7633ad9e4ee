# What the X11 key runs in this folder share: sourced by each of them after
# `set -euo pipefail` with X11_NAME set to the script's file name (used in messages and to
# run the script again inside the lab). Outside the lab: x11_need_root, x11_need_tools,
# x11_enter_lab. Inside it: x11_work, start_simulator, start_xvfb, x11_profile,
# start_finder, and the helpers for steps, checks, keys and the X focus.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$ROOT"

# BUILD_DIR (default build) as an absolute path: relative ones are taken from the
# repository's top. Exported, so that the run inside the lab finds the same one.
x11_build_dir() {
  BUILD_DIR=${BUILD_DIR:-build}
  case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
  export BUILD_DIR
  CAMSIM="$BUILD_DIR/tools/camsim/ravix-camsim"
  FINDER="$BUILD_DIR/shell/ravixfinder"
}

x11_need_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  echo "$X11_NAME: needs root for the network lab" >&2
  exit 77
}

# x11_need_tools TOOL...: exits 77 naming the Debian packages when one is missing.
x11_need_tools() {
  local tool packages=() missing=
  for tool in "$@"; do
    case "$tool" in
      Xvfb) packages+=(xvfb) ;;
      import) packages+=(imagemagick) ;;
      xwd) packages+=(x11-apps) ;;
      *) packages+=("$tool") ;;
    esac
    command -v "$tool" >/dev/null || missing=${missing:-$tool}
  done
  [ -z "$missing" ] && return 0
  echo "$X11_NAME: $missing is missing (apt-get install ${packages[*]})" >&2
  exit 77
}

# x11_enter_lab OUT_DIR NETLAB_ARGS...: makes OUT_DIR and runs this script again inside a
# new lab as `SCRIPT --in-lab OUT_DIR`; does not return.
x11_enter_lab() {
  OUT=$(realpath -m "$1")
  shift
  mkdir -p "$OUT"
  exec "$ROOT/tools/netlab/netlab" "$@" -- "$ROOT/tools/x11-drive/$X11_NAME" --in-lab "$OUT"
}

# x11_work PREFIX: a work folder /tmp/ravix-PREFIX-*, removed on exit together with every
# process whose id is added to PIDS.
x11_work() {
  WORK=$(mktemp -d "/tmp/ravix-$1-XXXXXX")
  PIDS=()
  FAILED=0
  trap x11_cleanup EXIT
}
x11_cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}

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
focused_window() { xdotool getwindowfocus getwindowname 2>/dev/null || true; }
# No window manager here: the X focus is given to a window by hand.
focus_window() { xdotool windowfocus --sync "$WINDOW"; sleep 0.3; }
# The X focus goes to the root window and back, so that Qt sees the main window activated
# again even when the X focus never left it (a dialog closed over it).
refocus() {
  xdotool windowfocus --sync "$(xdotool search --maxdepth 0 --name '' | head -1)" 2>/dev/null || true
  focus_window
}

# start_simulator NS CONFIG [CAMSIM_ARGS...]: a simulator in camera namespace NS, its
# output in $WORK/NS.out and its request log in $WORK/NS-requests.log; waits for "ready".
start_simulator() {
  local ns=$1 config=$2 out="$WORK/$1.out"
  shift 2
  $NETLAB_RUN "$ns" "$CAMSIM" --config "$config" --no-control --log "$WORK/$ns-requests.log" "$@" >"$out" &
  PIDS+=($!)
  for _ in $(seq 1 300); do
    grep -q '^ready' "$out" 2>/dev/null && return 0
    kill -0 "${PIDS[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "$X11_NAME: the simulator in $ns did not become ready" >&2
  exit 1
}

# start_xvfb DISPLAY WIDTHxHEIGHT: exports DISPLAY and waits until the server answers.
start_xvfb() {
  export DISPLAY=$1
  Xvfb "$DISPLAY" -screen 0 "$2x24" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  PIDS+=($!)
  for _ in $(seq 1 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "$X11_NAME: Xvfb on $DISPLAY did not start" >&2
  exit 1
}

# A fresh profile under $WORK/home; PROFILE_CONF is where the finder keeps its settings.
x11_profile() {
  export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
  mkdir -p "$XDG_CONFIG_HOME/Zorvik Vision Components"
  PROFILE_CONF="$XDG_CONFIG_HOME/Zorvik Vision Components/Zorvik IP Camera Finder.conf"
}

# start_finder [ARGS...]: the window with the xcb platform, its output in $WORK/finder.out;
# waits for it to show and gives it the X focus (FINDER_PID, WINDOW).
start_finder() {
  QT_QPA_PLATFORM=xcb "$FINDER" "$@" >"$WORK/finder.out" 2>&1 &
  FINDER_PID=$!
  PIDS+=("$FINDER_PID")
  xdotool search --sync --onlyvisible --name "Zorvik IP Camera Finder" >/dev/null
  WINDOW=$(xdotool search --onlyvisible --name "Zorvik IP Camera Finder" | head -1)
  xdotool windowfocus --sync "$WINDOW"
}

# Three cameras of the demo lab demand a login: answer each prompt as a user who knows it
# (admin/zorvik).
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

# finish_finder: Camera, Exit by keys, checks that the window ended and keeps its output.
finish_finder() {
  keys alt+c x
  for _ in $(seq 1 50); do kill -0 "$FINDER_PID" 2>/dev/null || break; sleep 0.1; done
  check "the finder ended" bash -c "! kill -0 $FINDER_PID 2>/dev/null"
  cp "$WORK/finder.out" "$OUT/finder.out"
}

x11_result() {  # prints the outcome and exits with it
  [ "$FAILED" = 0 ] && echo "$X11_NAME: all steps passed" || echo "$X11_NAME: some steps FAILED"
  exit "$FAILED"
}
