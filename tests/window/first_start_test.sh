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

# Every input kind through the X server, echoed by frame; a dot follows the mouse.
cat > watch.ztb <<'PROGRAM'
sync on
print "started"
for f = 1 to 400
  k$ = inkey$() : if k$ <> "" then print f; " char "; asc(k$)
  s = scancode() : if s <> p then print f; " key "; s
  p = s
  x = mousex() : y = mousey() : b = mouseclick() : z = mousez()
  if x <> mx or y <> my or b <> mb or z <> mz then print f; " mouse "; x; " "; y; " "; b; " "; z
  mx = x : my = y : mb = b : mz = z
  ink rgb(255, f, 0), 0 : dot x, y
  sync
next f
print "done"
PROGRAM
start --window --echo --record session.txt --dump-frame 200:a200.bmp --dump-frame 400:a400.bmp watch.ztb && {
  waitForLine started
  # Each button and key is held for a few frames, as a person holds them, so the program
  # sees it down.
  xdotool mousemove --window "$window" 100 120 sleep 0.2 mousedown 1 sleep 0.2 mouseup 1 sleep 0.2 click 4 \
    sleep 0.2 keydown shift+h sleep 0.2 keyup shift+h sleep 0.2 keydown i sleep 0.2 keyup i \
    sleep 0.2 mousemove --window "$window" 300 200 sleep 0.2 keydown Return sleep 0.2 keyup Return
  waitUntil grep -q ' char 13$' out.txt || fail "Return not seen: $(cat out.txt)"
  waitUntil grep -qx done out.txt
  finish "recording" 0
  for action in move buttondown buttonup wheel keydown keyup; do
    grep -q "^[0-9]* $action " session.txt || fail "no $action in the recording: $(cat session.txt)"
  done
  grep -q ' keydown 35 "H"$' session.txt || fail "no shifted H in the recording: $(cat session.txt)"
  "$ENGINE" --headless --window --echo --virtual-clock --input session.txt --dump-frame 200:b200.bmp \
    --dump-frame 400:b400.bmp watch.ztb > replay.txt 2>&1 || fail "replay failed: $(cat replay.txt)"
  cmp -s out.txt replay.txt || fail "replayed output differs: $(diff out.txt replay.txt)"
  cmp -s a200.bmp b200.bmp && cmp -s a400.bmp b400.bmp || fail "replayed frames differ"
}

[ "$failures" = 0 ] && echo "first-start and record tests passed"
exit $((failures > 0))
