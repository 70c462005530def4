#!/usr/bin/env bash
# The Debian package: builds it with CPack into a temporary folder and checks
# what a packager's tools check. lintian reports no error; the changelog and
# the man page are compressed where a native package keeps them, and the man
# page names the installed data folder; the executable is hardened (read-only
# relocations bound at start-up, fortified functions); the desktop entry
# starts /usr/games/mnemora.
#
# Usage: package_deb.sh BUILD_DIR
set -u

BUILD_DIR=$(cd "${1:?usage: package_deb.sh BUILD_DIR}" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() {
  echo "FAILED: $*"
  exit 1
}

for tool in cpack dpkg-deb readelf lintian; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps installs it)"
done

(cd "$BUILD_DIR" && cpack -G DEB -B "$WORK/out") >"$WORK/cpack.log" 2>&1 || {
  cat "$WORK/cpack.log"
  fail "cpack"
}
DEB=$(ls "$WORK"/out/mnemora_*.deb 2>/dev/null)
[ -f "$DEB" ] || fail "no package: $(cat "$WORK/cpack.log")"
dpkg-deb -x "$DEB" "$WORK/root" || fail "dpkg-deb -x"
ROOT="$WORK/root"

# Documents where a native package keeps them, compressed.
VERSION=$(dpkg-deb -f "$DEB" Version)
gzip -dc "$ROOT/usr/share/doc/mnemora/changelog.gz" 2>/dev/null | head -n 1 | grep -q "^mnemora ($VERSION) " ||
  fail "usr/share/doc/mnemora/changelog.gz does not start with version $VERSION"
[ ! -e "$ROOT/usr/share/man/man6/mnemora.6" ] || fail "an uncompressed man page"
gzip -dc "$ROOT/usr/share/man/man6/mnemora.6.gz" 2>/dev/null | grep -qx '\.I /usr/share/games/mnemora' ||
  fail "the man page does not name /usr/share/games/mnemora"
grep -qx 'Exec=/usr/games/mnemora' "$ROOT"/usr/share/applications/*.desktop || fail "desktop entry Exec"

# Hardening of the executable.
GAME="$ROOT/usr/games/mnemora"
readelf -d "$GAME" | grep -q 'FLAGS.*BIND_NOW\|FLAGS_1.*NOW' || fail "the executable is not bound at start-up (-z now)"
readelf -l "$GAME" | grep -q 'GNU_RELRO' || fail "the executable has no read-only relocations (-z relro)"
SYMBOLS=$(readelf -W --dyn-syms "$GAME")
echo "$SYMBOLS" | grep -q ' __stack_chk_fail@' || fail "the executable has no stack protector"
echo "$SYMBOLS" | grep -v ' __stack_chk_fail@' | grep -q ' __[a-z]*_chk@' ||
  fail "the executable calls no fortified function (-D_FORTIFY_SOURCE)"

# lintian: no error (warnings are listed for a look).
# (It leaves a cache behind in its temporary folder: one inside the work folder.)
mkdir -p "$WORK/tmp"
TMPDIR="$WORK/tmp" lintian --tag-display-limit 0 "$DEB" >"$WORK/lintian.log" 2>&1
cat "$WORK/lintian.log"
! grep -q '^E: ' "$WORK/lintian.log" || fail "lintian reports errors"

echo "PASSED: package $(basename "$DEB"): lintian without errors, documents compressed, executable hardened"
