#!/usr/bin/env python3
"""Checks that the manual page man/plakit.1 and the guide name the same options for each
plakit command.

The manual page's options for a command are those of its line in SYNOPSIS, each of which
its OPTIONS section must describe (and nothing more). The guide's are those written after
`plakit COMMAND` in its code (fenced blocks and `spans`) up to the end of that command
(|, ;, &&, >, < or a comment), and those after a command's name at the start of a span
(`verify --jedec`): prose around them is not read. For each command the two sets must be
equal, a command either names must be in the other, and each command must have an example
in a fenced block of docs/ (no [optional] part in it). -o and --output, -h and --help
are one option each; --help and --version belong to every command. Each fault is one
line; the status is 1 if there is any, 0 otherwise.

    python3 tools/check_options.py            # man/plakit.1 against README.md and docs/*.md
    python3 tools/check_options.py MAN PAGE...
"""
import glob
import os
import re
import sys

OPTION = re.compile(r"^--?[a-zA-Z][a-zA-Z0-9-]*$")
# What ends a command in a shell line: the rest is another command, a redirection or a comment.
END = re.compile(r"^(\||\|\||&&|;|#.*|[0-9]*>>?.*|<.*|[0-9]*<>.*)$")
GLOBAL = {"-h", "--version"}
FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
CODE_SPAN = re.compile(r"(`+)([^`][\s\S]*?)(?<!`)\1(?!`)")


def roff_text(line):
    """A roff line as plain words: escapes and font changes gone."""
    line = re.sub(r"\\f[BIRP]", "", line)
    line = line.replace("\\-", "-").replace("\\(em", " ").replace("\\(en", "-")
    line = re.sub(r"^\.[A-Z]+\s*", "", line)
    return line.replace('"', " ")


def sections(path):
    current, found = None, {}
    with open(path, encoding="utf-8") as file:
        for line in file.read().split("\n"):
            if line.startswith(".SH "):
                current = line[4:].strip().strip('"')
                found[current] = []
            elif current is not None:
                found[current].append(line)
    return found


def options_in(text):
    return [word for word in re.split(r"[\s\[\]{}|,()]+", text) if OPTION.match(word)]


def manual(path, faults):
    """{command: {option: line}} from the manual page's SYNOPSIS, and the aliases of OPTIONS."""
    parts = sections(path)
    for name in ("SYNOPSIS", "OPTIONS"):
        if name not in parts:
            faults.append(f"{path}: no {name} section")
            return {}, {}
    # OPTIONS: a tag line after each .TP names one option and its aliases.
    aliases, described = {}, set()
    lines = parts["OPTIONS"]
    for i, line in enumerate(lines):
        if line.startswith(".TP") and i + 1 < len(lines):
            names = options_in(roff_text(lines[i + 1]))
            if not names:
                faults.append(f"{path}: OPTIONS: '{lines[i + 1]}' names no option")
                continue
            for name in names:
                aliases[name] = names[0]
            described.add(names[0])
    commands = {}
    blocks, block = [], []
    for line in parts["SYNOPSIS"]:
        if line.startswith(".br"):
            blocks.append(block)
            block = []
        else:
            block.append(line)
    blocks.append(block)
    named = set()
    for block in blocks:
        words = " ".join(roff_text(line) for line in block).split()
        if len(words) < 2 or words[0] != "plakit":
            continue
        canonical = {aliases.get(option, option) for option in options_in(" ".join(words[1:]))}
        named |= canonical
        if words[1].startswith("[") or words[1].startswith("-"):  # plakit [command] --help | --version
            continue
        commands[words[1]] = canonical
    for option in sorted(named - described):
        faults.append(f"{path}: {option} is in SYNOPSIS but OPTIONS does not describe it")
    for option in sorted(described - named):
        faults.append(f"{path}: OPTIONS describes {option}, which no command has in SYNOPSIS")
    return commands, aliases


