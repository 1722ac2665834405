#!/usr/bin/python3
"""run_readme.py against small READMEs: it passes what works and fails what a
newcomer would trip over.   check_run_readme.py RUN_README"""
import os
import subprocess
import sys
import tempfile

SKIP = "<!-- readme: skip, needs a display -->"

# name, README.md text, expected exit status
CASES = [
    ("written file of the right type", "```sh\nmkdir out\necho hi > out/a.txt    # → out/a.txt: ASCII text\n```\n", 0),
    ("failing command", "```sh\necho fine\nfalse\n```\n", 1),
    ("failure inside a pipe", "```sh\nfalse | cat\n```\n", 1),
    ("named file missing", "```sh\ntrue    # → a.png: PNG image data\n```\n", 1),
    ("named file of another type", "```sh\necho hi > a.png    # → a.png: PNG image data\n```\n", 1),
    ("glob matching nothing", "```sh\ntrue    # → out/*.deb: Debian binary package\n```\n", 1),
    ("skipped block", f"{SKIP}\n```sh\nfalse\n```\n```sh\ntrue\n```\n", 0),
    ("skip note before another kind of block", f"{SKIP}\n```\nfalse\n```\n```sh\ntrue\n```\n", 1),
    ("misspelt skip note", "<!-- readme: skipp -->\n```sh\nfalse\n```\n", 1),
    ("other blocks are not run", "```\nfalse\n```\n```text\nfalse\n```\n```sh\ntrue\n```\n", 0),
    ("nothing to run", f"# Title\n{SKIP}\n```sh\ntrue\n```\n", 1),
    ("block never closed", "```sh\ntrue\n", 1),
    ("continued line", "```sh\nprintf '%s' \\\n  hi > build/b.txt    # → build/b.txt: ASCII text\n```\n", 0),
    ("commands run in order in one folder", "```sh\nmkdir -p out/d\necho x > out/d/f    # → out/d/f: ASCII text\n```\n", 0),
    ("HOME is a scratch folder", "```sh\necho x > ~/mark    # → ~/mark: ASCII text\n```\n", 0),
    ("build/ is what ./run built in the copy", "```sh\ntest -f build/built-here\n```\n", 0),
    ("a file left in the copy", "```sh\ntouch stray\n```\n", 1),
    ("files in out/ and build/", "```sh\nmkdir -p out && touch out/a build/b\n```\n", 0),
    ("the copy holds the tree's files", "```sh\ntest -f docs/page.txt\n```\n", 0),
    ("no display", "```sh\ntest -z \"${DISPLAY:-}\"\n```\n", 0),
]


# ./run as it must behave: one line when it builds, nothing when built.
RUN = "#!/bin/sh\n[ -d build ] && exit 0\necho 'building dexmora (first time: a few minutes)…' >&2\n" \
      "mkdir build && touch build/built-here\n"
# name, ./run, what the harness says
RUNS = [
    ("./run that says two lines", RUN.replace("mkdir", "echo again >&2; mkdir"), "said"),
    ("./run that speaks when built", RUN.replace("[ -d build ] && exit 0", "[ -d build ] && echo hi >&2 && exit 0"), "said"),
    ("./run that fails", RUN + "exit 3\n", "exit status 3"),
]


def write(path, text, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    os.chmod(path, mode)


def run(script, readme, env_extra=None, run_script=RUN):
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "src")
        write(os.path.join(source, "docs", "page.txt"), "")
        write(os.path.join(source, ".gitignore"), "build/\n/out/\n")
        write(os.path.join(source, "run"), run_script, 0o755)
        write(os.path.join(source, "README.md"), readme)
        env = {k: v for k, v in os.environ.items() if k != "DEXMORA_README_TEST"}
        env.update(env_extra or {})
        result = subprocess.run([sys.executable, script, "--source", source, "--work", os.path.join(work, "w")],
                                env=env, capture_output=True, text=True)
        leaked = os.path.exists(os.path.join(os.environ.get("HOME", "/nonexistent"), "mark"))
        return result, leaked


def main():
    script = sys.argv[1]
    failed = 0
    for name, readme, expected in CASES:
        result, leaked = run(script, readme, {"DISPLAY": ":99"})
        if result.returncode != expected or leaked:
            failed += 1
            print(f"{name}: exit {result.returncode}, expected {expected}"
                  f"{' (wrote into the real HOME)' if leaked else ''}\n{result.stdout}{result.stderr}")
    for name, run_script, said in RUNS:
        result, _ = run(script, "```sh\ntrue\n```\n", run_script=run_script)
        if result.returncode != 1 or said not in result.stdout + result.stderr:
            failed += 1
            print(f"{name}: exit {result.returncode}, expected 1 saying '{said}'\n{result.stdout}{result.stderr}")
    result, _ = run(script, "```sh\nfalse\n```\n", {"DEXMORA_README_TEST": "1"})
    if result.returncode != 77:
        failed += 1
        print(f"inside a README command: exit {result.returncode}, expected 77 (skip)")
    print(f"run_readme: {len(CASES) + len(RUNS) + 1 - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
