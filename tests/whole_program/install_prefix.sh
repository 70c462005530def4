#!/usr/bin/env bash
# The installed game: installs the build into a temporary prefix, then plays a
# short headless session with the installed executable from an unrelated
# working folder, with HOME in a temporary folder: first with no XDG
# variables, then with them pointing elsewhere. Checks that the prefix is
# byte-for-byte unchanged (by checksum: as root, write bits stop nothing),
# that nothing appeared in the working folder, and that the settings, the
# scores with the round, the log and the screenshot are in the player's
# folders. Also runs the validators on the installed desktop entry and
# metainfo, and the command line's answers: --help names the folders the
# files really went to, for the installed game and for the same game laid
# out portable. Last, uninstalls: every file goes, the two fonts whose names
# hold blanks included, and every folder the install created, while folders
# that were there before stay.
#
# Usage: install_prefix.sh BUILD_DIR [SOURCE_DIR]   (KEEP=1 keeps the work folder)
set -u

BUILD_DIR=$(cd "${1:?usage: install_prefix.sh BUILD_DIR [SOURCE_DIR]}" && pwd)
SOURCE_DIR=$(cd "${2:-$(dirname "$0")/../..}" && pwd)
WORK=$(mktemp -d)
# The install writes its manifest, file list and folder record into the build
# folder: kept aside and put back, so a real install's survive the test.
SAVED="$WORK/saved"
mkdir -p "$SAVED"
for f in install_manifest.txt install_files.txt install_folders.txt; do
  [ -e "$BUILD_DIR/$f" ] && cp -p "$BUILD_DIR/$f" "$SAVED/$f"
done
cleanup() {
  for f in install_manifest.txt install_files.txt install_folders.txt; do
    rm -f "$BUILD_DIR/$f"
    [ -e "$SAVED/$f" ] && cp -p "$SAVED/$f" "$BUILD_DIR/$f"
  done
  if [ "${KEEP:-0}" = 1 ]; then echo "work folder kept: $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  exit 1
}

for tool in desktop-file-validate appstreamcli sha256sum file; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps installs it)"
done

PREFIX="$WORK/prefix"
# Folders there before the install, one holding a file of someone else.
mkdir -p "$PREFIX/games" "$PREFIX/share/man/man6"
echo other >"$PREFIX/games/other-game"
cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 || {
  cat "$WORK/install.log"
  fail "cmake --install"
}
GAME="$PREFIX/games/mnemora"
[ -x "$GAME" ] || fail "no executable at games/mnemora"
[ -d "$PREFIX/share/games/mnemora/253" ] && [ -d "$PREFIX/share/games/mnemora/Common" ] ||
  fail "no data tree at share/games/mnemora"
for stray in scores.dat crash.dat Setup.ini Debug.txt; do
  [ -z "$(find "$PREFIX/share/games/mnemora" -name "$stray")" ] || fail "a player file was installed: $stray"
done

# ---- the files around the game
APP_ID=$(basename "$(ls "$PREFIX"/share/applications/*.desktop)" .desktop)
DESKTOP="$PREFIX/share/applications/$APP_ID.desktop"
METAINFO="$PREFIX/share/metainfo/$APP_ID.metainfo.xml"
desktop-file-validate "$DESKTOP" || fail "desktop-file-validate $DESKTOP"
grep -qx 'Categories=Game;CardGame;' "$DESKTOP" || fail "desktop entry categories"
grep -qx "Icon=$APP_ID" "$DESKTOP" || fail "desktop entry icon name"
appstreamcli validate --no-net "$METAINFO" >"$WORK/appstream.log" 2>&1 || {
  cat "$WORK/appstream.log"
  fail "appstreamcli validate"
}
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
grep -q "<release version=\"$VERSION\"" "$METAINFO" || fail "metainfo release is not $VERSION"
grep -q '<content_rating type="oars-1.1"' "$METAINFO" || fail "metainfo without an OARS rating"
for size in 16 32 48 64 128 256; do
  ICON="$PREFIX/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png"
  file "$ICON" | grep -q "PNG image data, $size x $size" || fail "icon $ICON: $(file "$ICON")"
