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

# Xvfb picks a free display number itself and writes it out, so test runs never share one.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>display.txt >/dev/null 2>&1 &
xvfb=$!
engine=""
cleanup() {
  [ -n "$engine" ] && kill "$engine" 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s display.txt ] && break; sleep 0.1; done
[ -s display.txt ] || { echo "Xvfb did not start: skipped"; exit 77; }
export DISPLAY=:$(head -1 display.txt)
# The desktop's libraries (D-Bus, the OpenGL driver) keep allocations to the end of the
# process; in sanitizer builds the engine's own leaks are found by the headless tests.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the engine on PROGRAM in the background and waits for its window.
start() {
  "$ENGINE" "$@" > out.txt 2> err.txt &
  engine=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name "$WORK/${@: -1}" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { fail "no window for $*"; return 1; }
  xdotool windowfocus --sync "$window"  # what a window manager does for a new window
  sleep 0.3
}

# Waits for the engine to end and checks its exit code.
finish() {
  for _ in $(seq 100); do kill -0 "$engine" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$engine" 2>/dev/null; then fail "still running: $1"; kill "$engine"; fi
  wait "$engine"
  local code=$?
  engine=""
  [ "$code" = "$2" ] || fail "$1: exit code $code, expected $2 ($(cat err.txt))"
}

# Holds each key long enough for the program to see its character, as a person does.
typeSlowly() {
  for key in "$@"; do xdotool keydown "$key"; sleep 0.3; xdotool keyup "$key"; sleep 0.1; done
}

cat > typing.ztb <<'PROGRAM'
print "started"
do
  k$ = inkey$()
  if k$ <> p$ and k$ <> ""
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
  typeSlowly H i shift+1 Return
  finish "typing" 0
  [ "$(cat out.txt)" = $'started\ntyped: Hi!' ] || fail "typed text: $(cat out.txt)"
}

start --window --echo endless.ztb && {
  geometry=$(xdotool getwindowgeometry "$window" | grep Geometry)
  [[ "$geometry" != *1024x768* ]] || fail "--window runs in a window: $geometry"
  typeSlowly Escape
  finish "Escape" 0
  [ "$(cat out.txt)" = "started" ] || fail "Escape output: $(cat out.txt)"
}

start --window --echo endless.ztb && {
  kill -TERM "$engine"  # closing the session: the run ends as if the window was closed
  finish "terminated" 0
}

# The desktop clipboard: 8-bit characters go through it unchanged.
printf 'write to clipboard "caf" + chr$(233)\nprint asc(right$(get clipboard$(), 1)); " "; len(get clipboard$())\ndo\nloop\n' > copy.ztb
start --window --echo copy.ztb && typeSlowly Escape && finish "clipboard" 0
[ "$(cat out.txt)" = "233 4" ] || fail "clipboard: $(cat out.txt)"

printf 'dim a(3)\na(7) = 1\n' > error.ztb
start --window error.ztb && {
  box=""
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --class "" 2>/dev/null); do  # the box sets only the new-style name
      [ "$(xdotool getwindowname "$w")" = "Error In Program" ] && box=$w
    done
    [ -n "$box" ] && break
    sleep 0.1
  done
  if [ -n "$box" ]; then
    xdotool windowfocus --sync "$box"
    typeSlowly Return  # the box's OK button
  else
    fail "no message box captioned Error In Program"
  fi
  finish "error" 1
  [ "$(cat err.txt)" = "Runtime Error : ERROR 7. " ] || fail "error text: $(cat err.txt)"
}

[ "$failures" = 0 ] && echo "window tests passed"
exit $((failures > 0))
