# What the Xvfb tests share: a private X server, a tav window to drive with xdotool, dumps of
# the window's pixels and polling waits. Source it with TAV, GAME and WORK set.
# Exits 77 (skipped) when Xvfb, xdotool or xwd is missing.

for tool in Xvfb xdotool xwd; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

XVFB_PID=
TAV_PID=
cleanup() {
  [ -n "$TAV_PID" ] && kill "$TAV_PID" 2> /dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2> /dev/null
  wait 2> /dev/null
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$WORK/log.txt" ] && { echo "--- log"; cat "$WORK/log.txt"; }
  [ -f "$WORK/tav.err" ] && { echo "--- stderr"; cat "$WORK/tav.err"; }
  [ -s "$WORK/xvfb.err" ] && { echo "--- X server"; tail -5 "$WORK/xvfb.err"; }
  exit 1
}

# Xvfb picks a free display itself and writes its number to fd 3. -noreset: by default an X
# server resets whenever its last client leaves, and a client that connects meanwhile (tav while
# xdotool polls for its window) is refused, which SDL reports as "x11 not available". The server
# must answer a client before the test goes on; it is started anew (three tries) when it does not.
start_xvfb() {
  rm -f "$WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$WORK/display" 2> "$WORK/xvfb.err" &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
  [ -s "$WORK/display" ] || return 1
  export DISPLAY=:$(head -n1 "$WORK/display")
  for _ in $(seq 40); do xdotool getmouselocation > /dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}
for try in 1 2 3; do
  start_xvfb && break
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2> /dev/null
  wait "$XVFB_PID" 2> /dev/null
  XVFB_PID=
  [ "$try" = 3 ] && { cat "$WORK/xvfb.err"; fail "Xvfb did not start"; }
done
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# The player's settings (volume, window size) of these runs stay out of the real user's.
export XDG_CONFIG_HOME=$WORK/config
rm -rf "$XDG_CONFIG_HOME"

# Polls until a command succeeds, for up to 8 seconds.
await() {
  for _ in $(seq 160); do "$@" && return 0; sleep 0.05; done
  return 1
}
logged() { grep -qF -- "$1" "$WORK/log.txt" 2> /dev/null; }
# The log holds TEXT on exactly N lines.
logged_times() { [ "$(grep -cF -- "$1" "$WORK/log.txt" 2> /dev/null)" = "$2" ]; }
# The window's pixels: the dump past its header (which names the window) and colour map.
dump() {
  xwd -silent -id "$WIN" > "$WORK/raw.xwd" || return 1
  local header colours
  header=$(od -An -tu4 --endian=big -j0 -N4 "$WORK/raw.xwd")
  colours=$(od -An -tu4 --endian=big -j76 -N4 "$WORK/raw.xwd")
  tail -c +$((header + colours * 12 + 1)) "$WORK/raw.xwd" > "$WORK/$1.xwd"
}
same() { cmp -s "$WORK/$1.xwd" "$WORK/$2.xwd"; }
# Dumps the window as NAME until it differs from (or equals) REF: the picture has caught up.
shows_other_than() { dump "$1" && ! same "$1" "$2"; }
shows_same_as() { dump "$1" && same "$1" "$2"; }
# The test game draws nothing of its own: anything not black (nor white) is a dialog. Each
# pixel has an opaque alpha byte.
shows_dialog() { dump "$1" && [ -n "$(tr -d '\0\377' < "$WORK/$1.xwd" | head -c1)" ]; }

# Extra arguments go to tav after the usual ones.
start_tav() {
  rm -f "$WORK/log.txt" "$WORK/exit.png"
  "$TAV" "$GAME" --log "$WORK/log.txt" --screenshot "$WORK/exit.png" "$@" > "$WORK/tav.out" 2> "$WORK/tav.err" &
  TAV_PID=$!
  await xdotool search --name '^TAV$' > /dev/null || fail "no window appeared"
  WIN=$(xdotool search --name '^TAV$' | head -n1)
  # Without a window manager the keyboard follows the pointer: keep it over the window.
  xdotool mousemove --window "$WIN" 400 100
}

finish_tav() {
  for _ in $(seq 160); do kill -0 "$TAV_PID" 2> /dev/null || break; sleep 0.05; done
  kill -0 "$TAV_PID" 2> /dev/null && fail "tav did not exit ($1)"
  wait "$TAV_PID"
  local code=$?
  TAV_PID=
  [ "$code" = 0 ] || fail "tav exited with $code ($1)"
}


# The colour RRGGBB of game pixel (X, Y) in the dump NAME (32-bit pixels, blue byte first, rows
# of 800 pixels at scale 1).
pixel() {
  od -An -tx1 -j $(( ($3 * 800 + $2) * 4 )) -N3 "$WORK/$1.xwd" | awk '{ print toupper($3 $2 $1) }'
}
# Dumps the window as NAME until game pixel (X, Y) is RRGGBB.
shows_colour_at() { dump "$1" && [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }
