# The game of the comfort tests, made in $WORK/game from GAME_SOURCE: its view built with
# tavtool, and a looping tone (a square wave of peak 8000, 441 Hz) as its music, whose level in
# a recording shows the player's volume. Source it with WORK, TAVTOOL and GAME_SOURCE set.
GAME=$WORK/game
rm -rf "$GAME"
cp -r "$GAME_SOURCE" "$GAME"
build_view() {
  "$TAVTOOL" view build "$GAME/config/view/MAIN.json" -o "$GAME/config/view/MAIN.tav" ||
    { echo "FAIL: cannot build the view"; exit 1; }
}
build_view
mkdir -p "$GAME/config/music"
perl -e 'my $d = ""; for my $i (0 .. 44099) { my $v = int($i / 50) % 2 ? 8000 : -8000; $d .= pack("s<s<", $v, $v) }
  print "RIFF", pack("V", 36 + length $d), "WAVEfmt ", pack("VvvVVvv", 16, 1, 2, 44100, 176400, 4, 16),
  "data", pack("V", length $d), $d' > "$GAME/config/music/tone.wav"
