#!/usr/bin/env bash
# Builds the Debian package of the build and checks it: its files, its dependencies found by
# dpkg-shlibdeps, the installed tool running from a scratch root, and lintian where available.
# Usage: package.sh BUILD_DIR
set -u
BUILD=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack -G DEB -B "$WORK" --config "$BUILD/CPackConfig.cmake" > "$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log"; exit 1; }
deb=$(ls "$WORK"/*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no package made"; exit 1; }

dpkg-deb -c "$deb" > "$WORK/contents"
for file in ./usr/bin/vestrel-cli ./usr/share/applications/org.vestrel.Vestrel.desktop \
            ./usr/share/man/man1/vestrel-cli.1.gz; do
  grep -qF " $file" "$WORK/contents" || fail "package lacks $file"
done
dpkg-deb -f "$deb" Depends | grep -q "libc6" || fail "no library dependencies: $(dpkg-deb -f "$deb" Depends)"
if [ -x "$BUILD/app/vestrel" ]; then
  dpkg-deb -f "$deb" Depends | grep -q "qt6-translations-l10n" ||
    fail "the windows' Russian Qt texts are not a dependency: $(dpkg-deb -f "$deb" Depends)"
fi

dpkg-deb -x "$deb" "$WORK/root"
"$WORK/root/usr/bin/vestrel-cli" --version | grep -q '^vestrel-cli ' || fail "packaged tool does not run"

if command -v lintian > /dev/null; then
  # Errors only: a package built from a test build carries debugging aids lintian warns of.
  lintian --fail-on error --suppress-tags no-copyright-file,changelog-file-missing-in-native-package,unstripped-binary-or-object \
    "$deb" > "$WORK/lintian.log" 2>&1 || { cat "$WORK/lintian.log"; fail "lintian errors"; }
fi
[ "$failures" -eq 0 ] && echo "package $(basename "$deb") checked"
exit "$failures"
