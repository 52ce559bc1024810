#!/usr/bin/env bash
# Cross-builds the Windows build's libraries from Debian's own source packages:
# SQLite (its amalgamation), libxml2 and GoogleTest/GoogleMock, as static MinGW-w64
# libraries, into a cache folder outside the clone keyed by their versions. A second
# run finds the folder complete and builds nothing. msgpack-cxx and nlohmann-json are
# header-only: their Debian headers are linked into the same prefix, so the cross
# build reads them without seeing any other Linux header or library.
#
#   cmake/windows_deps.sh           prints the prefix on its last line
#   TAV_WINDOWS_DEPS=dir            the cache root (default ~/.cache/tavproe2/windows-deps)
#
# The source packages come through a private apt configuration (a deb-src entry in
# the cache, lists in the cache); the machine's own apt lists are never touched.
set -euo pipefail

src_dir=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$src_dir/cmake/mingw-w64-x86_64.cmake
root=${TAV_WINDOWS_DEPS:-$HOME/.cache/tavproe2/windows-deps}
jobs=$(nproc 2>/dev/null || echo 2)

# Versions of bookworm's source packages; the cache folder is named after them.
sqlite_version=3.40.1
libxml2_version=2.9.14
googletest_version=1.12.1
# The recipe's number goes up whenever the way they are built changes.
recipe=2
prefix=$root/sqlite-${sqlite_version}_libxml2-${libxml2_version}_googletest-${googletest_version}_r${recipe}

log() { echo "windows-deps: $*" >&2; }

# The header-only libraries: links to Debian's installed headers, and a copy of
# nlohmann-json's CMake package (its paths are relative to where it lies).
link_header_only() {
  mkdir -p "$prefix/include" "$prefix/share/cmake"
  ln -sfn /usr/include/nlohmann "$prefix/include/nlohmann"
  ln -sfn /usr/include/msgpack "$prefix/include/msgpack"
  ln -sfn /usr/include/msgpack.hpp "$prefix/include/msgpack.hpp"
  rm -rf "$prefix/share/cmake/nlohmann_json"
  cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/nlohmann_json"
}

if [ -f "$prefix/.complete" ]; then
  link_header_only
  log "reusing $prefix"
  echo "$prefix"
  exit 0
fi

start=$(date +%s)
work=$root/work
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$prefix"

# A deb-src entry for the mirror the machine's binary lists already use.
uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
uri=${uri:-http://deb.debian.org/debian}
printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
  "$uri" /usr/share/keyrings/debian-archive-keyring.gpg >"$work/apt/src.sources"
apt_src=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$work/apt"
         -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache"
         -o APT::Sandbox::User=root)
log "fetching the source lists"
apt-get -qq "${apt_src[@]}" update
(cd "$work" && apt-get -qq "${apt_src[@]}" source --download-only sqlite3 libxml2 googletest)
# The cache folder's name promises these upstream versions: refuse others.
for want in "sqlite3_${sqlite_version}" "libxml2_${libxml2_version}" "googletest_${googletest_version}"; do
  compgen -G "$work/${want}[.+-]*orig.tar.*" >/dev/null ||
    { log "Debian no longer serves ${want}; update the versions in $0"; exit 1; }
done

# Every file a .dsc names must match its SHA-256 there (apt has already checked
# the .dsc against the signed index; the maintainers' signatures on the .dsc
# files are not checked, as that needs debian-keyring).
verify() { # dsc
  local dsc=$1 line sum size name
  while read -r line; do
    read -r sum size name <<<"$line"
    [ -n "$name" ] || continue
    echo "$sum  $name" | (cd "$work" && sha256sum --quiet -c -) ||
      { log "checksum mismatch: $name in $dsc"; exit 1; }
  done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$work/$dsc")
  log "verified $dsc"
}
# Debian's tree: the upstream sources with Debian's patches (its security fixes
# among them) applied.
unpack() { # package, folder
  local dsc
  dsc=$(cd "$work" && ls "$1"_*.dsc)
  verify "$dsc"
  (cd "$work" && dpkg-source --no-check -x "$dsc" "$2" >/dev/null)
}

cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTAV_WINDOWS_DEPS_PREFIX="$prefix"
       -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF)

# SQLite: the tree has no amalgamation; its native configure makes one (needs tclsh).
log "SQLite ${sqlite_version}"
unpack sqlite3 sqlite
mkdir -p "$work/sqlite/bld"
(cd "$work/sqlite/bld" && ../configure >/dev/null && make -s sqlite3.c >/dev/null)
mkdir -p "$prefix/include" "$prefix/lib"
x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA \
  -c "$work/sqlite/bld/sqlite3.c" -o "$work/sqlite/bld/sqlite3.o"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite/bld/sqlite3.o"
cp "$work/sqlite/bld/sqlite3.h" "$work/sqlite/bld/sqlite3ext.h" "$prefix/include/"

# libxml2 with its own CMake, without what the module does not use. LIBXML_STATIC
# keeps its functions unmarked for export, so a DLL linking it exports none of them.
log "libxml2 ${libxml2_version}"
unpack libxml2 libxml2
cmake -S "$work/libxml2" -B "$work/libxml2/bld" "${cross[@]}" -DLIBXML2_WITH_ICONV=OFF \
  -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_PYTHON=OFF \
  -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_HTTP=OFF \
  -DLIBXML2_WITH_FTP=OFF -DCMAKE_C_FLAGS=-DLIBXML_STATIC >/dev/null
cmake --build "$work/libxml2/bld" -j "$jobs" >/dev/null
cmake --install "$work/libxml2/bld" >/dev/null

# GoogleTest and GoogleMock.
log "GoogleTest ${googletest_version}"
unpack googletest googletest
cmake -S "$work/googletest" -B "$work/googletest/bld" "${cross[@]}" >/dev/null
cmake --build "$work/googletest/bld" -j "$jobs" >/dev/null
cmake --install "$work/googletest/bld" >/dev/null

link_header_only
rm -rf "$work"
touch "$prefix/.complete"
log "built in $(($(date +%s) - start)) s: $prefix"
echo "$prefix"
