#!/usr/bin/env python3
"""Runs the vq commands a Markdown page shows, so that none of them can rot.

Every line of a code block (fenced or indented) whose command is `vq` runs, in
page order, through /bin/sh in one scratch directory holding a copy of
examples/, with the built vq first on PATH. A command fails when it exits
non-zero or when a file it names does not exist afterwards (an input the page
made up, an output the command did not write).

    run_documented_commands.py --vq VQ --source DIR --work DIR PAGE
    run_documented_commands.py --vq VQ --source DIR --work DIR --quick-start README.md
    run_documented_commands.py --vq VQ --source DIR --work DIR --help-examples

--help-examples runs the example lines of `vq --help` and of every command's
--help instead (the manual page repeats them).

--quick-start checks the README's Quick start instead: exactly two commands,
each starting with scripts/bootstrap and naming known groups; the second (the
tests) is a line of .ci/run; the vq the first one runs lies in the build
directory of the workflow preset it builds, and runs here.
"""
import argparse
import json
import os
import re
import shlex
import shutil
import subprocess
import sys

FILE_NAME = re.compile(r"[\w./-]*\w\.[A-Za-z]\w*")  # has an extension; numbers do not


def code_lines(text):
    """(line number, line) of every line inside a fenced or indented code block."""
    fence, indented, previous_blank = None, False, True
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.strip()
        if fence:
            if stripped.startswith(fence):
                fence = None
            else:
                yield number, stripped
        elif stripped.startswith(("```", "~~~")):
            fence = stripped[:3]
        elif line.startswith("    ") and (previous_blank or indented):
            indented = True
            yield number, stripped
        elif stripped:
            indented = False
        previous_blank = not stripped


def commands(lines):
    """Shell commands: continuation lines joined, prompts and blank lines dropped."""
    pending = ""
    for number, line in lines:
        line = pending + re.sub(r"^\$ ", "", line)
        if line.endswith("\\"):
            pending = line[:-1] + " "
            continue
        pending = ""
        if line:
            yield number, line


def section(text, title):
    match = re.search(r"^## %s\n(.*?)(?=^## |\Z)" % re.escape(title), text, re.S | re.M)
    return match.group(1) if match else ""


def words(command):
    lexer = shlex.shlex(command, posix=True, punctuation_chars=True)
    lexer.whitespace_split, lexer.commentary = True, "#"
    return list(lexer)


def named_files(command):
    for word in words(command):
        value = word.split("=", 1)[-1] if word.startswith("--") else word
        if not value.startswith("-") and FILE_NAME.fullmatch(value):
            yield value


def scratch(args):
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(os.path.join(args.work, "bin"))
    shutil.copytree(os.path.join(args.source, "examples"), os.path.join(args.work, "examples"))
    os.symlink(os.path.abspath(args.vq), os.path.join(args.work, "bin", "vq"))
    return dict(os.environ, PATH=os.path.join(args.work, "bin") + os.pathsep + os.environ["PATH"])


def run(command, where, args, env):
    """Runs one documented command; returns the reasons it fails (none when it works)."""
    p = subprocess.run(command, shell=True, cwd=args.work, env=env, capture_output=True,
                       text=True, timeout=300)
    faults = []
    if p.returncode != 0:
        faults.append("exits %d: %s" % (p.returncode, p.stderr.rstrip()))
    faults += ["names %s, which does not exist" % f for f in named_files(command)
               if not os.path.exists(os.path.join(args.work, f))]
    print("%s: %s -> %s" % (where, command, "FAILED" if faults else "ok"))
    return ["%s: %s" % (where, f) for f in faults]


def run_page(args, page, text):
    shown = [(n, c) for n, c in commands(code_lines(text)) if words(c)[:1] == ["vq"]]
    if not shown:
        return ["%s shows no vq command: is it still read as Markdown?" % page]
    env = scratch(args)
    return [f for n, c in shown for f in run(c, "%s:%d" % (page, n), args, env)]


def help_examples(vq):
    """The Examples of vq --help and of each command's --help as one code block."""
    def text(*words):
        return subprocess.run([vq, *words, "--help"], capture_output=True, text=True, check=True).stdout
    main = text()
    names = re.findall(r"^  (\w+) {2,}", main.split("Subcommands:", 1)[1], re.M)
    lines = []
    for page in [main] + [text(name) for name in names]:
        examples = page.split("Examples:", 1)[1] if "Examples:" in page else ""
        lines += [line for line in examples.split("\n") if line.startswith("  vq ") and line not in lines]
    return "```\n" + "\n".join(line.strip() for line in lines) + "\n```\n"


def check_quick_start(args, page, text):
    shown = [c for _, c in commands(code_lines(section(text, "Quick start")))]
    if len(shown) != 2:
        return ["Quick start of %s shows %d commands, not 2" % (page, len(shown))]
    faults = []
    bootstrap = os.path.join(args.source, "scripts", "bootstrap")
    for command in shown:
        first = command.split(" && ")[0].split()
        if first[0] != "scripts/bootstrap":
            faults.append("does not start with scripts/bootstrap: " + command)
        elif subprocess.run([bootstrap, "--list", *first[1:]], capture_output=True).returncode:
            faults.append("scripts/bootstrap does not know the groups of: " + command)
    with open(os.path.join(args.source, ".ci", "run")) as f:
        if shown[1] not in f.read().split("\n"):
            faults.append(".ci/run does not run the README's test command: " + shown[1])

    # The main job: the vq it runs is the one its workflow preset builds.
    with open(os.path.join(args.source, "CMakePresets.json")) as f:
        presets = json.load(f)
    steps = shown[0].split(" && ")
    workflow = next((s.split()[-1] for s in steps if s.startswith("cmake --workflow --preset ")), None)
    vq_step = next((s for s in steps if s.split()[0].endswith("/vq")), None)
    if not workflow or not vq_step:
        return faults + ["the main job neither builds with a workflow preset nor runs vq: " + shown[0]]
    flow = next(w for w in presets["workflowPresets"] if w["name"] == workflow)
    configure = next(p for p in presets["configurePresets"] if p["name"] == flow["steps"][0]["name"])
    build_dir = configure["binaryDir"].replace("${sourceDir}/", "")
    if not vq_step.startswith(build_dir + "/"):
        faults.append("the main job runs %s, outside %s where preset %s builds"
                      % (vq_step.split()[0], build_dir, workflow))
    return faults + run("vq " + vq_step.split(" ", 1)[1], page + " Quick start", args, scratch(args))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vq", required=True)
    parser.add_argument("--source", required=True, help="the project's root")
    parser.add_argument("--work", required=True, help="scratch directory (emptied first)")
    parser.add_argument("--quick-start", action="store_true")
    parser.add_argument("--help-examples", action="store_true")
    parser.add_argument("page", nargs="?", help="Markdown page, relative to --source")
    args = parser.parse_args()
    if args.help_examples:
        args.page, text = "vq --help", help_examples(args.vq)
    else:
        with open(os.path.join(args.source, args.page)) as f:
            text = f.read()
    faults = (check_quick_start if args.quick_start else run_page)(args, args.page, text)
    for fault in faults:
        print("FAIL: " + fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
