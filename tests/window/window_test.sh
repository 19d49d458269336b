#!/usr/bin/env bash
# The engine in a real window on a virtual X server: the title, full screen or a window,
# typed text and Escape from the X keyboard, a termination signal ending the run quietly,
# the desktop clipboard and the error message box. Exits 77 (skipped) when Xvfb or
# xdotool is missing or no server starts.
set -uo pipefail
ENGINE=$1
WORK=$2
source "$(dirname "$0")/xserver.sh"

# A remembered display card: the report of a first start (first_start_test.sh) stays away.
mkdir -p "$XDG_CONFIG_HOME/zentropia"
printf '[ZentropiaStateData]\nBEST3DCARD=Software Display Device\nBEST3DDEPTH=16\n' > "$XDG_CONFIG_HOME/zentropia/win.ini"

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

# Keys, the pointer and the wheel through the X server, read back with KEYSTATE, the named
# key functions, MOUSEX and MOUSEZ.
cat > devices.ztb <<'PROGRAM'
print "started"
up = 0 : mx = mousex() : mz = mousez()
do
  k = upkey()
  if k <> up
    up = k
    s$ = "up " + str$(up) + " " + str$(keystate(200))
    print s$
  endif
  m = mousex()
  if m <> mx
    mx = m
    print "mouse " + str$(mx)
  endif
  z = mousez()
  if z <> mz
    mz = z
    print "wheel " + str$(mz)
  endif
loop
PROGRAM
# The x of the latest "mouse X" line, or nothing.
lastMouse() { grep '^mouse ' out.txt | tail -1 | cut -d' ' -f2; }
movedRightOf() { local x; x=$(lastMouse); [ -n "$x" ] && [ "$x" -gt "$1" ]; }
mouseSeen() { [ -n "$(lastMouse)" ]; }
start --window --echo devices.ztb && {
  waitForLine started
  xdotool keydown Up
  waitForLine "up 1 1"
  xdotool keyup Up
  waitForLine "up 0 0"
  xdotool mousemove --window "$window" 100 100
  waitUntil mouseSeen || fail "the pointer's move did not reach MOUSEX: $(cat out.txt)"
  x=$(lastMouse)
  xdotool mousemove_relative 50 0
  waitUntil movedRightOf "${x:-0}" || fail "MOUSEX did not grow from ${x} as the pointer moved right: $(cat out.txt)"
  xdotool click 4  # the wheel turned away from the user: a notch moves MOUSEZ from 50 past 99
  waitForLine "wheel 99"
  xdotool click 5
  waitForLine "wheel 0"
  xdotool key Escape
  finish "devices" 0
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
  expected="$(printf 'Runtime Error : ERROR 7. \nerror 102 (array subscript out of range) at error.ztb:2:1')"
  [ "$(cat err.txt)" = "$expected" ] || fail "error text: $(cat err.txt)"
}

[ "$failures" = 0 ] && echo "window tests passed"
exit $((failures > 0))
