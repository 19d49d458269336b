# Shared by the window tests (sourced after ENGINE and WORK are set): a virtual X server
# of its own for the test in an empty work folder, the engine started in the background
# on a program with its window waited for, its echoed lines and its exit code. Exits 77
# (skipped) when Xvfb or xdotool is missing or no server starts.
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing: skipped"; exit 77; }
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1

# Polls CONDITION (a command) every 50 ms for up to 10 seconds; false when it never held.
waitUntil() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.05; done
  return 1
}

# Xvfb picks a free display number itself and writes it out, so test runs never share one.
# -noreset: by default the server resets when its last client leaves (each xdotool call
# below is a client) and drops the connection of an engine that is still starting.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>display.txt >/dev/null 2>&1 &
xvfb=$!
engine=""
cleanup() {
  [ -n "$engine" ] && kill "$engine" 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
waitUntil test -s display.txt || { echo "Xvfb did not start: skipped"; exit 77; }
export DISPLAY=:$(head -1 display.txt)
# The desktop's libraries (D-Bus, the OpenGL driver) keep allocations to the end of the
# process; in sanitizer builds the engine's own leaks are found by the headless tests.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
# Test machines have no sound card: the engine plays through SDL's dummy audio driver,
# whose thread asks the mixer for samples as a card would.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
# A card memory of the test's own, empty: the next start is a first start.
export XDG_CONFIG_HOME=$WORK/config

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The window of the running engine once it is shown: the title is set on the hidden
# window long before it is mapped, and keys typed before then go nowhere.
shownWindow() {
  window=$(xdotool search --onlyvisible --name "$WORK/$1" 2>/dev/null | head -1)
  [ -n "$window" ]
}

# Starts the engine on PROGRAM in the background and waits for its window.
start() {
  "$ENGINE" "$@" > out.txt 2> err.txt &
  engine=$!
  window=""
  if ! waitUntil shownWindow "${@: -1}"; then
    kill "$engine" 2>/dev/null && wait "$engine"
    engine=""
    fail "no window for $* ($(cat err.txt))"
    return 1
  fi
  xdotool windowfocus --sync "$window"  # what a window manager does for a new window
}

# Waits until the program has echoed the line TEXT: it runs, and a key pressed now
# reaches it (keys pressed before the run loop starts are discarded, as the engine does).
echoed() { grep -qxF -- "$1" out.txt; }
waitForLine() { waitUntil echoed "$1" || fail "no line '$1' in the output: $(cat out.txt)"; }

# Waits for the engine to end and checks its exit code.
ended() { ! kill -0 "$engine" 2>/dev/null; }
finish() {
  waitUntil ended || { fail "still running: $1"; kill "$engine"; }
  wait "$engine"
  local code=$?
  engine=""
  [ "$code" = "$2" ] || fail "$1: exit code $code, expected $2 ($(cat err.txt))"
}

