#!/bin/sh
# Builds the Debian packages and checks them as a till would get them: lintian
# on each with no error; installed with apt-get; every program, the Python
# module's metadata and each package's changelog of the package's version;
# the manual pages whole, with their synopsis, files, environment and related
# pages, in a UTF-8 locale; the user guide whole in sigrasw's documentation
# folder; the programs run from /usr against the emulator (sigractl on a COM
# number and on a USB adapter numbered in the machine's port table, the
# system's Python importing the module and selling nothing but asking the
# device, sigrad answering --help, its unit verified by systemd-analyze where
# systemd is there); sigrad upgraded to a newer package, which restarts the
# service, and removed, which stops it; then purged, leaving nothing of them
# under /usr or in their state folders. Needs root (apt-get).
# The packages are built in a tree of their own, or in BUILD_DIR (see
# tools/package-deb.sh).
#   tests/deb-test.sh [OUT_DIR [BUILD_DIR]]      (OUT_DIR: a temporary folder)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/sigra-deb-XXXXXX)
out_dir=${1:-$work/debs}
build_dir=${2:-}
emulator_pid=
service_pid=
installed=
made_run_systemd=
cleanup() {
  if [ -n "$emulator_pid" ]; then kill "$emulator_pid" 2>/dev/null || true; fi
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; fi
  unfake_systemd
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
# The maintainer scripts call systemd only where it runs (/run/systemd/system).
# For them systemd runs here, its commands stand-ins that write down their
# calls in $work/calls: with or without a systemd, no service is touched.
fake_systemd() {
  mkdir -p "$work/stand-ins"
  for tool in deb-systemd-invoke systemctl; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$tool" "$work" > "$work/stand-ins/$tool"
    chmod +x "$work/stand-ins/$tool"
  done
  : > "$work/calls"
  if [ ! -d /run/systemd ]; then
    made_run_systemd=/run/systemd
  elif [ ! -d /run/systemd/system ]; then
    made_run_systemd=/run/systemd/system
  fi
  mkdir -p /run/systemd/system
}
unfake_systemd() {
  if [ -n "$made_run_systemd" ]; then
    rmdir /run/systemd/system || true
    if [ "$made_run_systemd" = /run/systemd ]; then rmdir /run/systemd || true; fi
    made_run_systemd=
  fi
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

# One version: each program's, the Python module's metadata and the newest
# entry of each package's changelog are the package's.
for package in $packages; do
  version=$(dpkg-query -W -f '${Version}' "$package")
  changelog=/usr/share/doc/$package/changelog.Debian.gz
  [ -f "$changelog" ] || fail "$package holds no $changelog"
  zcat "$changelog" > "$work/changelog"
  logged=$(dpkg-parsechangelog -l "$work/changelog" -S Version) ||
    fail "$changelog is no Debian changelog"
  [ "$logged" = "$version" ] || fail "$package $version: its changelog's newest entry is $logged"
done
for program in sigractl sigra-emu sigrad sigrasw; do
  [ -x "/usr/bin/$program" ] || continue
  package=$(dpkg -S "/usr/bin/$program" | cut -d: -f1)
  version=$(dpkg-query -W -f '${Version}' "$package" | sed 's/-[^-]*$//')
  said=$(env -i QT_QPA_PLATFORM=offscreen "/usr/bin/$program" --version) ||
    fail "$program --version failed: $said"
  # "PROGRAM VERSION" or "PROGRAM VERSION, driver ..."
  said_version=$(echo "$said" | awk 'NR == 1 { sub(/,$/, "", $2); print $2 }')
  [ "$said_version" = "$version" ] ||
    fail "$program --version says $said_version, its package $package is $version: $said"
done
version=$(env -i /usr/bin/python3 -c 'import importlib.metadata as m; print(m.version("sigra"))') ||
  fail "importlib.metadata does not know the module: $version"
[ "$version" = "$(dpkg-query -W -f '${Version}' python3-sigra | sed 's/-[^-]*$//')" ] ||
  fail "the module's metadata gives version $version"
echo "deb test: the programs, the Python module and the changelogs of the packages' versions"

# Each package's copyright file in the machine-readable format, every licence
# its files name given in full; a program with nlohmann-json compiled in
# (its exceptions' texts in the binary) has it listed.
for package in $packages; do
  copyright=/usr/share/doc/$package/copyright
  compiled_in=
  for file in $(dpkg -L "$package"); do
    if [ -f "$file" ] && [ ! -h "$file" ] && grep -aq 'json\.exception\.' "$file"; then
      compiled_in=nlohmann
    fi
  done
  problem=$(python3 - "$copyright" "$compiled_in" <<'PYTHON'
import re
import sys

text = open(sys.argv[1], encoding="utf-8").read()
paragraphs = [p for p in re.split(r"\n[ \t]*\n", text.strip()) if p]
if not paragraphs[0].startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"):
    print("no Format line of the machine-readable format")
given, named, files = set(), set(), []
for paragraph in paragraphs[1:]:
    licence = re.search(r"^License: *(\S+)[^\n]*((?:\n[ \t].*)*)", paragraph, re.M)
    if not licence:
        print("a paragraph without a License: " + paragraph.splitlines()[0])
        continue
    (given if licence.group(2).strip() else named).add(licence.group(1))
    pattern = re.search(r"^Files: *(.*)", paragraph, re.M)
    if pattern:
        files.extend(pattern.group(1).split())
for name in sorted(named - given):
    print("the licence " + name + " is named but its text is not given")
if sys.argv[2] and not any(f.startswith(sys.argv[2] + "/") for f in files):
    print("no Files: paragraph for " + sys.argv[2] + ", compiled into the package")
PYTHON
  ) || fail "$copyright cannot be read"
  [ -z "$problem" ] || fail "$copyright: $problem"
done
echo "deb test: each package's copyright file"

# The manual pages, in a UTF-8 locale: no letter lost to "??", no line of
# a --help that help2man could not give to its option (an untagged .IP), and
# the sections beyond --help. sigrad's names its defaults file and its
# journal under the unit; each page of a program using the driver names
# every SIGRA_ variable the driver reads.
library=$(grep '/libsigradrv\.so\.[0-9]*$' "$work/files" | head -1)
driver_variables=$(grep -ao 'SIGRA_[A-Z_]*' "$library" | sort -u)
[ -n "$driver_variables" ] || fail "no SIGRA_ variable found in $library"
pages=$(grep '^/usr/share/man/man1/.*\.1\.gz$' "$work/files" | sort -u)
[ -n "$pages" ] || fail "the packages hold no manual page"
if ! command -v man > /dev/null; then
  echo "deb test: man is not installed (man-db): the pages are checked unrendered"
fi
for page in $pages; do
  program=$(basename "$page" .1.gz)
  if zcat "$page" | grep -q '^\.IP *$'; then
    fail "$page: a line of $program --help stands alone (help2man's .IP), cut from its option"
  fi
  if command -v man > /dev/null; then
    LC_ALL=C.UTF-8 MANWIDTH=80 MANPAGER=cat PAGER=cat man -l "$page" > "$work/page" 2>&1 ||
      fail "man -l $page failed: $(cat "$work/page")"
  else
    zcat "$page" > "$work/page"
  fi
  if grep -F '??' "$work/page"; then fail "$page has letters lost to ??"; fi
  for section in NAME SYNOPSIS DESCRIPTION FILES ENVIRONMENT 'SEE ALSO'; do
    grep -Eq "^(\.SH \"?)?$section\"?\$" "$work/page" || fail "$page has no $section"
  done
  case $program in
    sigrad) names="/etc/default/sigrad /var/lib/sigra/journal.db STATE_DIRECTORY $driver_variables" ;;
    sigractl | sigrasw) names="/var/lib/sigradrv/ports $driver_variables" ;;
    *) names= ;;
  esac
  # In the page's source, its hyphens escaped and its fonts switched.
  zcat "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g' > "$work/source"
  for name in $names; do
    grep -qF "$name" "$work/source" || fail "$page does not name $name"
  done
