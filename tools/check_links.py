#!/usr/bin/env python3
"""Checks, offline, that the links of the README and of the guide under docs/ resolve.

A relative link must name a file or folder of the tree; its anchor (after #) must be a
heading of the Markdown file it names, as the web view makes its anchor (lower case,
punctuation dropped, spaces to hyphens, -1, -2 ... for the same heading again), or an
<a id> or <a name> there. Links to the web (http, https, mailto) are not followed. Every
page of docs/ must be linked from the guide's index, docs/README.md. Code (fenced blocks,
`spans`) holds no links. Each fault is one line, FILE:LINE: what is wrong; the status is 1
if there is any, 0 otherwise.

    python3 tools/check_links.py            # README.md and every docs/*.md
    python3 tools/check_links.py FILE...    # those files only (no index check)
"""
import os
import re
import sys
import urllib.parse

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
HEADING = re.compile(r"^ {0,3}(#{1,6})[ \t]+(.*?)[ \t]*#*[ \t]*$")
HTML_ANCHOR = re.compile(r"""<a\s[^>]*\b(?:id|name)\s*=\s*["']([^"']+)["']""", re.IGNORECASE)
CODE_SPAN = re.compile(r"(`+)([^`][\s\S]*?)(?<!`)\1(?!`)")
# [text](target "title") and ![alt](target), the text without nested brackets but one level.
INLINE_LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*(<[^>]*>|[^)\s]*)(?:\s+[\"'(][^)]*)?\s*\)")
REFERENCE_DEFINITION = re.compile(r"^ {0,3}\[[^\]]+\]:[ \t]*\n?[ \t]*(<[^>]*>|\S+)", re.MULTILINE)
EXTERNAL = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def prose_lines(text):
    """Yields (line number, line) outside fenced code blocks."""
    fence = None
    for number, line in enumerate(text.split("\n"), start=1):
        match = FENCE.match(line)
        if fence is None:
            if match:
                fence = match.group(1)
                continue
            yield number, line
        elif match and match.group(1)[0] == fence[0] and len(match.group(1)) >= len(fence):
            if line.strip() == match.group(1):
                fence = None


def slug(heading):
    """The anchor the web view gives a heading's text."""
    text = CODE_SPAN.sub(lambda m: m.group(2).strip(), heading)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)  # a link's text stays
    text = re.sub(r"<[^>]+>", "", text)  # so does the text of inline HTML
    text = re.sub(r"(\*+)(\S.*?\S|\S)\1", r"\2", text)  # emphasis; _ only between words
    text = re.sub(r"(?<!\w)(_+)(\S.*?\S|\S)\1(?!\w)", r"\2", text)
    text = text.strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


ANCHORS = {}  # path: the anchors of its headings


def anchors(path):
    cache = ANCHORS
    if path not in cache:
        with open(path, encoding="utf-8") as file:
            text = file.read()
        found, seen = set(), {}
        for _, line in prose_lines(text):
            match = HEADING.match(line)
            if match:
                base = slug(match.group(2))
                count = seen.get(base, 0)
                seen[base] = count + 1
                found.add(base if count == 0 else f"{base}-{count}")
            found.update(HTML_ANCHOR.findall(line))
        cache[path] = found
    return cache[path]


def blocks(text):
    """Yields (line number, text) of each run of lines between blank lines and fences: a
    link or a code span may be broken across lines, never across a blank line."""
    start, lines, last = None, [], None
    for number, line in prose_lines(text):
        if not line.strip() or (last is not None and number != last + 1):
            if lines:
                yield start, "\n".join(lines)
            start, lines = None, []
        if line.strip():
            start = number if start is None else start
            lines.append(line)
        last = number
    if lines:
        yield start, "\n".join(lines)


def links(path):
    """Yields (line number, target) of each link of a Markdown file."""
    with open(path, encoding="utf-8") as file:
        text = file.read()
    for start, block in blocks(text):
        bare = CODE_SPAN.sub(lambda m: re.sub(r"[^\n]", " ", m.group(0)), block)
        for match in list(INLINE_LINK.finditer(bare)) + list(REFERENCE_DEFINITION.finditer(bare)):
            yield start + bare.count("\n", 0, match.start()), match.group(1)


def check(path, targets_seen):
    faults = []
    folder = os.path.dirname(path)
    for number, target in links(path):
        if target.startswith("<") and target.endswith(">"):
            target = target[1:-1]
        where = f"{path}:{number}: link '{target}'"
        if not target:
            faults.append(f"{where}: an empty target")
            continue
        if EXTERNAL.match(target):
            continue
        name, _, anchor = target.partition("#")
        name = urllib.parse.unquote(name)
        file = os.path.normpath(os.path.join(folder, name)) if name else path
        if not os.path.exists(file):
            faults.append(f"{where}: no such file {file}")
            continue
        targets_seen.add(os.path.normpath(file))
        if not anchor:
            continue
        anchor = urllib.parse.unquote(anchor)
        if not file.endswith(".md") or os.path.isdir(file):
            faults.append(f"{where}: an anchor into {file}, which is not a Markdown file")
        elif anchor not in anchors(file):
            faults.append(f"{where}: {file} has no heading whose anchor is #{anchor}")
    return faults


def main(arguments):
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    os.chdir(root)
    index = None
    if arguments:
        files = arguments
    else:
        pages = sorted(os.path.join("docs", name) for name in os.listdir("docs") if name.endswith(".md"))
        files = ["README.md"] + pages
        index = os.path.join("docs", "README.md")
    faults, seen, count = [], set(), 0
    for path in files:
        count += sum(1 for _ in links(path))
        faults += check(path, seen if path == index else set())
    if index is not None:
        if not os.path.exists(index):
            faults.append(f"{index}: missing: the guide's index")
        for page in files[1:]:
            if page != index and os.path.normpath(page) not in seen:
                faults.append(f"{page}: not linked from the guide's index, {index}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault{'s' if len(faults) != 1 else ''} in the links of {len(files)} files")
        return 1
    print(f"{count} links in {len(files)} files resolve")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
