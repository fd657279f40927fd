#!/usr/bin/env python3
"""Writes the manual page vq(1) from the built tool's own help, so that the two
say the same things: `vq --help`, then `vq COMMAND --help` for every command a
help lists (commands of commands too), so new commands appear by themselves.

    make_manpage.py VQ_EXECUTABLE OUTPUT
"""
import os
import re
import subprocess
import sys

# CLI11's help layout: description lines, "Usage: ...", sections headed
# "Positionals:", "Options:", "Subcommands:" whose entries are indented (a name,
# two or more spaces, the text; further text lines start at the text column),
# then a free-form footer.
SECTIONS = ("Positionals:", "Options:", "Subcommands:")
TEXT_COLUMN = 30
ENTRY = re.compile(r"  (\S.*?)(?: {2,}(\S.*))?$")


def run(vq, *args):
    return subprocess.run([vq, *args], capture_output=True, text=True, check=True).stdout


def parse(text):
    lines = text.rstrip().split("\n")
    u = next(i for i, line in enumerate(lines) if line.startswith("Usage: "))
    page = {"description": [l for l in lines[:u] if l.strip()], "usage": lines[u][len("Usage: "):],
            "sections": [], "footer": []}
    i = u + 1
    while i < len(lines):
        if lines[i] in SECTIONS:
            entries = []
            page["sections"].append((lines[i][:-1], entries))
            i += 1
            while i < len(lines) and lines[i].startswith("  "):
                if lines[i].startswith(" " * TEXT_COLUMN) and entries:
                    entries[-1][1].append(lines[i].strip())
                else:
                    name, first = ENTRY.match(lines[i]).groups()
                    entries.append((name, [first] if first else []))
                i += 1
        elif lines[i].strip():
            page["footer"] = lines[i:]
            break
        else:
            i += 1
    return page


def esc(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def render_entries(title, entries):
    out = [".PP", "\\fB%s:\\fR" % esc(title)]
    for name, text in entries:
        flag, _, rest = name.partition(" ")
        out += [".TP", "\\fB%s\\fR%s" % (esc(flag), " " + esc(rest) if rest else "")]
        out += [esc(t) for t in text]
    return out


def render_footer(lines):
    """Plain lines fill paragraphs; indented ones (examples, tables) stay as they are."""
    out, verbatim = [".PP"], False
    for line in lines:
        indented = line.startswith(" ") and bool(line.strip())
        if verbatim and not indented:
            out.append(".fi")
        elif indented and not verbatim:
            out.append(".nf")
        verbatim = indented
        out.append(esc(line) if line.strip() else ".PP")
    return out + ([".fi"] if verbatim else [])


def commands(vq, words=()):
    """(words, parsed help) of vq and of every command under it, depth first."""
    page = parse(run(vq, *words, "--help"))
    yield list(words), page
    for title, entries in page["sections"]:
        if title == "Subcommands":
            for name, _ in entries:
                yield from commands(vq, (*words, name))


def manpage(vq):
    pages = list(commands(vq))
    top = pages[0][1]
    summary = " ".join(top["description"])
    summary = summary[len("vq - "):] if summary.startswith("vq - ") else summary
    out = ['.TH VQ 1 "" "%s" "User Commands"' % esc(run(vq, "--version").strip()), ".nh", ".ad l",
           ".SH NAME", "vq \\- " + esc(summary), ".SH SYNOPSIS"]
    for words, page in pages:
        head = " ".join(["vq", *words])
        assert page["usage"].startswith(head), page["usage"]
        out += [".B %s" % esc(head), esc(page["usage"][len(head):].strip()), ".br"]
    out += [".SH DESCRIPTION"]
    for title, entries in top["sections"]:
        out += render_entries(title, entries)
    out += render_footer(top["footer"])
    if len(pages) > 1:
        out.append(".SH COMMANDS")
    for words, page in pages[1:]:
        out += [".SS %s" % esc(" ".join(["vq", *words])), ".PP"]
        out += [esc(l) for l in page["description"]]
        for title, entries in page["sections"]:
            out += render_entries(title, entries)
        out += render_footer(page["footer"])
    return "\n".join(out) + "\n"


def main():
    vq, output = sys.argv[1:]
    text = manpage(vq)
    with open(output + ".tmp", "w") as f:
        f.write(text)
    os.replace(output + ".tmp", output)


if __name__ == "__main__":
    main()
