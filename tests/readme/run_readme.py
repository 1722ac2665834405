#!/usr/bin/python3
"""Runs every command of README.md's ```sh blocks, in order, and checks the
files they say they write.

  run_readme.py --source SOURCE_DIR --build BUILD_DIR [--keep]

The commands run as a newcomer runs them: in the root of a fresh copy of the
source tree (the files git would clone, with today's changes), each through
`bash -e -o pipefail -c`, with HOME a scratch folder and no display. build/ in
that copy is BUILD_DIR, an already built folder, so `./run ...` builds nothing
and build/bin/... holds the programs.

What README authors write:
- Examples use relative paths (never /tmp/...): they land in the copy.
- One command a line; a line ending in a backslash goes on to the next.
- `<!-- readme: skip, REASON -->` on the line before a block skips it: one
  that cannot run here (the dialog, `apt install`, a server that runs until
  stopped). The reason is printed.
- A command that writes a file says so with a trailing `# → FILE: TYPE`
  comment: FILE must exist afterwards (a glob must match; ~/ is the scratch
  home) and `file -b FILE` must start with TYPE, e.g. `PNG image data`,
  `SVG Scalable Vector Graphics image`, `PDF document`.

The test fails at the first command that fails or file that is missing or of
the wrong type. Run from inside a README command (DEXMORA_README_TEST is set,
as when the README's ctest line runs the suite) it skips itself with exit 77.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

MARKER = "DEXMORA_README_TEST"
SKIP_EXIT = 77
FENCE = re.compile(r"^```\s*(\S*)\s*$")
SKIP = re.compile(r"^<!--\s*readme:\s*skip,\s*(\S.*?)\s*-->$")
ANY_DIRECTIVE = re.compile(r"<!--\s*readme:")
WRITES = re.compile(r"#.*→\s*(?P<file>[^\s:]+):\s*(?P<type>[^#→]+?)\s*$")


class ReadmeError(Exception):
    pass


def parse_blocks(text):
    """Returns the ```sh blocks as (first line number, commands, skip reason or None)."""
    blocks = []
    lines = text.splitlines()
    previous = ""  # the last non-blank line outside a block
    i = 0
    while i < len(lines):
        fence = FENCE.match(lines[i])
        if not fence:
            if lines[i].strip():
                previous = lines[i].strip()
            i += 1
            continue
        start = i + 1
        body = []
        i += 1
        while i < len(lines) and not FENCE.match(lines[i]):
            body.append(lines[i])
            i += 1
        if i == len(lines):
            raise ReadmeError(f"README.md:{start}: the block is never closed")
        i += 1
        skip = SKIP.match(previous)
        if ANY_DIRECTIVE.search(previous) and not skip:
            raise ReadmeError(f"README.md:{start - 1}: write '<!-- readme: skip, REASON -->', not '{previous}'")
        previous = ""
        if fence.group(1) == "sh":
            blocks.append((start + 1, join_continued(body, start + 1), skip.group(1) if skip else None))
        elif skip:
            raise ReadmeError(f"README.md:{start}: a skip note stands before a block that is not ```sh")
    return blocks


def join_continued(body, first_line):
    """Lines of a block as (line number, command), continuation lines joined."""
    commands = []
    pending, pending_line = "", 0
    for number, line in enumerate(body, first_line):
        if not pending and (not line.strip() or line.lstrip().startswith("#")):
            continue
        if not pending:
            pending_line = number
        if line.rstrip().endswith("\\"):
            pending += line.rstrip()[:-1] + " "
            continue
        commands.append((pending_line, pending + line))
        pending = ""
    if pending:
        raise ReadmeError(f"README.md:{pending_line}: the block ends inside a continued line")
    return commands