done
echo "deb test: the manual pages, $(echo "$pages" | wc -l), whole and with their sections"

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

# sigrad upgraded to a newer package (the same one, its version raised):
# the new package's postinst restarts the service if it runs, the old one's
# prerm leaves it running until then; a removal stops it. The service runs
# as its unit runs it (its user, its state folder made as systemd makes it),
# against the emulator run by the same user. It sells a receipt before the
# upgrade; restarted as systemd does when the postinst asks, the new binary
# replays the sale from the journal kept in /var/lib/sigra.
start_sigrad() {
  (cd /var/lib/sigra && exec setsid runuser -u sigra -- env -i STATE_DIRECTORY=/var/lib/sigra \
    SIGRA_DOSDEVICES="$work/unit" /usr/bin/sigrad --printer till1=COM1 --listen 127.0.0.1:18423 \
    >> "$work/unit/sigrad.log" 2>&1 < /dev/null) &
  for _ in $(seq 100); do
    service_pid=$(pgrep -o -x -u sigra sigrad) &&
      curl -sf http://127.0.0.1:18423/healthz > /dev/null && return 0
    sleep 0.1
  done
  cat "$work/unit/sigrad.log"
  fail "sigrad did not start as its unit would"
}
stop_sigrad() {
  kill "$service_pid"
  for _ in $(seq 100); do
    kill -0 "$service_pid" 2>/dev/null || { service_pid=; return 0; }
    sleep 0.1
  done
  fail "sigrad did not stop on SIGTERM"
}
sell() {
  curl -s -o "$work/unit/answer" -w '%{http_code} %header{idempotent-replayed}' \
    -H 'Content-Type: application/json' -H 'Idempotency-Key: upgrade-1' \
    --data '{"items":[{"name":"Chleb","rate":"A","quantity":1,"unit":"szt","price":"4.50"}]}' \
    http://127.0.0.1:18423/v1/printers/till1/receipts
}
if echo " $packages " | grep -q ' sigrad '; then
  chmod 711 "$work"
  install -d -o sigra -g sigra "$work/unit"
  install -d -o sigra -g sigra -m 0750 /var/lib/sigra
  runuser -u sigra -- /usr/bin/sigra-emu --type 7 --link "$work/unit" --port 1 \
    > "$work/emulator.log" 2>&1 &
  emulator_pid=$!
  for _ in $(seq 50); do [ -e "$work/unit/com1" ] && break; sleep 0.1; done
  start_sigrad
  said=$(sell)
  [ "$said" = "201 " ] && grep -q '"fiscalised": *true' "$work/unit/answer" || fail "the sale before the upgrade was answered $said: $(cat "$work/unit/answer")"
  [ -s /var/lib/sigra/journal.db ] || fail "no journal in /var/lib/sigra"
  deb=$(ls "$out_dir"/sigrad_*.deb)
  dpkg-deb -R "$deb" "$work/sigrad-newer"
  newer=$(dpkg-deb -f "$deb" Version)+1
  sed -i "s/^Version: .*/Version: $newer/" "$work/sigrad-newer/DEBIAN/control"
  dpkg-deb -b "$work/sigrad-newer" "$work/sigrad-newer.deb" > /dev/null
  fake_systemd
  PATH=$work/stand-ins:$PATH dpkg -i "$work/sigrad-newer.deb" > "$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "the upgrade of sigrad to $newer failed"; }
  [ "$(dpkg-query -W -f '${Version}' sigrad)" = "$newer" ] || fail "sigrad was not upgraded"
  grep -qx 'deb-systemd-invoke try-restart sigrad.service' "$work/calls" ||
    fail "the upgrade did not restart sigrad; systemd was asked: $(cat "$work/calls")"
  if grep -q 'stop' "$work/calls"; then fail "the upgrade stopped sigrad: $(cat "$work/calls")"; fi
  kill -0 "$service_pid" || fail "sigrad ended during the upgrade"
  stop_sigrad
  start_sigrad
  [ "$(readlink "/proc/$service_pid/exe")" = /usr/bin/sigrad ] ||
    fail "the restarted sigrad is not the upgraded binary: $(readlink "/proc/$service_pid/exe")"
  said=$(sell)
  [ "$said" = "201 true" ] && grep -q '"fiscalised": *true' "$work/unit/answer" ||
    fail "the sale after the upgrade was answered $said, not replayed: $(cat "$work/unit/answer")"
  stop_sigrad
  kill "$emulator_pid"
  emulator_pid=
  : > "$work/calls"
  PATH=$work/stand-ins:$PATH dpkg -r sigrad > "$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "the removal of sigrad failed"; }
  grep -qx 'deb-systemd-invoke stop sigrad.service' "$work/calls" ||
    fail "the removal did not stop sigrad; systemd was asked: $(cat "$work/calls")"
  if grep -q 'start' "$work/calls"; then fail "the removal started sigrad: $(cat "$work/calls")"; fi
  unfake_systemd
  echo "deb test: sigrad restarted by an upgrade onto the new binary, its journal kept; stopped by a removal"
fi

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