def code(path):
    """Yields (line number, text, whether a span) of each piece of code of a Markdown file: a
    line of a fenced block, or a `span` (which may be broken across lines, not across a blank
    one)."""
    with open(path, encoding="utf-8") as file:
        lines = file.read().split("\n")
    fence, paragraph, start = None, [], 0

    def spans():
        text = "\n".join(paragraph)
        for match in CODE_SPAN.finditer(text):
            yield start + text.count("\n", 0, match.start()), match.group(2).replace("\n", " "), True

    for number, line in enumerate(lines, start=1):
        match = FENCE.match(line)
        if fence is not None:
            if match and match.group(1)[0] == fence[0] and line.strip() == match.group(1):
                fence = None
            else:
                yield number, line, False
            continue
        if match or not line.strip():
            yield from spans()
            paragraph = []
            fence = match.group(1) if match else None
            continue
        if not paragraph:
            start = number
        paragraph.append(line)
    yield from spans()


def uses(text, commands, span):
    """Yields (command, options, whether an example) for each plakit command written in a
    piece of code: plakit where a shell command starts (first, after a $ prompt, or after |,
    && or ;), up to the end of that command. A comment (from a word starting with #) is
    prose. An example is a line of a fenced block with no [optional] part."""
    words = []
    for word in text.split():
        if word.startswith("#"):
            break
        words.append(word.strip("'\"`,"))
    first = 1 if words[:1] == ["$"] else 0
    starts = [i + 1 for i, word in enumerate(words)
              if word in ("plakit", "plakit.exe") and (i == first or words[i - 1] in ("|", "||", "&&", ";"))]
    if span and len(words) > 1 and words[0] in commands and OPTION.match(words[1]):
        starts.append(0)  # `verify --jedec`: a command's name, then its options
    for i in starts:
        if i >= len(words) or words[i].startswith("-") or words[i].startswith("["):
            command = None  # plakit --help, plakit [COMMAND] --help
        elif words[i].isupper() or words[i] == "...":
            command = None  # plakit COMMAND --help: any command
        else:
            command = words[i]
            i += 1
        options, example = [], not span
        for word in words[i:]:
            if END.match(word):
                break
            options += [part for part in re.split(r"[\[\]]+", word) if OPTION.match(part)]
            example = example and "[" not in word  # a synopsis, not an example
        yield command, options, example


def main(arguments):
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    os.chdir(root)
    page, guide = "man/plakit.1", ["README.md"] + sorted(glob.glob("docs/*.md"))
    if arguments:
        page, guide = arguments[0], arguments[1:]
    faults = []
    commands, aliases = manual(page, faults)
    if not commands and not faults:
        faults.append(f"{page}: no plakit command in SYNOPSIS")
    shown, examples = {}, set()  # command: {option: first place}; commands with an example
    for path in guide:
        for number, text, span in code(path):
            for command, options, example in uses(text, commands, span):
                place = f"{path}:{number}"
                if example and path != "README.md":
                    examples.add(command)
                for option in options:
                    option = aliases.get(option, option)
                    if option in GLOBAL:
                        continue
                    if command is None:
                        faults.append(f"{place}: {option} after plakit without a command")
                        continue
                    shown.setdefault(command, {}).setdefault(option, place)
                if command is not None:
                    shown.setdefault(command, {})
    for command in sorted(set(commands) | set(shown)):
        if command not in shown:
            faults.append(f"plakit {command}: in {page}, never shown in the guide")
            continue
        if command not in commands:
            where = next(iter(shown[command].values()), "the guide")
            faults.append(f"plakit {command}: shown in the guide ({where}), not in {page}'s SYNOPSIS")
            continue
        if command not in examples:
            faults.append(f"plakit {command}: no example in the guide (a line of a fenced block without [...])")
        for option in sorted(commands[command] - GLOBAL - set(shown[command])):
            faults.append(f"plakit {command} {option}: in {page}, never shown with {command} in the guide")
        for option, place in sorted(shown[command].items()):
            if option not in commands[command]:
                faults.append(f"plakit {command} {option}: in the guide ({place}), not in {page} for {command}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault{'s' if len(faults) != 1 else ''} in {page} and the guide")
        return 1
    print(f"{len(commands)} commands: {page} and the guide name the same options for each, with an example of each")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