def tree_files(source):
    """The files a clone of SOURCE would hold, with uncommitted changes."""
    if shutil.which("git") and os.path.exists(os.path.join(source, ".git")):
        listed = subprocess.run(
            ["git", "-C", source, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
            check=True, capture_output=True).stdout.decode().split("\0")
        return [f for f in listed if f and os.path.lexists(os.path.join(source, f))]
    found = []
    for folder, dirs, files in os.walk(source):
        dirs[:] = [d for d in dirs if d != ".git" and not d.startswith("build")]
        found += [os.path.relpath(os.path.join(folder, f), source) for f in files]
    return found


def copy_tree(source, target):
    for name in tree_files(source):
        destination = os.path.join(target, name)
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copy2(os.path.join(source, name), destination, follow_symlinks=False)


def command_environment(home):
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "DEXMORA_RUN_BUILD_DIR", "DEXMORA_RUN_CMAKE_ARGS",
                 "MAKEFLAGS", "MFLAGS", "MAKELEVEL"):
        env.pop(name, None)
    env.update(HOME=home, LC_ALL="C.UTF-8", **{MARKER: "1"})
    return env


def check_written(command, home, cwd):
    """The file a `# → FILE: TYPE` comment names exists and is of that type."""
    writes = WRITES.search(command)
    if not writes:
        return None
    pattern, expected = writes.group("file"), writes.group("type")
    if pattern.startswith("~/"):
        pattern = os.path.join(home, pattern[2:])
    matches = sorted(glob.glob(os.path.join(cwd, pattern)))
    if not matches:
        return f"it wrote no {writes.group('file')}"
    for path in matches:
        kind = subprocess.run(["file", "-b", "--", path], capture_output=True, text=True).stdout.strip()
        if not kind.startswith(expected):
            return f"{os.path.relpath(path, cwd)} is '{kind}', not '{expected}'"
    return None


def run_commands(blocks, cwd, home):
    env = command_environment(home)
    ran = checked = skipped = 0
    for line, commands, reason in blocks:
        if reason:
            skipped += 1
            print(f"skip  README.md:{line}: {reason}")
            continue
        for number, command in commands:
            started = time.monotonic()
            result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", command], cwd=cwd, env=env,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            seconds = time.monotonic() - started
            output = result.stdout.decode(errors="replace")
            problem = f"exit status {result.returncode}" if result.returncode else check_written(command, home, cwd)
            ran += 1
            if problem:
                tail = "\n".join(output.splitlines()[-60:])
                print(f"FAIL  README.md:{number}: {command}\n      {problem}\n{tail}")
                return False, (ran, checked, skipped)
            checked += WRITES.search(command) is not None
            print(f"ok    {seconds:6.1f}s  README.md:{number}: {command}")
    return True, (ran, checked, skipped)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    args = parser.parse_args()
    if os.environ.get(MARKER):
        print("run from inside a README command: skipped")
        return SKIP_EXIT
    source, build = os.path.abspath(args.source), os.path.abspath(args.build)

    with open(os.path.join(source, "README.md"), encoding="utf-8") as readme:
        blocks = parse_blocks(readme.read())
    if not any(commands for _, commands, reason in blocks if not reason):
        raise ReadmeError("README.md has no command to run")

    scratch = tempfile.mkdtemp(prefix="dexmora-readme-")
    # As a clone usually is: the suite's tests that run the programs as
    # another user need to reach them.
    os.chmod(scratch, 0o755)
    try:
        tree, home = os.path.join(scratch, "dexmora"), os.path.join(scratch, "home")
        os.makedirs(home)
        copy_tree(source, tree)
        os.symlink(build, os.path.join(tree, "build"))
        ok, (ran, checked, skipped) = run_commands(blocks, tree, home)
    finally:
        if args.keep:
            print(f"scratch folder kept: {scratch}")
        else:
            shutil.rmtree(scratch, ignore_errors=True)
    print(f"readme: {ran} commands run, {checked} written files checked, {skipped} blocks skipped")
    return 0 if ok else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except ReadmeError as error:
        print(f"run_readme: {error}", file=sys.stderr)
        sys.exit(1)
