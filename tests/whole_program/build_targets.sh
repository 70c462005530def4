#!/usr/bin/env bash
# What each make command builds. `make play` builds the game and its data
# tree and nothing else; `make build` (ALL) builds no test program and no
# benchmark; the aggregate targets mnemora_tests and mnemora_benchmarks build
# every one of them; make runs one job per core unless JOBS says otherwise.
# Reads the dependency rules CMake wrote for the Makefile generator (any other
# generator: skipped).
#
# Usage: build_targets.sh BUILD_DIR SOURCE_DIR
set -u

BUILD_DIR=$(cd "${1:?usage: build_targets.sh BUILD_DIR SOURCE_DIR}" && pwd)
SOURCE_DIR=$(cd "${2:?usage: build_targets.sh BUILD_DIR SOURCE_DIR}" && pwd)
RULES="$BUILD_DIR/CMakeFiles/Makefile2"

fail() {
  echo "FAILED: $*"
  exit 1
}

[ -f "$RULES" ] || { echo "SKIPPED: not a Makefile build"; exit 77; }

# The targets a rule of Makefile2 reaches (its own included), one per line.
# CMake writes one "goal: prerequisite" line per dependency.
reached() {
  awk -v start="$1" '
    /^[^#%\t .][^ :]*: [^ ]+$/ { sub(/:$/, "", $1); next_of[$1] = next_of[$1] " " $2 }
    END {
      queue[0] = start; seen[start] = 1; n = 1
      for (i = 0; i < n; i++) {
        k = split(next_of[queue[i]], deps, " ")
        for (j = 1; j <= k; j++) if (!(deps[j] in seen)) { seen[deps[j]] = 1; queue[n++] = deps[j] }
      }
      for (node in seen) if (match(node, /CMakeFiles\/[^\/]+\.dir\/all$/)) {
        name = node; sub(/\.dir\/all$/, "", name); sub(/.*\//, "", name); print name
      }
    }' "$RULES" | sort
}
all_targets() {
  sed -n 's|^[^ #]*CMakeFiles/\([^/]*\)\.dir/all:.*|\1|p' "$RULES" | sort -u
}

ALL=$(reached all)
GAME=$(reached game/CMakeFiles/mnemora.dir/all)
TESTS=$(reached tests/CMakeFiles/mnemora_tests.dir/all)
BENCH=$(reached bench/CMakeFiles/mnemora_benchmarks.dir/all)
[ -n "$TESTS" ] && [ -n "$BENCH" ] || fail "no target mnemora_tests or mnemora_benchmarks"

# The executable, the layers it links and the data tree with its generator.
EXPECTED=$(printf '%s\n' audio framework game game_data mnemora mnemora_assets platform | sort)
[ "$GAME" = "$EXPECTED" ] || fail "the game (make play) builds: $(echo $GAME), expected $(echo $EXPECTED)"

echo "$ALL" | grep -qx mnemora || fail "ALL leaves out the game: $(echo $ALL)"
# test_host is no test program: the song renderer plays songs on it.
LEAK=$(echo "$ALL" | grep -E '^(test_|bench_|with_xvfb$|mnemora_tests$|mnemora_benchmarks$)' | grep -vx test_host)
[ -z "$LEAK" ] || fail "ALL (make build) builds test programs or benchmarks: $(echo $LEAK)"

for target in $(all_targets | grep -E '^(test_|with_xvfb$)'); do
  echo "$TESTS" | grep -qx "$target" || fail "mnemora_tests (make check) leaves out $target"
done
for target in game_data song_render app_icons readme_screenshots; do
  echo "$TESTS" | grep -qx "$target" || fail "mnemora_tests (make check) leaves out $target, which the tests use"
done
for target in $(all_targets | grep '^bench_'); do
  echo "$BENCH" | grep -qx "$target" || fail "mnemora_benchmarks (make bench) leaves out $target"
done

# The commands the Makefile runs (printed, not run): play builds the game
# target only; every build runs one job per core by default (on a machine
# that says it has 7).
# Not the make that runs the tests: its flags and variables would carry over.
unset MAKEFLAGS MFLAGS MAKELEVEL
FAKE_BIN=$(mktemp -d)
trap 'rm -rf "$FAKE_BIN"' EXIT
printf '#!/bin/sh\necho 7\n' >"$FAKE_BIN/nproc"
chmod +x "$FAKE_BIN/nproc"
CORES=7
PLAY=$(PATH="$FAKE_BIN:$PATH" make -n -s -C "$SOURCE_DIR" play BUILD="$BUILD_DIR" 2>&1) || fail "make -n play: $PLAY"
echo "$PLAY" | grep -q -- "cmake --build $BUILD_DIR -j$CORES --target mnemora\$" ||
  fail "make play does not build the game target alone on $CORES jobs: $PLAY"
[ "$(echo "$PLAY" | grep -c -- 'cmake --build')" = 1 ] || fail "make play builds more than the game: $PLAY"
CHECK=$(make -n -s -C "$SOURCE_DIR" check BUILD="$BUILD_DIR" JOBS=3 2>&1) || fail "make -n check: $CHECK"
echo "$CHECK" | grep -q -- "--target mnemora_tests" || fail "make check does not build the tests: $CHECK"
echo "$CHECK" | grep -q -- "ctest .*-j3" || fail "make check ignores JOBS: $CHECK"

echo "PASSED: make play builds $(echo $GAME); ALL builds no test or benchmark; the aggregates build them all"
