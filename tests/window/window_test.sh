#!/usr/bin/env bash
# The engine in a real window on a virtual X server: the title, full screen or a window,
# typed text and Escape from the X keyboard, a termination signal ending the run quietly,
# the desktop clipboard and the error message box. Exits 77 (skipped) when Xvfb or
# xdotool is missing or no server starts.
set -uo pipefail
ENGINE=$1
WORK=$2
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
# A remembered display card: the report of a first start (chooser_test.sh) stays away.
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME/zentropia"
printf '[ZentropiaStateData]\nBEST3DCARD=Software Display Device\nBEST3DDEPTH=16\n' > "$XDG_CONFIG_HOME/zentropia/win.ini"

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

# Holds each key until the program has echoed the code of the character it typed
# ("seen 72"), as a person holds a key until the screen shows it: a character lasts only
# until the next message, its key's release.
typeSeen() {
  while [ $# -gt 0 ]; do
    xdotool keydown "$1"
    waitForLine "seen $2"
    xdotool keyup "$1"
    shift 2
  done
}

cat > typing.ztb <<'PROGRAM'
print "started"
do
  k$ = inkey$()
  if k$ <> p$ and k$ <> ""
    print "seen "; asc(k$)
    if asc(k$) = 13 then exit
    t$ = t$ + k$
  endif
  p$ = k$
loop
print "typed: " + t$
PROGRAM
cp typing.ztb endless.ztb

start --echo typing.ztb && {
  [ "$(xdotool getwindowname "$window")" = "$WORK/typing.ztb" ] || fail "title: $(xdotool getwindowname "$window")"
  geometry=$(xdotool getwindowgeometry "$window" | grep Geometry)
  [[ "$geometry" == *1024x768* ]] || fail "full screen by default: $geometry"
  waitForLine started
  typeSeen H 72 i 105 shift+1 33 Return 13
  finish "typing" 0
  [ "$(cat out.txt)" = $'started\nseen 72\nseen 105\nseen 33\nseen 13\ntyped: Hi!' ] || fail "typed text: $(cat out.txt)"
}

start --window --echo endless.ztb && {
  geometry=$(xdotool getwindowgeometry "$window" | grep Geometry)
  [[ "$geometry" != *1024x768* ]] || fail "--window runs in a window: $geometry"
  waitForLine started
  xdotool key Escape
  finish "Escape" 0
  [ "$(cat out.txt)" = "started" ] || fail "Escape output: $(cat out.txt)"
}

start --window --echo endless.ztb && {
  waitForLine started  # the signal handler is in place
  kill -TERM "$engine"  # closing the session: the run ends as if the window was closed
  finish "terminated" 0
}

# The desktop clipboard: 8-bit characters go through it unchanged.
printf 'write to clipboard "caf" + chr$(233)\nprint asc(right$(get clipboard$(), 1)); " "; len(get clipboard$())\ndo\nloop\n' > copy.ztb
start --window --echo copy.ztb && {
  waitForLine "233 4"
  xdotool key Escape
  finish "clipboard" 0
}

printf 'dim a(3)\na(7) = 1\n' > error.ztb
# The message box sets only the new-style name, which a search by name does not match.
errorBox() {
  for w in $(xdotool search --onlyvisible --class "" 2>/dev/null); do
    [ "$(xdotool getwindowname "$w")" = "Error In Program" ] && { box=$w; return 0; }
  done
  return 1
}
start --window error.ztb && {
  if waitUntil errorBox; then
    xdotool windowfocus --sync "$box"
    xdotool key Return  # the box's OK button
  else
    fail "no message box captioned Error In Program"
  fi
  finish "error" 1
  [ "$(cat err.txt)" = "Runtime Error : ERROR 7. " ] || fail "error text: $(cat err.txt)"
}

[ "$failures" = 0 ] && echo "window tests passed"
exit $((failures > 0))
