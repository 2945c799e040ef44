#!/bin/sh
# Builds the Debian packages and checks them as a till would get them: lintian
# on each with no error; installed with apt-get; the user guide whole in
# sigrasw's documentation folder; the programs run from /usr
# against the emulator (sigractl on a COM number and on a USB adapter numbered
# in the machine's port table, the system's Python importing the module and
# selling nothing but asking the device, sigrad answering --help, its unit
# verified by systemd-analyze where systemd is there); then purged, leaving
# nothing of them under /usr or in their state folders. Needs root (apt-get).
# The packages are built in a tree of their own, or in BUILD_DIR (see
# tools/package-deb.sh).
#   tests/deb-test.sh [OUT_DIR [BUILD_DIR]]      (OUT_DIR: a temporary folder)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/sigra-deb-XXXXXX)
out_dir=${1:-$work/debs}
build_dir=${2:-}
emulator_pid=
installed=
cleanup() {
  if [ -n "$emulator_pid" ]; then kill "$emulator_pid" 2>/dev/null || true; fi
  if [ -n "$installed" ]; then
    # shellcheck disable=SC2086
    apt-get purge -y -q -o DPkg::Lock::Timeout=600 $installed > /dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "deb test: $*" >&2
  exit 1
}
[ "$(id -u)" = 0 ] || fail "needs root, to install the packages"

"$source_dir/tools/package-deb.sh" "$out_dir" ${build_dir:+"$build_dir"} > "$work/package.log" 2>&1 ||
  { cat "$work/package.log"; fail "the packages were not built"; }
grep '^man page:' "$work/package.log" >&2 || true
debs=$(ls "$out_dir"/*.deb)
packages=
for deb in $debs; do packages="$packages $(dpkg-deb -f "$deb" Package)"; done
echo "deb test: built$packages"

# lintian: no error; its warnings shown.
for deb in $debs; do
  lintian --fail-on error "$deb" > "$work/lintian.out" 2>&1 ||
    { cat "$work/lintian.out"; fail "lintian reports errors in $(basename "$deb")"; }
  grep -v "running with root privileges" "$work/lintian.out" | sed 's/^/deb test: lintian: /'
done

for package in $packages; do
  if dpkg -s "$package" > /dev/null 2>&1; then fail "$package is installed already"; fi
done
installed=$packages
# shellcheck disable=SC2086
apt-get install -y -q -o DPkg::Lock::Timeout=600 $debs > "$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install failed"; }
for package in $packages; do dpkg -L "$package" >> "$work/files"; done

# The user guide in HTML with sigrasw: its index and every page and picture
# its pages link to, and no picture left without a page that shows it.
guide=/usr/share/doc/sigrasw/przewodnik
dpkg -L sigrasw | grep -qx "$guide/index.html" || fail "sigrasw holds no $guide/index.html"
for page in "$guide"/*.html; do
  grep -q '</html>' "$page" || fail "$page is cut short"
  for target in $(grep -o -E '(src|href)="[^"]*"' "$page" | sed 's/^[a-z]*="//; s/"$//; s/#.*//' |
    grep -v -e ':' -e '^$'); do
    [ -f "$guide/$target" ] || fail "$page links to $target, which sigrasw does not hold"
  done
done
for picture in "$guide"/img/*.png; do
  grep -q "img/$(basename "$picture")" "$guide"/*.html ||
    fail "no page of the guide shows $(basename "$picture")"
done
echo "deb test: the user guide, $(ls "$guide"/*.html | wc -l) pages and $(ls "$guide"/img | wc -l) pictures"

# From /usr, against the emulator linked as COM1.
mkdir -p "$work/ports" "$work/by-id"
/usr/bin/sigra-emu --type 7 --link "$work/ports" --port 1 > "$work/emulator.log" &
emulator_pid=$!
for _ in $(seq 50); do [ -e "$work/ports/com1" ] && break; sleep 0.1; done
name=$(env -i SIGRA_DOSDEVICES="$work/ports" /usr/bin/sigractl --port COM1 name) ||
  fail "sigractl --port COM1 name failed: $name"
[ "$name" = "Nowa drukarka fiskalna" ] || fail "sigractl name printed: $name"

# The same printer as a USB adapter, numbered in the machine's port table.
ln -s "$(readlink "$work/ports/com1")" "$work/by-id/usb-Sigra_Test_Adapter_T0001-if00-port0"
rm "$work/ports/com1"
ports=$(env -i SIGRA_SERIAL_DIR="$work/by-id" /usr/bin/sigractl ports)
adapter=$(echo "$ports" | awk '$3 == "usb-Sigra_Test_Adapter_T0001-if00-port0" { print $1 }')
[ -n "$adapter" ] || fail "sigractl ports does not list the adapter: $ports"
grep -q "^$adapter usb-Sigra_Test_Adapter" /var/lib/sigradrv/ports ||
  fail "the adapter is not in /var/lib/sigradrv/ports"
name=$(env -i SIGRA_SERIAL_DIR="$work/by-id" /usr/bin/sigractl --port "$adapter" name) ||
  fail "sigractl --port $adapter name failed: $name"
[ "$name" = "Nowa drukarka fiskalna" ] || fail "sigractl on $adapter printed: $name"

name=$(env -i SIGRA_SERIAL_DIR="$work/by-id" /usr/bin/python3 -c "
import sigra
driver = sigra.Driver()
with driver.connection(port=int('$adapter'[3:])):
    print(driver.device_name())") || fail "the system's Python: $name"
[ "$name" = "Nowa drukarka fiskalna" ] || fail "the Python module printed: $name"
version=$(env -i /usr/bin/python3 -c 'import importlib.metadata as m; print(m.version("sigra"))') ||
  fail "importlib.metadata does not know the module: $version"
[ "$version" = "$(dpkg-query -W -f '${Version}' python3-sigra | sed 's/-.*//')" ] ||
  fail "the module's metadata gives version $version"

flags=$(pkg-config --cflags --libs sigradrv) || fail "pkg-config does not find sigradrv"
echo 'int main(void) { return 0; }' > "$work/empty.c"
# shellcheck disable=SC2086
cc "$work/empty.c" $flags -o "$work/empty" || fail "cannot link against the installed driver"

if echo " $packages " | grep -q ' sigrad '; then
  /usr/bin/sigrad --help > /dev/null || fail "sigrad --help failed"
  if command -v systemd-analyze > /dev/null; then
    systemd-analyze verify --man=no /lib/systemd/system/sigrad.service ||
      fail "systemd-analyze verify failed on sigrad.service"
  fi
  getent passwd sigra > /dev/null || fail "no user sigra"
  id -nG sigra | grep -qw dialout || fail "the user sigra is not in the group dialout"
fi
kill "$emulator_pid"
emulator_pid=

# shellcheck disable=SC2086
apt-get purge -y -q -o DPkg::Lock::Timeout=600 $packages > "$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get purge failed"; }
installed=
left=$(grep '^/usr/' "$work/files" | sort -u | while read -r path; do
  if [ -e "$path" ] && ! dpkg -S "$path" > /dev/null 2>&1; then echo "$path"; fi
done)
[ -z "$left" ] || fail "left under /usr after the purge: $left"
for path in /var/lib/sigradrv /var/lib/sigra /etc/default/sigrad /usr/lib/python3/dist-packages/sigra; do
  [ ! -e "$path" ] || fail "$path left after the purge"
done
echo "deb test: installed, run from /usr, purged without a trace"