done
grep -q '<svg' "$PREFIX/share/icons/hicolor/scalable/apps/$APP_ID.svg" || fail "no scalable icon"
MAN="$PREFIX/share/man/man6/mnemora.6.gz"
gzip -t "$MAN" 2>/dev/null || fail "no compressed man page mnemora.6.gz"
gzip -dc "$MAN" | grep -q '^\.TH MNEMORA 6' || fail "mnemora.6.gz is no man page"
gzip -dc "$MAN" | grep -qx "\.I $PREFIX/share/games/mnemora" || fail "the man page does not name the data folder"
! gzip -dc "$MAN" | grep -q '<prefix>\|%MNEMORA' || fail "the man page holds a placeholder"
for section in CONTROLS FILES BUGS 'SEE ALSO'; do
  gzip -dc "$MAN" | grep -qx "\.SH $section" || fail "the man page has no $section"
done
CHANGES="$PREFIX/share/doc/mnemora/changelog.gz"
gzip -dc "$CHANGES" 2>/dev/null | head -n 1 | grep -q "^mnemora ($(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")) " ||
  fail "changelog.gz does not start with this version"
grep -q 'OFL-1.1' "$PREFIX/share/doc/mnemora/copyright" || fail "copyright without the font licences"

# ---- the command line, started as the menu starts the game
MENU_COMMAND=$(sed -n 's/^Exec=//p' "$DESKTOP")
[ "$MENU_COMMAND" = "$GAME" ] || fail "the desktop entry starts '$MENU_COMMAND', not $GAME"
[ "$($MENU_COMMAND --version)" = "mnemora $VERSION" ] || fail "--version: $($MENU_COMMAND --version)"
"$GAME" --bogus >"$WORK/out" 2>"$WORK/err"
[ $? = 2 ] || fail "an unknown option must end with exit code 2"
[ "$(wc -l < "$WORK/err")" = 1 ] && [ ! -s "$WORK/out" ] || fail "unknown option: $(cat "$WORK/err")"

# Checksums of everything in the prefix, folders and links included.
prefix_sums() {
  (cd "$PREFIX" && find . -printf '%y %p %l\n' | sort && find . -type f -print0 | sort -z | xargs -0 sha256sum)
}
prefix_sums >"$WORK/prefix.before"

# Starts a round (Medium), leaves it through the pause menu, replaces the
# offered name, saves a screenshot (F11) on the title screen and quits.
cat >"$WORK/session.txt" <<'EOF'
12000 click 640 560
+3000 key 27
+1000 key 40
+500 key 32
+3000 key 8
+100 key 8
+100 key 8
+100 key 8
+100 key 8
+100 key 8
+100 key 8
+100 key 8
+300 text Installed
+500 key 13
+3000 key 122
+3000 key 27
+3000 key 32
EOF

# Runs the game ($EXE, the installed one unless set) from an empty working
# folder with these arguments: NAME ENV... -- ARGS...
in_player_env() {
  local name=$1
  shift
  local assignments=()
  while [ "$1" != -- ]; do assignments+=("$1"); shift; done
  shift
  mkdir -p "$WORK/$name/cwd" "$WORK/$name/home"
  (cd "$WORK/$name/cwd" &&
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME -u XDG_CACHE_HOME -u XDG_PICTURES_DIR \
      -u MNEMORA_HEADLESS HOME="$WORK/$name/home" SDL_AUDIODRIVER=dummy "${assignments[@]}" \
      "${EXE:-$GAME}" "$@")
}

