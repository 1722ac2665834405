#!/usr/bin/python3
"""Runs every command of README.md's ```sh blocks, in order, and checks the
files they say they write; with --docs, the documentation's blocks.

  run_readme.py --source SOURCE_DIR --work WORK_DIR
  run_readme.py --docs --work WORK_DIR

The commands run as a newcomer runs them: in WORK_DIR/dexmora, a fresh copy
of the source tree (the files git would clone, with today's changes) and no
build/, each through `bash -e -o pipefail -c`, with HOME a scratch folder and
no display. The first step is `./run --version`, which builds into the copy's
own build/ and must say so in one line, without the test packages; a second
`./run --version` must say nothing. After the last command `git status
--porcelain` in the copy must list nothing: examples write into out/ (or
build/), which git ignores. The copy stays in WORK_DIR for --docs
(tests/readme/docs.py), which reuses its build.

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
the wrong type, or on a file left in the copy. Run from inside a README command (DEXMORA_README_TEST is set,
as when the README's ctest line runs the suite) it skips itself with exit 77.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import time

MARKER = "DEXMORA_README_TEST"
SKIP_EXIT = 77
FENCE = re.compile(r"^```\s*(\S*)\s*$")
# The packages the tests need are hidden from ./run's first configuration.
BARE_MACHINE = "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"
GIT = ["git", "-c", "user.name=readme", "-c", "user.email=readme@localhost", "-c", "commit.gpgsign=false"]
WRITES = re.compile(r"#.*→\s*(?P<file>[^\s:]+):\s*(?P<type>[^#→]+?)\s*$")


class ReadmeError(Exception):
    pass


def parse_blocks(text, name="README.md", directive="readme", kinds=("sh",)):
    """Returns the blocks of `kinds` as (name:first line, kind, lines, skip reason or None);
    an sh block's lines are its commands as (line number, command)."""
    skip_note = re.compile(r"^<!--\s*" + directive + r":\s*skip,\s*(\S.*?)\s*-->$")
    any_directive = re.compile(r"<!--\s*" + directive + ":")
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
            raise ReadmeError(f"{name}:{start}: the block is never closed")
        i += 1
        skip = skip_note.match(previous)
        if any_directive.search(previous) and not skip:
            raise ReadmeError(f"{name}:{start - 1}: write '<!-- {directive}: skip, REASON -->', not '{previous}'")
        previous = ""
        kind = fence.group(1)
        if kind in kinds:
            content = join_continued(body, start + 1, name) if kind == "sh" else body
            blocks.append((f"{name}:{start + 1}", kind, content, skip.group(1) if skip else None))
        elif skip:
            raise ReadmeError(f"{name}:{start}: a skip note stands before a block that is not run")
    return blocks


def join_continued(body, first_line, name):
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
        raise ReadmeError(f"{name}:{pending_line}: the block ends inside a continued line")
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
    """A fresh copy of SOURCE at TARGET, committed to a repository of its own so
    that `git status` tells afterwards what the commands left in it."""
    for name in tree_files(source):
        destination = os.path.join(target, name)
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copy2(os.path.join(source, name), destination, follow_symlinks=False)
    for command in (["init", "-q"], ["add", "-A"], ["commit", "-q", "-m", "copy"]):
        subprocess.run(GIT + command, cwd=target, check=True, stdout=subprocess.DEVNULL)


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


def run_commands(blocks, cwd, env, name="README.md"):
    home = env["HOME"]
    ran = checked = skipped = 0
    for where, _, commands, reason in blocks:
        if reason:
            skipped += 1
            print(f"skip  {where}: {reason}")
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
                print(f"FAIL  {name}:{number}: {command}\n      {problem}\n{tail}")
                return False, (ran, checked, skipped)
            checked += WRITES.search(command) is not None
            print(f"ok    {seconds:6.1f}s  {name}:{number}: {command}")
    return True, (ran, checked, skipped)


def first_build(tree, env):
    """./run --version builds and says so in one line; a second run says nothing."""
    bare = dict(env, DEXMORA_RUN_CMAKE_ARGS=BARE_MACHINE)
    for expected in ("building dexmora (first time", None):
        started = time.monotonic()
        result = subprocess.run(["./run", "--version"], cwd=tree, env=bare if expected else env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True)
        said = result.stderr.strip()
        if result.returncode:
            raise ReadmeError(f"./run --version: exit status {result.returncode}\n{said[-4000:]}")
        if (said.startswith(expected) and "\n" not in said) if expected else not said:
            print(f"ok    {time.monotonic() - started:6.1f}s  ./run --version: {said or 'nothing to build'}")
            continue
        raise ReadmeError(f"./run --version said {said!r}, not " + (f"one line '{expected}…'" if expected else "nothing"))


def left_in_copy(tree):
    status = subprocess.run(GIT + ["status", "--porcelain"], cwd=tree, check=True, capture_output=True, text=True)
    return status.stdout.rstrip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source")
    parser.add_argument("--work", required=True, help="the folder that holds the copy")
    parser.add_argument("--docs", action="store_true", help="the docs' blocks, in the copy left by a README run")
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)  # each command's line as it ends, under ctest -V too
    if os.environ.get(MARKER):
        print("run from inside a README command: skipped")
        return SKIP_EXIT
    work = os.path.abspath(args.work)
    tree = os.path.join(work, "dexmora")
    if args.docs:
        import docs
        return docs.run(tree, work)
    if not args.source:
        parser.error("--source is needed to make the copy")
    source = os.path.abspath(args.source)

    with open(os.path.join(source, "README.md"), encoding="utf-8") as readme:
        blocks = parse_blocks(readme.read())
    if not any(commands for _, _, commands, reason in blocks if not reason):
        raise ReadmeError("README.md has no command to run")

    shutil.rmtree(work, ignore_errors=True)
    home = os.path.join(work, "home")
    os.makedirs(home)
    # As a clone usually is: the suite's tests that run the programs as
    # another user need to reach them.
    os.chmod(work, 0o755)
    copy_tree(source, tree)
    env = command_environment(home)
    first_build(tree, env)
    ok, (ran, checked, skipped) = run_commands(blocks, tree, env)
    left = ok and left_in_copy(tree)
    if left:
        print(f"FAIL  the commands left files in the copy (write them into out/):\n{left}")
    print(f"readme: {len(blocks) - skipped} blocks run ({ran} commands, {checked} written files checked), "
          f"{skipped} blocks skipped")
    return 0 if ok and not left else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except ReadmeError as error:
        print(f"run_readme: {error}", file=sys.stderr)
        sys.exit(1)
