#!/usr/bin/env bash
# Sound in a real window: the engine plays through SDL's audio device (the dummy driver,
# whose thread pulls the mixer's output as a card would) without a word on stderr, and a
# sound started there ends; with no usable audio driver the run still plays, on the null
# device, and says so once on stderr. Exits 77 (skipped) when Xvfb or xdotool is missing.
set -uo pipefail
ENGINE=$1
WORK=$2
source "$(dirname "$0")/xserver.sh"

mkdir -p "$XDG_CONFIG_HOME/zentropia"
printf '[ZentropiaStateData]\nBEST3DCARD=Software Display Device\nBEST3DDEPTH=16\n' > "$XDG_CONFIG_HOME/zentropia/win.ini"

# Half a second of a square wave at 11025 Hz, written by the program itself.
cat > sound.ztb <<'PROGRAM'
print "started"
open to write 1, "square.wav"
for i = 1 to 4 : write byte 1, asc(mid$("RIFF", i)) : next i
write long 1, 36 + 5512
for i = 1 to 8 : write byte 1, asc(mid$("WAVEfmt ", i)) : next i
write long 1, 16 : write word 1, 1 : write word 1, 1 : write long 1, 11025 : write long 1, 11025
write word 1, 1 : write word 1, 8
for i = 1 to 4 : write byte 1, asc(mid$("data", i)) : next i
write long 1, 5512
for i = 1 to 5512 : write byte 1, 128 + 64 * ((i / 25) mod 2) : next i
close file 1
load sound "square.wav", 1
play sound 1
print "playing "; sound playing(1)
while sound playing(1)
  sync
endwhile
print "played"
do
  sync
loop
PROGRAM

start --window --echo sound.ztb && {
  waitForLine played
  xdotool key Escape
  finish "dummy driver" 0
  [ "$(cat out.txt)" = $'started\nplaying 1\nplayed' ] || fail "dummy driver output: $(cat out.txt)"
  [ ! -s err.txt ] || fail "dummy driver stderr: $(cat err.txt)"
}

SDL_AUDIODRIVER=no_such_driver start --window --echo sound.ztb && {
  waitForLine played
  xdotool key Escape
  finish "no driver" 0
  [ "$(cat out.txt)" = $'started\nplaying 1\nplayed' ] || fail "no driver output: $(cat out.txt)"
  [ "$(grep -c . err.txt)" = 1 ] && grep -q '^zentropia: no sound device (.*): sound plays silently$' err.txt ||
    fail "no driver stderr: $(cat err.txt)"
}

[ "$failures" = 0 ] && echo "window sound tests passed"
exit $((failures > 0))
