#!/usr/bin/env bash
# The real program in a real X server on each of the three back ends: it
# starts, loads behind the splash, shows the title screen, and leaves through
# Alt+F4 and the closing page with exit code 0. On the OpenGL run F11 saves a
# screenshot of the real screen's size first, and Tab, a click on the
# graphics-engine row and Apply switch the back end live to the next one.
#
# Usage: smoke_window.sh BUILD_DIR [SOURCE_DIR]
# Exit codes: 0 passed, 1 failed, 77 skipped (no Xvfb on this machine).
set -u

BUILD_DIR=${1:?usage: smoke_window.sh BUILD_DIR [SOURCE_DIR]}
GAME_DIR="$BUILD_DIR/game"
# Every window test gets its X server from the same helper (it skips with 77
# when Xvfb is not installed).
if [ "${MNEMORA_XVFB:-}" != 1 ]; then
  exec "$BUILD_DIR/tests/with_xvfb" bash "$0" "$@"
fi
command -v xdotool >/dev/null 2>&1 || { echo "FAILED: xdotool is missing"; exit 1; }
command -v pngcheck >/dev/null 2>&1 || { echo "FAILED: pngcheck is missing"; exit 1; }

WORK=$(mktemp -d)
GAME_PID=""
cleanup() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAILED ($ENGINE): $*"
  echo "--- game output"; tail -20 "$RUN/game.log" 2>/dev/null
  echo "--- Debug.txt"; tr -d '\r' < "$RUN/Files/Debug.txt" 2>/dev/null | tail -30
  exit 1
}

wait_for_log() {   # text, seconds
  for _ in $(seq $(( $2 * 10 ))); do
    grep -q "$1" "$RUN/Files/Debug.txt" 2>/dev/null && return 0
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended early (waiting for '$1')"
    sleep 0.1
  done
  fail "'$1' did not appear in Debug.txt within $2 s"
}

for ENGINE in OpenGL DX9 DX7; do
  RUN="$WORK/$ENGINE"
  mkdir -p "$RUN"
  cp "$GAME_DIR/mnemora" "$RUN/"
  cp -r "$GAME_DIR/Files" "$RUN/"
  printf '[Graphics]\r\nGFX Engine = %s\r\n' "$ENGINE" > "$RUN/Files/Setup.ini"
  (cd "$RUN" && SDL_AUDIODRIVER=dummy exec ./mnemora >"$RUN/game.log" 2>&1) &
  GAME_PID=$!

  case $ENGINE in
    OpenGL) DRIVER="Using OpenGL Driver" ;;
    DX9) DRIVER="Using DirectX 9 Driver" ;;
    DX7) DRIVER="Using DirectX 7 Driver" ;;
  esac
  wait_for_log "$DRIVER" 60
  WID=$(xdotool search --sync --onlyvisible --name "Mnemora" | head -1)
  [ -n "$WID" ] || fail "no game window"
  wait_for_log "Finished Loading" 300
  sleep 2
  SAVED_ENGINE=$ENGINE

  if [ "$ENGINE" = OpenGL ]; then
    # F11: a PNG beside the game folder, as large as the window.
    xdotool key F11
    wait_for_log "Saved Screenshot 1" 30
    SHOT=$(ls "$RUN"/Files/*Screenshot_*.png 2>/dev/null | head -1)
    [ -n "$SHOT" ] || fail "no screenshot file in Files/"
    pngcheck "$SHOT" | grep -q "(800x600," || fail "screenshot is not an 800x600 PNG: $(pngcheck "$SHOT")"

    # Tab opens the panel (10 frames of sliding); the engine row sits at
    # virtual (40, 214) and Apply at (30, 290): 800/1280 of that in pixels.
    xdotool key Tab
    sleep 1.5
    xdotool mousemove --window "$WID" 25 134
    sleep 0.5
    xdotool click 1
    sleep 0.5
    xdotool mousemove --window "$WID" 19 181
    sleep 0.5
    xdotool click 1
    wait_for_log "Changed Graphics Mode ingame." 30
    for _ in $(seq 3000); do
      [ "$(grep -c -- '-=-=-=-=-=-' "$RUN/Files/Debug.txt")" -ge 4 ] && break
      kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended during Apply"
      sleep 0.1
    done
    tr -d '\r' < "$RUN/Files/Debug.txt" | grep -A1 "Changed Graphics Mode ingame." | grep -q "Using DirectX 9 Driver" \
      || fail "Apply did not switch to the DirectX 9 slot"
    SAVED_ENGINE=DX9
    sleep 2
  fi

  # Alt+F4 leads through the closing screen; a key ends it.
  xdotool keydown alt keydown F4
  sleep 0.3
  xdotool keyup F4 keyup alt
  wait_for_log "Play again, soon!!" 30
  sleep 1
  xdotool keydown space
  sleep 0.3
  xdotool keyup space

  STATUS=""
  for _ in $(seq 300); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then
      wait "$GAME_PID"
      STATUS=$?
      break
    fi
    sleep 0.1
  done
  [ -n "$STATUS" ] || fail "the closing page did not end"
  [ "$STATUS" = 0 ] || fail "exit code $STATUS"
  GAME_PID=""
  [ -e "$RUN/Files/253/crash.dat" ] && fail "crash.dat left behind"
  grep -q "GFX Engine = $SAVED_ENGINE" "$RUN/Files/Setup.ini" || fail "Setup.ini lost the engine"
  echo "ok: $ENGINE"
done
echo "PASSED"
