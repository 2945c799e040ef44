#!/bin/sh
# Renders the Polish user guide, docs/pl/*.md, to HTML pages in OUT_DIR with
# cmark-gfm (tables and bare addresses as on a repository browser), and copies
# its pictures to OUT_DIR/img. Links between the guide's pages are rewritten
# from .md to .html, README.md becoming index.html; a link that leaves the
# guide is left out of it as plain text, since the rest of the tree does not
# travel with the pages.
#   tools/render-guide.sh OUT_DIR
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: render-guide.sh OUT_DIR}
guide=$source_dir/docs/pl
renderer=${CMARK_GFM:-cmark-gfm}
if ! command -v "$renderer" >/dev/null 2>&1; then
  echo "render-guide: $renderer is missing (Debian package cmark-gfm)" >&2
  exit 1
fi
mkdir -p "$out/img"
rm -f "$out"/*.html "$out"/img/*.png
cp "$guide"/img/*.png "$out/img/"
for page in "$guide"/*.md; do
  name=$(basename "$page" .md)
  [ "$name" = README ] && name=index
  # The page's first heading is the window's title.
  title=$(sed -n 's/^# *//p' "$page" | head -n 1)
  {
    printf '<!DOCTYPE html>\n<html lang="pl">\n<head>\n<meta charset="utf-8">\n'
    printf '<meta name="viewport" content="width=device-width, initial-scale=1">\n'
    printf '<title>%s</title>\n' "$(printf '%s' "$title" | sed 's/&/\&amp;/g; s/</\&lt;/g')"
    cat <<'STYLE'
<style>
body { font-family: sans-serif; max-width: 52em; margin: 1em auto; padding: 0 1em; line-height: 1.45; }
img { max-width: 100%; border: 1px solid #ccc; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.5em; vertical-align: top; text-align: left; }
code { background: #f3f3f3; }
pre { background: #f3f3f3; padding: 0.5em; overflow-x: auto; }
</style>
STYLE
    printf '</head>\n<body>\n'
    "$renderer" --extension table --extension autolink --extension strikethrough "$page" |
      python3 -c '
import re, sys
html = sys.stdin.read()
def link(match):
    target, label = match.group(1), match.group(2)
    if re.match(r"^[a-z][a-z0-9+.-]*:", target) or target.startswith("#"):
        return match.group(0)
    path, sep, anchor = target.partition("#")
    if "/" in path.replace("img/", "", 1) or (path and not path.endswith((".md", ".png"))):
        return label
    if path == "README.md":
        path = "index.md"
    path = re.sub(r"\.md$", ".html", path)
    return "<a href=\"%s%s%s\">%s</a>" % (path, sep, anchor, label)
html = re.sub(r"<a href=\"([^\"]*)\">(.*?)</a>", link, html, flags=re.S)
sys.stdout.write(html)
'
    printf '</body>\n</html>\n'
  } > "$out/$name.html"
done
echo "render-guide: $(ls "$out"/*.html | wc -l) pages, $(ls "$out"/img | wc -l) pictures in $out"
