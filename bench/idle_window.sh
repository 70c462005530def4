#!/usr/bin/env bash
# The CPU the game costs at rest in a real window, on an X server of its own
# (Xvfb): the title screen nobody touches, then a round waiting for the first
# pick (cards face down, nothing moving). Each game folder given is measured
# in turn, so two builds compare side by side in one run.
#
# Usage: bench/idle_window.sh [--engine DX7|DX9|OpenGL] [--size WxH] [--seconds S] GAME_DIR...
# GAME_DIR holds mnemora and Files/ (a build's game/ folder). Defaults: DX7,
# 1280x960, 20 seconds a measurement. Needs Xvfb and xdotool (the test
# dependencies). Prints the cores used (CPU seconds per second, user and
# system, every thread of the game) and the resident memory.
set -u

ENGINE=DX7
SIZE=1280x960
SECONDS_EACH=20
while [ $# -gt 0 ]; do
  case "$1" in
    --engine) ENGINE=$2; shift 2 ;;
    --size) SIZE=$2; shift 2 ;;
    --seconds) SECONDS_EACH=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--engine DX7|DX9|OpenGL] [--size WxH] [--seconds S] GAME_DIR..."; exit 2; }
WIDTH=${SIZE%x*}
HEIGHT=${SIZE#*x}
TICKS=$(getconf CLK_TCK)

# CPU ticks (user + system) the process has used so far.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Cores used by process $1 over $2 seconds.
measure() {
  local before after
  before=$(ticks "$1")
  sleep "$2"
  after=$(ticks "$1")
  awk -v d=$((after - before)) -v t="$TICKS" -v s="$2" 'BEGIN { printf "%.3f", d / t / s }'
}

for GAME in "$@"; do
  WORK=$(mktemp -d)
  cp "$GAME/mnemora" "$WORK/"
  cp -r "$GAME/Files" "$WORK/"
  rm -f "$WORK/Files/Setup.ini" "$WORK/Files/Debug.txt" "$WORK/Files/253/scores.dat"
  printf '[Graphics]\r\nFullscreen = False\r\nGFX Engine = %s\r\nWidth=%s\r\nHeight=%s\r\n' \
    "$ENGINE" "$WIDTH" "$HEIGHT" > "$WORK/Files/Setup.ini"
  DISPLAY_NUMBER=$((90 + RANDOM % 100))
  # The X screen is the window's size: the game opens only sizes the screen
  # lists, and Xvfb lists its own size alone (any other falls back to 800x600).
  Xvfb ":$DISPLAY_NUMBER" -screen 0 "${WIDTH}x${HEIGHT}x24" -nolisten tcp >/dev/null 2>&1 &
  XVFB=$!
  sleep 1
  export DISPLAY=":$DISPLAY_NUMBER"
  (cd "$WORK" && SDL_AUDIODRIVER=dummy exec ./mnemora >"$WORK/game.log" 2>&1) &
  PID=$!
  WINDOW=""
  for _ in $(seq 300); do
    WINDOW=$(xdotool search --onlyvisible --name "Mnemora" 2>/dev/null | head -n 1)
    [ -n "$WINDOW" ] && break
    sleep 0.1
  done
  # The splash, the engine test and the title's slide-in, then rest.
  xdotool mousemove --window "$WINDOW" $((WIDTH - 40)) $((HEIGHT - 40)) 2>/dev/null
  sleep 15
  TITLE=$(measure "$PID" "$SECONDS_EACH")
  # Easy, then start; the deal, the cards shown and turned, then the wait
  # for the first pick. The title screen's 1280 x 960 space is the window's
  # at 1280 x 960.
  xdotool mousemove --window "$WINDOW" $((590 * WIDTH / 1280)) $((700 * HEIGHT / 960)) click 1 2>/dev/null
  sleep 0.5
  xdotool mousemove --window "$WINDOW" $((640 * WIDTH / 1280)) $((560 * HEIGHT / 960)) click 1 2>/dev/null
  sleep 0.5
  xdotool mousemove --window "$WINDOW" $((WIDTH - 40)) $((HEIGHT - 40)) 2>/dev/null
  sleep 12
  ROUND=$(measure "$PID" "$SECONDS_EACH")
  RSS=$(awk '/VmRSS/ {print $2 / 1024}' "/proc/$PID/status")
  ENGINE_LINE=$(tr -d '\r' < "$WORK/Files/Debug.txt" | grep -m1 "Using .* Driver" | tr -d '\t')
  OPENED=$(tr -d '\r' < "$WORK/Files/Debug.txt" | grep -m1 "Resolution : [0-9]" | sed 's/.*: //; s/,.*//')
  printf '%s\n  %s, %s: title at rest %s cores, round waiting %s cores, %.0f MB resident\n' \
    "$GAME" "$ENGINE_LINE" "$OPENED" "$TITLE" "$ROUND" "$RSS"
  kill "$PID" 2>/dev/null
  wait "$PID" 2>/dev/null
  kill "$XVFB" 2>/dev/null
  wait "$XVFB" 2>/dev/null
  rm -rf "$WORK"
done