# Plays the session; extra arguments are environment assignments.
run_installed() {
  local name=$1
  shift
  mkdir -p "$WORK/$name"
  in_player_env "$name" "$@" -- --headless "$WORK/session.txt" >"$WORK/$name/run.log" 2>&1
  local status=$?
  [ "$status" = 0 ] || { cat "$WORK/$name/run.log"; fail "$name: exit code $status"; }
  [ -z "$(ls -A "$WORK/$name/cwd")" ] || fail "$name: files appeared in the working folder: $(ls -A "$WORK/$name/cwd")"
  prefix_sums >"$WORK/prefix.after"
  cmp -s "$WORK/prefix.before" "$WORK/prefix.after" || {
    diff "$WORK/prefix.before" "$WORK/prefix.after" | head
    fail "$name: the prefix changed"
  }
}

# Checks the player's files: CONFIG DATA STATE PICTURES folders.
check_player_files() {
  local name=$1 config=$2 data=$3 state=$4 pictures=$5
  [ -f "$config/Setup.ini" ] || fail "$name: no $config/Setup.ini"
  grep -q "Closing Up" "$state/Debug.txt" 2>/dev/null || fail "$name: no finished log in $state/Debug.txt"
  [ ! -e "$state/crash.dat" ] || fail "$name: the crash guard stayed behind"
  local scores="$data/scores.dat"
  [ "$(wc -l < "$scores" 2>/dev/null)" = 2 ] || fail "$name: $scores should hold the one round played"
  head -n 1 "$scores" | grep -q '^[0-9]*|Installed|' || fail "$name: the round is not in $scores"
  local shots
  shots=$(ls "$pictures"/*.png 2>/dev/null | wc -l)
  [ "$shots" = 1 ] || fail "$name: expected one screenshot in $pictures, found $shots"
  file "$pictures"/*.png | grep -q 'PNG image data' || fail "$name: the screenshot is no PNG"
  [ -z "$(find "$config" "$data" "$state" "$pictures" -name '*.tmp' -o -name '*.part')" ] ||
    fail "$name: temporary files stayed behind"
}

# --help in the same surroundings names the places the files went to:
# NAME CONFIG DATA PICTURES ENV...
check_help() {
  local name=$1 config=$2 data=$3 pictures=$4
  shift 4
  local help
  help=$(in_player_env "$name" "$@" -- --help) || fail "$name: --help failed"
  same_place() {
    local said
    said=$(printf '%s\n' "$help" | sed -n "s/^  $1  *//p")
    [ -n "$said" ] && [ "$(realpath -m "$said")" = "$(realpath -m "$2")" ] ||
      fail "$name: --help says the $1 are in '$said', they went to $2"
  }
  same_place settings "$config/Setup.ini"
  same_place scores "$data/scores.dat"
  same_place screenshots "$pictures"
}

# 1. No XDG variables: the usual folders under the home folder.
run_installed plain
H="$WORK/plain/home"
check_player_files plain "$H/.config/mnemora" "$H/.local/share/mnemora" "$H/.local/state/mnemora" \
  "$H/Pictures/Mnemora"
check_help plain "$H/.config/mnemora" "$H/.local/share/mnemora" "$H/Pictures/Mnemora"

# 2. XDG variables set elsewhere (the pictures folder named by user-dirs.dirs),
#    with a deck of the player's own beside the installed ones (which one is
#    read is checked by the platform's tests): the home folder gets nothing.
mkdir -p "$WORK/xdg/config" "$WORK/xdg/data/mnemora"
echo 'XDG_PICTURES_DIR="$HOME/../shots"' >"$WORK/xdg/config/user-dirs.dirs"
cp "$PREFIX/share/games/mnemora/253/Deck_01.png" "$WORK/xdg/data/mnemora/Deck_25.png"
run_installed xdg XDG_CONFIG_HOME="$WORK/xdg/config" XDG_DATA_HOME="$WORK/xdg/data" \
  XDG_STATE_HOME="$WORK/xdg/state"
check_player_files xdg "$WORK/xdg/config/mnemora" "$WORK/xdg/data/mnemora" "$WORK/xdg/state/mnemora" \
  "$WORK/xdg/shots/Mnemora"
