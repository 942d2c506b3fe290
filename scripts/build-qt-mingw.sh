#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Qt's base module for 64-bit Windows (mingw-w64) from Debian's own
# source package, with Debian's Qt of the same version as host tools, and
# installs it into a cache folder outside any build tree. Prints the folder
# on its last line. A complete cache whose key (source version, configure
# flags, compiler version) matches is reused at once.
#
#   TAVELIN_QT_MINGW   the cache folder (default ~/.cache/tavelin/qt-<version>-mingw)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix \
  cmake ninja-build dpkg-dev perl python3 qt6-translations-l10n >&2

# The host tools (moc, rcc, uic, syncqt) must be of the very version built.
source_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
upstream=${source_version%%+*}
compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
cache=${TAVELIN_QT_MINGW:-$HOME/.cache/tavelin/qt-$upstream-mingw}

flags=(
  -release -shared -prefix "$cache"
  -xplatform win32-g++ -qt-host-path /usr
  -nomake tests -nomake examples
  -no-opengl -no-dbus -no-icu -no-feature-network -no-feature-sql
  -no-feature-printsupport
  # Debian's source drops the Wintab headers the tablet events need.
  -no-feature-tabletevent
  # 6.4's DirectWrite font engine lives under direct2d; 1.1 is not needed.
  -no-feature-direct2d1_1
  # The offscreen platform (window tests under Wine) draws with FreeType.
  -qt-freetype -qt-libpng -qt-libjpeg -qt-zlib -qt-pcre -qt-harfbuzz
)
key=$(printf '%s\n' "$source_version" "${flags[*]}" "$compiler" | sha256sum | cut -c1-16)

# Qt's own texts (standard buttons, context menus) in the operator's
# language come from the translations module, which is not built here:
# Debian's files of the same version, into the folder Qt reads them from.
add_translations() {
  mkdir -p "$cache/translations"
  cp /usr/share/qt6/translations/qtbase_*.qm "$cache/translations/"
}

# One build at a time: a second caller (another checkout's tests) waits for
# the first and then finds its cache.
mkdir -p "$(dirname "$cache")"
exec 9>"$cache.lock"
flock 9

if [ -f "$cache/.tavelin-key" ] && [ "$(cat "$cache/.tavelin-key")" = "$key" ]; then
  add_translations
  echo "Qt for Windows: reusing $cache" >&2
  echo "$cache"
  exit 0
fi

has_source_index() {
  grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! has_source_index; then
  [ "$(id -u)" -eq 0 ] || { echo "No deb-src entry for apt; add one for bookworm as root." >&2; exit 1; }
  echo "Adding a deb-src entry for bookworm (/etc/apt/sources.list.d/tavelin-src.sources)." >&2
  cat >/etc/apt/sources.list.d/tavelin-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt-get update -qq
fi

start=$(date +%s)
work=$HOME/.cache/tavelin/qtbase-src-$upstream
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get source -qq "qt6-base=$source_version" >&2) || {
  apt-get update -qq && (cd "$work" && apt-get source -qq "qt6-base=$source_version" >&2)
}
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)

rm -rf "$cache"
mkdir -p "$work/build"
cd "$work/build"
nice -n 19 "$src/configure" "${flags[@]}" -- -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/configure.log" 2>&1 ||
  { tail -n 40 "$work/configure.log" >&2; exit 1; }
nice -n 19 cmake --build . --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install . >"$work/install.log" 2>&1
find "$cache" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
add_translations
echo "$key" >"$cache/.tavelin-key"
rm -rf "$work"

echo "Qt for Windows built in $(($(date +%s) - start)) s: $(du -sh "$cache" | cut -f1) in $cache" >&2
echo "$cache"
