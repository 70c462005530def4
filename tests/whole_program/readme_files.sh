#!/usr/bin/env bash
# The files a newcomer reads first stay true: every picture the README shows
# lives in the repository's docs/ (so the repository's own page shows it) and
# is what this build takes from the README's session, within a small
# tolerance (an 800 x 600 PNG in build/docs/, not older than the game); the
# metainfo names the same pictures; LICENSE and the package's copyright file
# name the same licence for the game; CHANGELOG.md and the Debian changelog
# both start with the version built.
#
# Usage: readme_files.sh BUILD_DIR SOURCE_DIR
set -u

BUILD_DIR=$(cd "${1:?usage: readme_files.sh BUILD_DIR SOURCE_DIR}" && pwd)
SOURCE_DIR=$(cd "${2:?usage: readme_files.sh BUILD_DIR SOURCE_DIR}" && pwd)

fail() {
  echo "FAILED: $*"
  exit 1
}

PICTURES=$(grep -o '](docs/[^)]*)' "$SOURCE_DIR/README.md" | sed 's|^](||; s|)$||')
[ "$(echo "$PICTURES" | grep -c .)" -ge 2 ] || fail "the README shows fewer than two pictures from docs/: $PICTURES"
for picture in $PICTURES; do
  kept="$SOURCE_DIR/$picture"
  fresh="$BUILD_DIR/$picture"
  [ -f "$kept" ] || fail "the README shows $picture, which is not in the repository"
  [ -f "$fresh" ] || fail "the build did not take $picture"
  file "$fresh" | grep -q 'PNG image data, 800 x 600' || fail "$picture: $(file "$fresh")"
  [ ! "$fresh" -ot "$BUILD_DIR/game/mnemora" ] || fail "$picture is older than the game"
  python3 "$SOURCE_DIR/tests/whole_program/same_picture.py" "$kept" "$fresh" ||
    fail "$picture in the repository is not what the game shows now: copy the build's $fresh over it"
  grep -q "/$picture</image>" "$SOURCE_DIR/dist/mnemora.metainfo.xml.in" ||
    fail "the metainfo does not name $picture"
done
[ "$(echo "$PICTURES" | xargs -I{} sha256sum "$SOURCE_DIR/{}" | cut -d' ' -f1 | sort -u | wc -l)" = \
  "$(echo "$PICTURES" | wc -l)" ] || fail "two of the README's pictures are the same picture"

head -n 1 "$SOURCE_DIR/LICENSE" | grep -q '^MIT License$' || fail "LICENSE is not the MIT licence"
awk '/^Files: \*$/ { found = 1 } found && /^License:/ { print $2; exit }' "$SOURCE_DIR/dist/copyright" |
  grep -qx MIT || fail "dist/copyright does not license the game's files under MIT"

VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
grep -m 1 '^## ' "$SOURCE_DIR/CHANGELOG.md" | grep -q "^## $VERSION " ||
  fail "CHANGELOG.md does not start with version $VERSION"
head -n 1 "$SOURCE_DIR/dist/changelog" | grep -q "^mnemora ($VERSION) " ||
  fail "dist/changelog does not start with version $VERSION"

echo "PASSED: $(echo $PICTURES) as this build takes them; licence and changelogs agree"