[ -z "$(ls -A "$WORK/xdg/home")" ] || fail "xdg: files in the home folder: $(ls -A "$WORK/xdg/home")"
check_help xdg "$WORK/xdg/config/mnemora" "$WORK/xdg/data/mnemora" "$WORK/xdg/shots/Mnemora" \
  XDG_CONFIG_HOME="$WORK/xdg/config" XDG_DATA_HOME="$WORK/xdg/data" XDG_STATE_HOME="$WORK/xdg/state"

# 3. The same game laid out portable, its data as Files/ beside the
#    executable: everything stays in that folder, where --help says.
PORTABLE="$WORK/portable-game"
mkdir -p "$PORTABLE"
cp "$GAME" "$PORTABLE/"
cp -r "$PREFIX/share/games/mnemora" "$PORTABLE/Files"
EXE="$PORTABLE/mnemora" run_installed portable
check_player_files portable "$PORTABLE/Files" "$PORTABLE/Files/253" "$PORTABLE/Files" "$PORTABLE/Files"
[ -z "$(ls -A "$WORK/portable/home")" ] || fail "portable: files in the home folder: $(ls -A "$WORK/portable/home")"
EXE="$PORTABLE/mnemora" check_help portable "$PORTABLE/Files" "$PORTABLE/Files/253" "$PORTABLE/Files"

# 4. Neither a portable nor an installed tree: a message naming both places.
mkdir -p "$WORK/alone/games"
cp "$GAME" "$WORK/alone/games/"
(cd "$WORK" && env HOME="$WORK/alone" MNEMORA_HEADLESS= SDL_AUDIODRIVER=dummy \
  "$WORK/alone/games/mnemora" >"$WORK/alone/run.log" 2>&1)
STATUS=$?
[ "$STATUS" = 1 ] || fail "without data: exit code $STATUS"
grep -q "looked for $WORK/alone/games/Files/Common and .*, then $WORK/alone/share/games/mnemora/Common" \
  "$WORK/alone/run.log" || fail "without data: $(cat "$WORK/alone/run.log")"

# ---- uninstall: everything the install put there, nothing else, even after
#      a package was built (CPack writes its staging files over CMake's
#      install_manifest.txt, as here).
echo "$WORK/staging/usr/games/mnemora" >"$BUILD_DIR/install_manifest.txt"
cmake -DBUILD="$BUILD_DIR" -P "$SOURCE_DIR/dist/uninstall.cmake" >"$WORK/uninstall.log" 2>&1 || {
  cat "$WORK/uninstall.log"
  fail "uninstall"
}
LEFT=$(cd "$PREFIX" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$LEFT" = "./games ./games/other-game ./share ./share/man ./share/man/man6 " ] ||
  fail "after the uninstall the prefix holds: $LEFT"
[ ! -e "$BUILD_DIR/install_files.txt" ] || fail "the uninstall left its list of files"

# The same with DESTDIR, as a packager stages an install.
DEST="$WORK/dest"
DESTDIR="$DEST" cmake --install "$BUILD_DIR" --prefix /usr/local >"$WORK/install-destdir.log" 2>&1 || {
  cat "$WORK/install-destdir.log"
  fail "cmake --install with DESTDIR"
}
[ -x "$DEST/usr/local/games/mnemora" ] || fail "DESTDIR: no executable at $DEST/usr/local/games/mnemora"
cmake -DBUILD="$BUILD_DIR" -P "$SOURCE_DIR/dist/uninstall.cmake" >"$WORK/uninstall-destdir.log" 2>&1 || {
  cat "$WORK/uninstall-destdir.log"
  fail "uninstall with DESTDIR"
}
[ ! -e "$DEST" ] || fail "DESTDIR: after the uninstall there is still: $(cd "$DEST" && find . | head -5)"

echo "PASSED: installed, played from another folder twice, prefix unchanged, player files in the XDG folders;"
echo "        portable, the files beside the game; --help naming where they went each time; uninstalled"
