#!/bin/bash
# Prepares the libraries sigrad.exe is built with for 64-bit Windows, from
# Debian's own source packages of the versions the host builds the Linux
# sigrad with: cpp-httplib and nlohmann-json as their headers, SQLite as its
# amalgamation compiled once (at -O2) into a static library. Into a cache
# outside the checkout:
#   tools/windows-libs.sh          # into $SIGRA_WINDOWS_LIBS, default ~/.cache/sigra/win64-libs
#   tools/windows-libs.sh --check  # exits 0 when the cache holds them, 1 when not
# Does nothing when the cache already holds these versions. Adds a deb-src
# entry for the archive the system installs from when there is none (needs
# root, as apt-get does; see tools/deb-src.sh).
set -euo pipefail
check=no
[ "${1:-}" = --check ] && check=yes

source_dir=$(cd "$(dirname "$0")/.." && pwd)
prefix=${SIGRA_WINDOWS_LIBS:-$HOME/.cache/sigra/win64-libs}
stamp=$prefix/sigra-libs-version
cc=x86_64-w64-mingw32-gcc-posix

version_of() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true; }
httplib=$(version_of libcpp-httplib-dev)
json=$(version_of nlohmann-json3-dev)
sqlite=$(version_of libsqlite3-dev)
if [ -z "$httplib" ] || [ -z "$json" ] || [ -z "$sqlite" ]; then
  echo "windows-libs: libcpp-httplib-dev, nlohmann-json3-dev and libsqlite3-dev must be installed;" \
    "their versions are the ones built for Windows" >&2
  exit 1
fi
# Compile options of the SQLite library; a cache built otherwise is built again.
sqlite_flags=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_DQS=0 -DSQLITE_OMIT_LOAD_EXTENSION
  -DSQLITE_DEFAULT_WAL_SYNCHRONOUS=2 -DSQLITE_WIN32_NO_ANSI)
wanted="cpp-httplib $httplib nlohmann-json3 $json sqlite3 $sqlite ${sqlite_flags[*]}"
cached() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; }
if [ $check = yes ]; then
  cached
  exit
fi
if ! command -v $cc >/dev/null 2>&1; then
  echo "windows-libs: $cc not found (package gcc-mingw-w64-x86-64-posix)" >&2
  exit 1
fi
mkdir -p "$(dirname "$prefix")"
# One preparation at a time: a second caller waits and then finds the cache filled.
exec 9>"$prefix.lock"
flock 9
if cached; then
  exit 0
fi

started=$(date +%s)
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
if ! apt-get indextargets --format '$(TARGET_OF)' | grep -qx deb-src; then
  as_root "$source_dir/tools/deb-src.sh"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Unpacked with Debian's patches applied (dpkg-source -x).
for package in "cpp-httplib=$httplib" "nlohmann-json3=$json" "sqlite3=$sqlite"; do
  apt-get source -qq "$package" > "fetch-${package%%=*}.log" 2>&1 || {
    cat "fetch-${package%%=*}.log"
    exit 1
  }
done
rm -rf "$prefix"
mkdir -p "$prefix/include/nlohmann" "$prefix/lib"

cp cpp-httplib-*/httplib.h cpp-httplib-*/LICENSE "$prefix/include/"
mv "$prefix/include/LICENSE" "$prefix/include/httplib.LICENSE"
cp nlohmann-json3-*/single_include/nlohmann/*.hpp "$prefix/include/nlohmann/"
cp nlohmann-json3-*/LICENSE.MIT "$prefix/include/nlohmann/"

# The amalgamation is made from the source tree by its own tools (tclsh).
mkdir sqlite-build
(cd sqlite-build && ../sqlite3-*/configure --disable-tcl > configure.log 2>&1 &&
  make sqlite3.c > make.log 2>&1) || {
  tail -30 sqlite-build/*.log
  exit 1
}
cp sqlite-build/sqlite3.h "$prefix/include/"
$cc "${sqlite_flags[@]}" -c sqlite-build/sqlite3.c -o sqlite3.o
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" sqlite3.o
echo "$wanted" > "$stamp"

elapsed=$(( $(date +%s) - started ))
echo "windows-libs: prepared cpp-httplib $httplib, nlohmann-json $json and SQLite $sqlite" \
  "for Windows in $prefix in ${elapsed} s"
