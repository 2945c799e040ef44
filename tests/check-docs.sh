#!/bin/sh
# Checks the Markdown files git tracks in SOURCE_DIR: every relative link and
# picture resolves to a file or folder of the tree (and its #anchor, when it
# has one, to a heading of the Markdown file it names), and every command in a
# ```sh or ```console block that names a project script (tools/..., tests/...,
# examples/...) names one that exists. Each broken one is named with its file
# and line; the exit status is 1 when there is any.
#   tests/check-docs.sh SOURCE_DIR
set -eu
source_dir=$(cd "${1:?usage: check-docs.sh SOURCE_DIR}" && pwd)
cd "$source_dir"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files -- '*.md')
else
  files=$(find . -name '*.md' -not -path './build*' -not -path '*/node_modules/*' | sed 's|^\./||')
fi
# shellcheck disable=SC2086
exec python3 - $files <<'PYTHON'
import os
import re
import sys
import urllib.parse

FENCE = re.compile(r"^\s*(```+|~~~+)\s*([\w+-]*)")
LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*(<[^>]*>|[^()\s]*(?:\([^()]*\)[^()\s]*)*)(?:\s+[\"'(].*?[\"')])?\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*(<[^>]*>|\S+)")
CODE_SPAN = re.compile(r"(`+)(?:(?!\1).)+?\1")
SCRIPT = re.compile(r"(?:^|[\s;|&(=\"'`])(?:\./)?((?:tools|tests|examples)/[A-Za-z0-9_.+/-]*[A-Za-z0-9_+-])")
HTML_ANCHOR = re.compile(r"<a\s+(?:name|id)=\"([^\"]+)\"", re.I)


def slug(heading: str) -> str:
    """The anchor a heading gets on the usual Markdown hosts."""
    text = re.sub(r"`|\*\*|__|\[([^\]]*)\]\([^)]*\)", r"\1", heading.strip()).lower()
    text = "".join(c for c in text if c.isalnum() or c in " -_")
    return text.replace(" ", "-")


def read(path: str) -> list[tuple[int, str, str | None]]:
    """Each line with its number and the info string of the fenced block it
    is in (None outside code blocks)."""
    lines, fence, info = [], None, None
    with open(path, encoding="utf-8") as handle:
        for number, line in enumerate(handle, 1):
            line = line.rstrip("\n")
            match = FENCE.match(line)
            if fence is None and match:
                fence, info = match.group(1), match.group(2).lower()
                continue
            if fence is not None and line.strip().startswith(fence[0] * len(fence)) \
                    and not line.strip().strip(fence[0]):
                fence, info = None, None
                continue
            lines.append((number, line, info if fence is not None else None))
    return lines


anchors_cache: dict[str, set[str]] = {}


def anchors(path: str) -> set[str]:
    if path not in anchors_cache:
        found: set[str] = set()
        counts: dict[str, int] = {}
        for _, line, info in read(path):
            if info is not None:
                continue
            found.update(HTML_ANCHOR.findall(line))
            heading = re.match(r"^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$", line)
            if heading:
                base = slug(heading.group(1))
                count = counts.get(base, 0)
                counts[base] = count + 1
                found.add(base if count == 0 else f"{base}-{count}")
        anchors_cache[path] = found
    return anchors_cache[path]


problems = []
for path in sys.argv[1:]:
    if not os.path.isfile(path):
        continue
    folder = os.path.dirname(path)
    lines = read(path)
    continued = False
    for number, line, info in lines:
        where = f"{path}:{number}"
        if info is None:
            text = CODE_SPAN.sub("", line)
            targets = [m.group(1) for m in LINK.finditer(text)]
            reference = REFERENCE.match(text)
            if reference:
                targets.append(reference.group(1))
            for target in targets:
                target = target.strip("<>")
                if not target or re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target) or target.startswith("//"):
                    continue
                file_part, _, anchor = target.partition("#")
                file_part = urllib.parse.unquote(file_part.split("?")[0])
                resolved = os.path.normpath(os.path.join(folder, file_part)) if file_part else path
                if file_part.startswith("/"):
                    resolved = os.path.normpath(file_part.lstrip("/"))
                if not os.path.exists(resolved):
                    problems.append(f"{where}: broken link {target} ({resolved} does not exist)")
                elif anchor and resolved.endswith(".md") and os.path.isfile(resolved) \
                        and urllib.parse.unquote(anchor) not in anchors(resolved):
                    problems.append(f"{where}: broken link {target} (no heading #{anchor} in {resolved})")
            continue
        if info not in ("sh", "shell", "bash", "console"):
            continue
        command = line
        if info == "console":
            if line.startswith("$ ") or line.startswith("# "):
                command = line[2:]
            elif not continued:
                continued = False
                continue
        elif line.lstrip().startswith("#"):
            continue
        continued = line.rstrip().endswith("\\")
        command = re.sub(r"\s#\s.*$", "", command)
        for script in SCRIPT.findall(command):
            if not os.path.exists(script):
                problems.append(f"{where}: the command names {script}, which does not exist")

for problem in problems:
    print(problem, file=sys.stderr)
if problems:
    print(f"check-docs: {len(problems)} broken", file=sys.stderr)
    sys.exit(1)
print(f"check-docs: {len(sys.argv) - 1} Markdown files, every link and script found")
PYTHON
