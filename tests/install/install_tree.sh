#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a packager and a desktop get.
# Usage: install_tree.sh BUILD_DIR
set -u
BUILD=$1
ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$BUILD" --prefix "$ROOT/usr" > "$ROOT/install.log" || { cat "$ROOT/install.log"; exit 1; }

for file in bin/vestrel-cli \
            share/applications/org.vestrel.Vestrel.desktop \
            share/metainfo/org.vestrel.Vestrel.metainfo.xml \
            share/icons/hicolor/scalable/apps/org.vestrel.Vestrel.svg \
            share/icons/hicolor/48x48/apps/org.vestrel.Vestrel.png \
            share/icons/hicolor/256x256/apps/org.vestrel.Vestrel.png \
            share/man/man1/vestrel.1.gz share/man/man1/vestrel-cli.1.gz \
            share/bash-completion/completions/vestrel-cli \
            share/doc/vestrel/README.md share/doc/vestrel/wire-trace.md \
            ${VESTREL_INSTALL_EXTRA:-}; do
  [ -e "$ROOT/usr/$file" ] || fail "not installed: $file"
done

desktop-file-validate "$ROOT/usr/share/applications/org.vestrel.Vestrel.desktop" || fail "desktop entry"
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$ROOT/usr/share/metainfo/org.vestrel.Vestrel.metainfo.xml" \
    > "$ROOT/as.log" 2>&1 || { cat "$ROOT/as.log"; fail "metainfo"; }
fi
for page in vestrel vestrel-cli; do
  MANWIDTH=80 man --warnings -l "$ROOT/usr/share/man/man1/$page.1.gz" 2>&1 > /dev/null | grep . && fail "man page $page warns"
done
bash -n "$ROOT/usr/share/bash-completion/completions/vestrel-cli" || fail "completion script"

"$ROOT/usr/bin/vestrel-cli" --version | grep -qE '^vestrel-cli [0-9]' || fail "installed --version"
"$ROOT/usr/bin/vestrel-cli" --help | grep -q "backup-pds" || fail "installed --help"

[ "$failures" -eq 0 ] && echo "install tree complete"
exit "$failures"
