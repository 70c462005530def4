#!/usr/bin/env bash
# The files a newcomer reads first stay true: every picture the README shows
# from build/docs/ was taken by this build (an 800 x 600 PNG, not older than
# the game it shows); LICENSE and the package's copyright file name the same
# licence for the game; CHANGELOG.md and the Debian changelog both start with
# the version built.
#
# Usage: readme_files.sh BUILD_DIR SOURCE_DIR
set -u

BUILD_DIR=$(cd "${1:?usage: readme_files.sh BUILD_DIR SOURCE_DIR}" && pwd)
SOURCE_DIR=$(cd "${2:?usage: readme_files.sh BUILD_DIR SOURCE_DIR}" && pwd)

fail() {
  echo "FAILED: $*"
  exit 1
}

PICTURES=$(grep -o '](build/docs/[^)]*)' "$SOURCE_DIR/README.md" | sed 's|^](build/||; s|)$||')
[ "$(echo "$PICTURES" | grep -c .)" -ge 2 ] || fail "the README shows fewer than two screenshots: $PICTURES"
for picture in $PICTURES; do
  file="$BUILD_DIR/$picture"
  [ -f "$file" ] || fail "the README shows $picture, which the build did not write"
  file "$file" | grep -q 'PNG image data, 800 x 600' || fail "$picture: $(file "$file")"
  [ ! "$file" -ot "$BUILD_DIR/game/mnemora" ] || fail "$picture is older than the game"
done
[ "$(echo "$PICTURES" | xargs -I{} sha256sum "$BUILD_DIR/{}" | cut -d' ' -f1 | sort -u | wc -l)" = \
  "$(echo "$PICTURES" | wc -l)" ] || fail "two of the README's screenshots are the same picture"

head -n 1 "$SOURCE_DIR/LICENSE" | grep -q '^MIT License$' || fail "LICENSE is not the MIT licence"
awk '/^Files: \*$/ { found = 1 } found && /^License:/ { print $2; exit }' "$SOURCE_DIR/dist/copyright" |
  grep -qx MIT || fail "dist/copyright does not license the game's files under MIT"

VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
grep -m 1 '^## ' "$SOURCE_DIR/CHANGELOG.md" | grep -q "^## $VERSION " ||
  fail "CHANGELOG.md does not start with version $VERSION"
head -n 1 "$SOURCE_DIR/dist/changelog" | grep -q "^mnemora ($VERSION) " ||
  fail "dist/changelog does not start with version $VERSION"

echo "PASSED: $(echo $PICTURES) taken by this build; licence and changelogs agree"
