#!/usr/bin/env bash
# On a virtual X server: the first start in a window shows the display-card report once
# and waits for a key before the program runs, a second start shows nothing; and a session
# typed and clicked through the X server with --record replays headless on the virtual
# clock to the same output and the same frames.
set -uo pipefail
ENGINE=$1
WORK=$2
source "$(dirname "$0")/xserver.sh"
memory=$XDG_CONFIG_HOME/zentropia/win.ini

printf 'print "started"\ndo\nloop\n' > endless.ztb

# The report shows after the card is written and waits: neither the program's first line
# nor the depth comes until a key is pressed. Keys pressed before it is painted do not
# answer it, so the key is pressed until the program runs.
pressed() { xdotool key space; sleep 0.2; echoed started; }
start --window --echo endless.ztb && {
  waitUntil grep -q 'BEST3DCARD=Software Display Device' "$memory" || fail "no card written: $(cat "$memory")"
  grep -q BEST3DDEPTH "$memory" && fail "depth written before the report was answered"
  echoed started && fail "the program ran before the report was answered"
  waitUntil pressed || fail "the report did not end on a key"
  grep -q 'BEST3DDEPTH=16' "$memory" || fail "depth not written: $(cat "$memory")"
  xdotool key Escape
  finish "first start" 0
}
cp "$memory" first.ini
start --window --echo endless.ztb && {
  waitForLine started  # no key: nothing waits
  xdotool key Escape
  finish "second start" 0
  cmp -s "$memory" first.ini || fail "the second start rewrote the card memory"
}

# Every input kind through the X server, echoed by frame; a dot follows the mouse. The
# program runs until Return is typed, and at least 200 frames.
cat > watch.ztb <<'PROGRAM'
sync on
print "started"
repeat
  inc f
  k$ = inkey$() : if k$ <> "" then print f; " char "; asc(k$)
  if k$ = chr$(13) then r = 1
  s = scancode() : if s <> p then print f; " key "; s
  p = s
  x = mousex() : y = mousey() : b = mouseclick() : z = mousez()
  if x <> mx or y <> my or b <> mb or z <> mz then print f; " mouse "; x; " "; y; " "; b; " "; z
  mx = x : my = y : mb = b : mz = z
  ink rgb(255, f, 0), 0 : dot x, y
  sync
until r = 1 and f >= 200
print "done"
PROGRAM
# Runs an xdotool command, then waits until the program has echoed a line ending in TEXT
# COUNT times in all: each button and key is held until the program has seen it, as a
# person holds it until the screen shows it.
echoedTimes() { [ "$(grep -c -- "$1\$" out.txt)" -ge "$2" ]; }
act() {
  local text=$1 count=$2
  shift 2
  xdotool "$@"
  waitUntil echoedTimes "$text" "$count" || fail "after xdotool $*: no '$text' in $(cat out.txt)"
}
start --window --echo --record session.txt --dump-frame 100:a100.bmp --dump-frame 200:a200.bmp watch.ztb && {
  waitForLine started
  act " mouse 100 120 0 50" 1 mousemove --window "$window" 100 120
  act " mouse 100 120 1 50" 1 mousedown 1
  act " mouse 100 120 0 50" 2 mouseup 1
  act " mouse 100 120 0 99" 1 click 4
  act " char 72" 1 keydown shift+h
  act " key 0" 1 keyup shift+h
  act " char 105" 1 keydown i
  act " key 0" 2 keyup i
  act " mouse 300 200 0 99" 1 mousemove --window "$window" 300 200
  act " char 13" 1 keydown Return
  xdotool keyup Return
  waitForLine done
  finish "recording" 0
  for action in move buttondown buttonup wheel keydown keyup; do
    grep -q "^[0-9]* $action " session.txt || fail "no $action in the recording: $(cat session.txt)"
  done
  grep -q ' keydown 35 "H"$' session.txt || fail "no shifted H in the recording: $(cat session.txt)"
  "$ENGINE" --headless --window --echo --virtual-clock --input session.txt --dump-frame 100:b100.bmp \
    --dump-frame 200:b200.bmp watch.ztb > replay.txt 2>&1 || fail "replay failed: $(cat replay.txt)"
  cmp -s out.txt replay.txt || fail "replayed output differs: $(diff out.txt replay.txt)"
  cmp -s a100.bmp b100.bmp && cmp -s a200.bmp b200.bmp || fail "replayed frames differ"
}

[ "$failures" = 0 ] && echo "first-start and record tests passed"
exit $((failures > 0))
