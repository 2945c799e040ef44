#!/bin/sh
# Builds the Windows Installer package of a folder staged by
# tools/package-windows.sh, with wixl from packaging/windows/sigra.wxs: every
# file of the folder goes to Program Files\Sigra, and where the folder holds
# sigrad.exe, the service "Sigra" too (packaging/windows/sigrad.wxs).
#   tools/windows-msi.sh STAGE ICON VERSION OUT.msi
# VERSION is a.b.c; the product code is drawn from it, so each version has
# its own and a rebuild of the same version the same one.
set -eu
[ $# -eq 4 ] || { echo "usage: $0 STAGE ICON VERSION OUT.msi" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
stage=$(cd "$1" && pwd)
icon=$(realpath "$2")
version=$3
out=$(realpath -m "$4")
wxs=$source_dir/packaging/windows
for tool in wixl wixl-heat msibuild; do
  if ! command -v $tool >/dev/null 2>&1; then
    echo "windows-msi: $tool is missing (Debian packages wixl and msitools)" >&2
    exit 1
  fi
done
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$wxs/sigra.wxs")
product_code=$(python3 -c 'import sys, uuid
print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), "Sigra " + sys.argv[2])).upper())' \
  "$upgrade_code" "$version")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl takes the files' paths relative to where it runs.
ln -s "$stage" "$work/stage"
cp "$icon" "$work/sigrasw.ico"
service=
[ -f "$stage/sigrad.exe" ] && service=yes
cd "$work"
find -L stage -type f ! -path stage/sigrad.exe | LC_ALL=C sort |
  wixl-heat -p stage/ --directory-ref INSTALLDIR --component-group Files --var var.Stage \
    --win64 > files.wxs
set -- -a x64 -D Version="$version" -D ProductCode="$product_code" -D Stage=stage \
  -D Icon=sigrasw.ico -D Win64=yes -o sigra.msi "$wxs/sigra.wxs" files.wxs
if [ -n "$service" ]; then
  set -- -D Sigrad=yes "$@" "$wxs/sigrad.wxs"
fi
wixl "$@"
if [ -n "$service" ]; then
  # The service starts at install time only with a printer given; wixl
  # takes no condition on a component, so it is written here.
  msibuild sigra.msi -q "UPDATE \`Component\` SET \`Condition\` = 'PRINTER' WHERE \`Component\` = 'SigradStart'"
fi
mv sigra.msi "$out"
