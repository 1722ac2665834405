#!/usr/bin/env python3
"""check_exports.py LIST LIBRARY MAP HEADER_DIR...

What LIBRARY exports (abi/exports.sh) must be exactly LIST, every symbol
must carry a version that MAP (the linker's version script) defines, none
may be a copy of a std:: template or a matrix3 function, and each must be
in namespace dexmora (or a dexmora_ C function) with its name declared in a
header under HEADER_DIR.
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]

# The nesting prefix with its qualifiers, then the namespace: the same
# shapes as the version script's globs, so a std:: template instantiated
# for one of our types (_ZNSt6vectorIN7dexmora...) is not ours.
OURS = re.compile(r"^_Z(T[VIS]|T[hv][n0-9_]*)?N[KVRO]*7dexmora|^dexmora_")
STD_COPY = re.compile(r"^_Z(T[VIS]|T[hv][n0-9_]*|GV)?(N[KVRO]*)?(St|Sa|Sb|Ss|Si|So|Sd|9__gnu_cxx)")
PREFIXES = ("vtable for ", "typeinfo for ", "typeinfo name for ",
            "non-virtual thunk to ", "virtual thunk to ")


def exported(library):
    out = subprocess.run([str(ROOT / "abi" / "exports.sh"), library],
                         check=True, capture_output=True, text=True).stdout
    return [line for line in out.splitlines() if line]


def demangle(names):
    out = subprocess.run(["c++filt"], input="\n".join(names) + "\n",
                         check=True, capture_output=True, text=True).stdout
    return dict(zip(names, out.splitlines()))


def versions_in(map_file):
    text = re.sub(r"/\*.*?\*/", "", pathlib.Path(map_file).read_text(), flags=re.S)
    return set(re.findall(r"^\s*([A-Za-z_][A-Za-z0-9_.]*)\s*\{", text, flags=re.M))


def declared_name(demangled):
    """The identifier a header must declare: the function's, the class's for
    a constructor, destructor, vtable or type information."""
    for prefix in PREFIXES:
        if demangled.startswith(prefix):
            demangled = demangled[len(prefix):]
    depth = 0
    end = len(demangled)
    for i, c in enumerate(demangled):
        if c == "<":
            depth += 1
        elif c == ">":
            depth -= 1
        elif c == "(" and depth == 0:
            end = i
            break
    qualified = demangled[:end].replace("[abi:cxx11]", "")
    qualified = re.sub(r"<[^<>]*>", "", qualified)
    while "<" in qualified:
        qualified = re.sub(r"<[^<>]*>", "", qualified)
    last = qualified.split(" ")[-1].split("::")[-1]
    if "operator" in qualified.split("::")[-1]:
        return "operator"
    return last.lstrip("~")


def problems(listed, symbols, versions, headers):
    found = []
    plain = [s.split("@")[0] for s in symbols]
    names = demangle(plain)
    for symbol, name in zip(symbols, plain):
        shown = names[name]
        version = symbol.split("@@")[1] if "@@" in symbol else None
        if version not in versions:
            found.append(f"{shown}: version {version or 'none'}, not one of {sorted(versions)}")
        if STD_COPY.match(name) or shown.startswith("std::"):
            found.append(f"{shown}: a copy of a std:: template")
        elif re.search(r"(^|[ :])matrix3", shown):
            found.append(f"{shown}: a matrix3 function")
        elif not OURS.match(name):
            found.append(f"{shown}: not in namespace dexmora nor a dexmora_ function")
        elif not re.search(r"\b" + re.escape(declared_name(shown)) + r"\b", headers):
            found.append(f"{shown}: {declared_name(shown)} is declared in no installed header")
    removed = sorted(set(listed) - set(symbols))
    added = sorted(set(symbols) - set(listed))
    shown = demangle([s.split("@")[0] for s in removed + added])
    found += [f"{shown[s.split('@')[0]]}: listed but no longer exported" for s in removed]
    found += [f"{shown[s.split('@')[0]]}: exported but not listed" for s in added]
    return found


def main():
    listed_file, library, map_file, *header_dirs = sys.argv[1:]
    listed = [line for line in pathlib.Path(listed_file).read_text().splitlines() if line]
    headers = "\n".join(p.read_text() for d in header_dirs for p in sorted(pathlib.Path(d).rglob("*.h")))
    symbols = exported(library)
    found = problems(listed, symbols, versions_in(map_file), headers)
    for problem in found:
        print(problem, file=sys.stderr)
    if found:
        print(f"{library}: {len(found)} problems with its exported symbols; a deliberate change "
              "is recorded with abi/update.sh (abi/README.md)", file=sys.stderr)
        return 1
    print(f"{library}: {len(symbols)} exported symbols, all listed, versioned and ours")
    return 0


if __name__ == "__main__":
    sys.exit(main())
