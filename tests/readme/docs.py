"""The documentation's blocks, run in the copy that run_readme.py left, on
the build its ./run made: run_readme.py --docs --work WORK_DIR.

- Every ```sh block of docs/*.md and every command of the man pages' EXAMPLES
  runs as README commands do (`# → FILE: TYPE` checked), in a scratch folder
  whose build/ is the copy's, with the build installed into ~/.local of a
  scratch HOME: its bin/ on PATH, PKG_CONFIG_PATH, CMAKE_PREFIX_PATH and
  LD_LIBRARY_PATH naming it, and PYTHONPATH the build's Python module.
- Every ```python block runs there on its own, after `import dexmora`.
- Every ```cpp and ```c block compiles against the prefix through pkg-config
  (linked when it has a main). A block whose first line is a comment naming a
  file, `// hello.cpp: ...`, is saved under that name for the sh blocks below
  it; so is a ```cmake block that begins `# CMakeLists.txt: ...`.
- `<!-- docs: skip, REASON -->` (`; docs: skip, REASON` in a man page) on the
  line before a block skips it, the reason printed.
Afterwards `git status` in the copy must list nothing.
"""
import glob
import os
import re
import shutil
import subprocess
import time

from run_readme import ReadmeError, command_environment, join_continued, left_in_copy, parse_blocks, run_commands

NAMED = re.compile(r"^\s*(?://|/\*|#)\s*([\w.-]+\.(?:c|cpp|txt)):")
MAN_SKIP = re.compile(r"^;\s*docs:\s*skip,\s*(\S.*?)\s*$")
COMPILERS = {"cpp": ["c++", "-std=c++17", "-Wall", "-Werror"], "c": ["cc", "-std=c99", "-Wall", "-Werror"]}


def man_examples(path, name):
    """The EXAMPLES of an scdoc page as sh blocks: each bold line a command,
    each ``` block one block."""
    blocks, lines = [], open(path, encoding="utf-8").read().splitlines()
    inside, previous, fenced, start = False, "", None, 0
    for number, line in enumerate(lines, 1):
        if line.startswith("# "):
            inside = line == "# EXAMPLES"
            continue
        if not inside:
            continue
        if fenced is not None:
            if line.startswith("```"):
                skip = MAN_SKIP.match(previous)
                blocks.append((f"{name}:{start}", "sh", join_continued(fenced, start, name), skip and skip.group(1)))
                fenced, previous = None, ""
            else:
                fenced.append(line)
        elif line.startswith("```"):
            fenced, start = [], number + 1
        elif line.startswith("*") and line.endswith("*") and len(line) > 2:
            command = re.sub(r"\\(.)", r"\1", line[1:-1])
            skip = MAN_SKIP.match(previous)
            blocks.append((f"{name}:{number}", "sh", [(number, command)], skip and skip.group(1)))
            previous = ""
        elif line.strip():
            previous = line.strip()
    return blocks


def unknown_names(tree, pages):
    """Names the docs give the C++ library that no installed header declares:
    every dexmora::NAME, and in docs/library.md every `call(` (CMake's
    snake_case commands aside) and every `camelCase` or `PascalCase` word."""
    declared = set()
    for header in glob.glob(os.path.join(tree, "include", "dexmora", "*.h")):
        with open(header, encoding="utf-8") as file:
            declared.update(re.findall(r"\w+", file.read()))
    unknown = []
    for name, text in pages:
        used = [part for qualified in re.findall(r"\bdexmora::(\w+(?:::\w+)*)", text) for part in qualified.split("::")]
        if name.endswith("library.md"):
            used += [call for call in re.findall(r"`(?:\w+(?:\.|->|::))?([A-Za-z]\w*)\(", text)
                     if "_" not in call or call.startswith("dexmora_")]
            used += [word for word in re.findall(r"`(?:[\w:]+::)?([A-Za-z]\w*)(?:<T>)?(?:\(\))?`", text)
                     if re.search("[a-z][A-Z]|^[A-Z][a-z]", word)]
        unknown += [f"{name}: {word}" for word in sorted(set(used)) if word not in declared]
    return unknown


