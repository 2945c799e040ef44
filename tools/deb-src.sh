#!/bin/sh
# Lets `apt-get source` fetch Debian's source packages: where apt has no
# source entry yet, adds one for each archive the system already installs
# binary packages from, with the same address, suites, components and key.
# The entries are read as apt itself reads them (`apt-get indextargets`), so
# sources.list, `.list` and `.sources` files all count. Needs root, as
# apt-get update does.
#   tools/deb-src.sh
set -eu
target=/etc/apt/sources.list.d/sigra-deb-src.sources

if apt-get indextargets --format '$(TARGET_OF)' | grep -qx deb-src; then
  exit 0
fi
# One line per configured binary index: address, suite, component and the
# place of the entry ("file:line" for the one-line format, "file:stanza" for
# the deb822 one).
entries=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(SOURCESENTRY)' \
  'Target-Of: deb' 'Created-By: Packages' | sort -u)
if [ -z "$entries" ]; then
  echo "deb-src: apt has no binary package archive configured to take the sources from" >&2
  exit 1
fi

# The key an entry is signed with, from the entry itself.
signed_by() {
  file=${1%:*}
  number=${1##*:}
  case $file in
    *.sources)
      awk -v want="$number" '
        BEGIN { stanza = 1; seen = 0 }
        /^[ \t]*$/ { if (seen) { stanza++; seen = 0 }; next }
        { seen = 1 }
        stanza == want && tolower($1) == "signed-by:" { print $2; exit }' "$file" ;;
    *)
      sed -n "${number}p" "$file" | sed -n 's/.*\[[^]]*signed-by=\([^] ]*\).*/\1/p' ;;
  esac
}

stanzas=$(echo "$entries" | while read -r uri suite component entry; do
  key=$(signed_by "$entry")
  echo "$uri ${key:--} $suite $component"
done | awk '
  { key = $1 " " $2; if (!(key in suites)) order[++n] = key
    if (index(" " suites[key] " ", " " $3 " ") == 0) suites[key] = suites[key] " " $3
    if (index(" " components[key] " ", " " $4 " ") == 0) components[key] = components[key] " " $4 }
  END { for (i = 1; i <= n; i++) {
          split(order[i], part, " ")
          print "Types: deb-src"
          print "URIs: " part[1]
          print "Suites:" suites[order[i]]
          print "Components:" components[order[i]]
          if (part[2] != "-") print "Signed-By: " part[2]
          print "" } }')

printf '%s\n' "$stanzas" > "$target"
echo "deb-src: added source entries in $target"
# A mirror caught mid-sync fails some other index; the sources' may be there.
apt-get update -qq -o DPkg::Lock::Timeout=600 ||
  echo "deb-src: apt-get update failed; trying the source indexes that came" >&2
