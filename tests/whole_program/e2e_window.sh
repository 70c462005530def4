#!/usr/bin/env bash
# The real game on an X server of its own (started by tests/with_xvfb): runs
# mnemora in a copy of the built game folder, and plays it with xdotool like a
# person would: start a round, leave it through the pause menu, type a name, quit
# with Escape, press a key on the closing page. Then checks the exit code and
# the files the game wrote.
#
# Usage: e2e_window.sh BUILD_DIR [SOURCE_DIR]
# MNEMORA_E2E_GFX=OpenGL, DX9 or DX7 picks the render back end (written to the
# copy's Setup.ini); without it the first start chooses (on Xvfb, whose OpenGL
# is Mesa's llvmpipe: the software back end). KEEP=1 keeps the work folder.
# Exit codes: 0 passed, 1 failed, 77 skipped (no Xvfb on this machine).
set -u

BUILD_DIR=${1:?usage: e2e_window.sh BUILD_DIR [SOURCE_DIR]}
GAME_DIR="$BUILD_DIR/game"

# Every window test gets its X server from the same helper (it skips with 77
# when Xvfb is not installed).
if [ "${MNEMORA_XVFB:-}" != 1 ]; then
  exec "$BUILD_DIR/tests/with_xvfb" bash "$0" "$@"
fi
for tool in xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "FAILED: $tool is missing (scripts/install-deps installs it)"
    exit 1
  fi
done
if [ ! -x "$GAME_DIR/mnemora" ] || [ ! -d "$GAME_DIR/Files/253" ]; then
  echo "FAILED: no built game folder in $GAME_DIR"
  exit 1
fi

WORK=$(mktemp -d)
GAME_PID=""
cleanup() {
  [ -n "$GAME_PID" ] && kill -9 "$GAME_PID" 2>/dev/null
  if [ "${KEEP:-0}" = 1 ]; then echo "work folder kept: $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  echo "--- game output"; cat "$WORK/game.log" 2>/dev/null | tail -20
  echo "--- Debug.txt"; tr -d '\r' < "$WORK/Files/Debug.txt" 2>/dev/null | tail -20
  exit 1
}

cp "$GAME_DIR/mnemora" "$WORK/"
cp -r "$GAME_DIR/Files" "$WORK/"
rm -f "$WORK/Files/Setup.ini" "$WORK/Files/Debug.txt" "$WORK/Files/253/scores.dat"
if [ -n "${MNEMORA_E2E_GFX:-}" ]; then
  printf 'GFX Engine = %s\r\n' "$MNEMORA_E2E_GFX" > "$WORK/Files/Setup.ini"
fi

(cd "$WORK" && SDL_AUDIODRIVER=dummy exec ./mnemora >"$WORK/game.log" 2>&1) &
GAME_PID=$!

# Hold a key for a few frames: a press shorter than a frame can be missed by
# screens that read keys as held.
hold_key() {
  xdotool keydown "$1"
  sleep "${2:-0.25}"
  xdotool keyup "$1"
}

# The window shows the splash first. The log is not a reliable sign of
# progress (it is written in blocks), so F11 is pressed until a screenshot
# appears: from then on the frame routine runs (engine test or title screen).
WINDOW=""
for _ in $(seq 600); do
  WINDOW=$(xdotool search --onlyvisible --name "Mnemora" 2>/dev/null | head -n 1)
  [ -n "$WINDOW" ] && break
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its window opened"
  sleep 0.1
done
[ -n "$WINDOW" ] || fail "no game window within 60 s"
xdotool windowfocus --sync "$WINDOW" 2>/dev/null
xdotool mousemove --window "$WINDOW" 400 300
SHOT=""
for _ in $(seq 150); do
  hold_key F11 0.1
  sleep 2
  SHOT=$(ls "$WORK/Files/"*.png 2>/dev/null | head -n 1)
  [ -n "$SHOT" ] && break
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended while loading"
done
[ -n "$SHOT" ] || fail "the game did not reach its frame routine within 300 s"
# The engine test takes a second or two; then the title screen slides in.
sleep 5

# The window is 800 x 600 by default; the start button is at its centre,
# a little below (virtual 640, 560 of 1280 x 960).
xdotool mousemove --window "$WINDOW" 400 350
sleep 0.3
xdotool mousedown 1
sleep 0.3
xdotool mouseup 1
sleep 2

# Escape opens the pause menu; Down selects "Quit", Space confirms it.
hold_key Escape 0.3
sleep 1
hold_key Down
sleep 0.5
hold_key space
# "Game Over", then the name entry after its release wait.
sleep 2
for _ in 1 2 3 4 5 6 7 8; do hold_key BackSpace 0.05; sleep 0.05; done
xdotool type --delay 120 "Xvfb Tester"
sleep 0.5
hold_key Return
sleep 2

# Back on the title screen: Escape quits; a key ends the closing page.
hold_key Escape 0.3
sleep 2
hold_key space 0.3

STATUS=""
for _ in $(seq 300); do
  if ! kill -0 "$GAME_PID" 2>/dev/null; then
    wait "$GAME_PID"
    STATUS=$?
    break
  fi
  sleep 0.1
done
GAME_PID_DONE=$GAME_PID
GAME_PID=""
[ -n "$STATUS" ] || { kill "$GAME_PID_DONE" 2>/dev/null; fail "the game did not end after the closing page"; }
[ "$STATUS" = 0 ] || fail "exit code $STATUS"

# ---- the files
grep -q "Closing Up" "$WORK/Files/Debug.txt" || fail "Debug.txt lacks the closing lines"
[ -f "$WORK/Files/Setup.ini" ] || fail "no Setup.ini"
SCORES="$WORK/Files/253/scores.dat"
[ -f "$SCORES" ] || fail "no scores.dat"
[ "$(wc -l < "$SCORES")" = 2 ] || fail "scores.dat should hold one record (two lines): $(cat -A "$SCORES")"
FIRST=$(head -n 1 "$SCORES" | tr -d '\r')
IFS='|' read -r SCORE NAME BADGES STAMP LEVEL MODE FLAGS QUIT <<<"$FIRST"
[ "$NAME" = "Xvfb Tester" ] || fail "name '$NAME' in scores.dat"
[ "$MODE" = 1 ] || fail "difficulty $MODE (Medium expected)"
[ "$QUIT" = 1 ] || fail "the round left through the pause menu should be marked quit: $FIRST"
[ "$BADGES$LEVEL$FLAGS" = 000 ] || fail "badges, level, flags: $FIRST"
[[ "$SCORE" =~ ^[0-9]+$ ]] && [[ "$STAMP" =~ ^[0-9]+$ ]] || fail "score or stamp: $FIRST"
head -c 2 < <(tail -c 2 "$SCORES") | od -An -c | grep -q '\\r  *\\n' || fail "scores.dat lines must end in CR LF"

echo "PASSED: round started, left through the pause menu, name entered, game closed with exit code 0"
exit 0