def install(tree, prefix):
    """The copy's build installed into PREFIX; its library folder."""
    shutil.rmtree(prefix, ignore_errors=True)
    result = subprocess.run(["cmake", "--install", os.path.join(tree, "build"), "--prefix", prefix],
                            capture_output=True, text=True)
    if result.returncode:
        raise ReadmeError(f"cmake --install of the copy's build failed:\n{result.stdout[-3000:]}{result.stderr}")
    found = glob.glob(os.path.join(prefix, "lib*", "**", "pkgconfig", "dexmora.pc"), recursive=True)
    if not found:
        raise ReadmeError(f"the install left no dexmora.pc under {prefix}")
    return os.path.dirname(os.path.dirname(found[0]))


def run_code(kind, code, cwd, env, index):
    """Runs a python block, compiles a c or cpp one, saves a named cmake one;
    a failure's output."""
    named = NAMED.match(code.splitlines()[0]) if code.strip() else None
    if kind == "cmake":
        if not named:
            return "a cmake block must begin with '# CMakeLists.txt: ...' to be used"
        with open(os.path.join(cwd, named.group(1)), "w", encoding="utf-8") as file:
            file.write(code)
        return None
    if kind == "python":
        command = ["/usr/bin/python3", "-c", "import dexmora\n" + code]
    else:
        source = os.path.join(cwd, named.group(1) if named else f"block{index}.{kind}")
        with open(source, "w", encoding="utf-8") as file:
            file.write(code)
        linked = re.search(r"\bint\s+main\s*\(", code)
        target = os.path.splitext(source)[0] + ("" if linked else ".o")
        flags = subprocess.run(["pkg-config", "--cflags"] + (["--libs"] if linked else []) + ["dexmora"],
                               env=env, capture_output=True, text=True, check=True).stdout.split()
        command = COMPILERS[kind] + ([] if linked else ["-c"]) + [source, "-o", target] + flags
    result = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    return f"exit status {result.returncode}\n{result.stdout}{result.stderr}" if result.returncode else None


def run(tree, work):
    if not os.path.isfile(os.path.join(tree, "build", "bin", "dexmora-cli")):
        raise ReadmeError(f"{tree} holds no build: the readme test makes it (ctest runs it first)")
    scratch, home = os.path.join(work, "docs-run"), os.path.join(work, "docs-home")
    for folder in (scratch, home):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    os.symlink(os.path.join(tree, "build"), os.path.join(scratch, "build"))
    prefix = os.path.join(home, ".local")
    libdir = install(tree, prefix)
    env = command_environment(home)
    env.update(PATH=os.path.join(prefix, "bin") + os.pathsep + env["PATH"],
               PKG_CONFIG_PATH=os.path.join(libdir, "pkgconfig"), CMAKE_PREFIX_PATH=prefix,
               LD_LIBRARY_PATH=libdir, PYTHONPATH=os.path.join(tree, "build", "python"))

    pages, texts = [], []
    for path in sorted(glob.glob(os.path.join(tree, "docs", "*.md"))) + [os.path.join(tree, "README.md")]:
        name = os.path.relpath(path, tree)
        with open(path, encoding="utf-8") as file:
            texts.append((name, file.read()))
        if name != "README.md":
            pages.append((name, parse_blocks(texts[-1][1], name, "docs", ("sh", "python", "cpp", "c", "cmake"))))
    unknown = unknown_names(tree, texts)
    if unknown:
        print("FAIL  names no header of include/dexmora declares:\n      " + "\n      ".join(unknown))
        return 1
    for path in sorted(glob.glob(os.path.join(tree, "docs", "man", "*.scd"))):
        pages.append((os.path.relpath(path, tree), man_examples(path, os.path.relpath(path, tree))))

    ran = skipped = 0
    for name, blocks in pages:
        for index, block in enumerate(blocks):
            where, kind, content, reason = block
            if reason:
                skipped += 1
                print(f"skip  {where}: {reason}")
                continue
            if kind == "sh":
                ok, _ = run_commands([block], scratch, env, name)
                if not ok:
                    return 1
            else:
                started = time.monotonic()
                problem = run_code(kind, "\n".join(content) + "\n", scratch, env, index)
                if problem:
                    print(f"FAIL  {where}: the {kind} block\n      {problem}")
                    return 1
                verb = {"python": "ran", "cmake": "saved"}.get(kind, "compiled")
                print(f"ok    {time.monotonic() - started:6.1f}s  {where}: {verb} the {kind} block")
            ran += 1
    left = left_in_copy(tree)
    if left:
        print(f"FAIL  the docs' commands left files in the copy:\n{left}")
    print(f"docs: {ran} blocks run, {skipped} blocks skipped")
    return 1 if left else 0
