#!/usr/bin/env python3
"""Writes core/gs1_table.cpp from GS1's syntax dictionary and Debian's iso-codes lists.

Run by hand when the dictionary changes; the output is committed, the build never runs this.

    tools/make_gs1_table.py DICTIONARY [ISO_CODES_JSON_DIR] > core/gs1_table.cpp

DICTIONARY is gs1-syntax-dictionary.txt; ISO_CODES_JSON_DIR defaults to /usr/share/iso-codes/json
(Debian package iso-codes) and gives the ISO 3166 and ISO 4217 code lists the linters check against.
"""

import json
import re
import sys

FLAG_CHARS = set("*!?\"$%&'()+,-./:;<=>@[\\]^_`{|}~")
COMPONENT = re.compile(r"^(\[)?([NXYZ])(\.\.)?(\d+)(\])?((?:,\w+)*)$")
CHARSETS = {"N": "Numeric", "X": "Cset82", "Y": "Cset39", "Z": "Cset64"}
MAX_LINTERS = 3


def camel(name):
    return name[0].upper() + name[1:]


def notice(path):
    """The dictionary's copyright and licence lines, which must travel with data made from it."""
    lines = []
    keep = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.startswith("#"):
                break
            text = line[1:].rstrip()
            if text.lstrip().startswith("Copyright"):
                keep = True
            if keep:
                lines.append(text.strip())
    while lines and not lines[-1]:
        lines.pop()
    return lines


def parse_components(tokens, ai):
    components = []
    for token in tokens:
        m = COMPONENT.match(token)
        if not m:
            break
        opening, charset, dots, length, closing, linters = m.groups()
        if bool(opening) != bool(closing):
            sys.exit(f"AI {ai}: unbalanced brackets in {token}")
        names = [n for n in linters.split(",") if n]
        if len(names) > MAX_LINTERS:
            sys.exit(f"AI {ai}: more than {MAX_LINTERS} linters in {token}")
        length = int(length)
        components.append({
            "charset": CHARSETS[charset],
            "min": 1 if dots else length,
            "max": length,
            "optional": bool(opening),
            "linters": names,
        })
    if not components:
        sys.exit(f"AI {ai}: no data components")
    return components


def parse_dictionary(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            body = line.split("#", 1)[0].split()
            if not body:
                continue
            ai = body[0]
            rest = body[1:]
            predefined = False
            if rest and set(rest[0]) <= FLAG_CHARS:
                predefined = "*" in rest[0]
                rest = rest[1:]
            first, _, last = ai.partition("-")
            last = last or first
            if len(first) != len(last) or not (2 <= len(first) <= 4):
                sys.exit(f"bad AI field {ai}")
            entries.append({
                "digits": len(first),
                "first": int(first),
                "last": int(last),
                "predefined": predefined,
                "components": parse_components(rest, ai),
                "name": ai,
            })
    entries.sort(key=lambda e: (e["digits"], e["first"]))
    for a, b in zip(entries, entries[1:]):
        if a["digits"] == b["digits"] and a["last"] >= b["first"]:
            sys.exit(f"overlapping AIs {a['name']} and {b['name']}")
    return entries


def component_code(c):
    linters = ", ".join(f"Linter::{camel(n)}" for n in c["linters"])
    return (f"{{Charset::{c['charset']}, {c['min']}, {c['max']}, {'true' if c['optional'] else 'false'}, "
            f"{{{linters}}}}}")


def iso_lists(directory):
    with open(f"{directory}/iso_3166-1.json", encoding="utf-8") as f:
        countries = json.load(f)["3166-1"]
    with open(f"{directory}/iso_4217.json", encoding="utf-8") as f:
        currencies = json.load(f)["4217"]
    numeric = sorted({int(c["numeric"]) for c in countries})
    alpha2 = sorted({c["alpha_2"] for c in countries})
    currency = sorted({int(c["numeric"]) for c in currencies if "numeric" in c})
    return numeric, alpha2, currency


def wrapped(items, indent="    ", width=100):
    lines, line = [], indent
    for item in items:
        piece = item + ", "
        if len(line) + len(piece.rstrip()) > width:
            lines.append(line.rstrip())
            line = indent
        line += piece
    if line.strip():
        lines.append(line.rstrip())
    return "\n".join(lines)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    dictionary = sys.argv[1]
    iso_dir = sys.argv[2] if len(sys.argv) == 3 else "/usr/share/iso-codes/json"
    entries = parse_dictionary(dictionary)

    pool, offsets = [], {}
    for e in entries:
        codes = [component_code(c) for c in e["components"]]
        key = tuple(codes)
        if key not in offsets:
            offsets[key] = len(pool)
            pool.extend(codes)
        e["offset"] = offsets[key]
        e["count"] = len(codes)

    numeric, alpha2, currency = iso_lists(iso_dir)
    out = []
    out.append("// Generated by tools/make_gs1_table.py from GS1's Barcode Syntax Dictionary and the")
    out.append("// iso-codes lists of ISO 3166-1 and ISO 4217; do not edit by hand.")
    out.append("//")
    out.append("// The application identifier data below is derived from the GS1 Barcode Syntax Dictionary:")
    out.append("//")
    out.extend(("// " + line).rstrip() for line in notice(dictionary))
    out.append("")
    out.append('#include "core/gs1_table.h"')
    out.append("")
    out.append("#include <algorithm>")
    out.append("")
    out.append("namespace dexmora {")
    out.append("")
    out.append("namespace {")
    out.append("")
    out.append("// Data components shared by the AIs; an AI names a run of them.")
    out.append("constexpr Gs1Component COMPONENTS[] = {")
    for code in pool:
        out.append(f"    {code},")
    out.append("};")
    out.append("")
    out.append("// Sorted by digit count, then by first AI, for binary search.")
    out.append("constexpr Gs1AiEntry AIS[] = {")
    for e in entries:
        out.append(f"    {{{e['digits']}, {e['first']}, {e['last']}, {'true' if e['predefined'] else 'false'}, "
                   f"{e['offset']}, {e['count']}}},  // {e['name']}")
    out.append("};")
    out.append("")
    out.append("constexpr uint16_t ISO3166_NUMERIC[] = {")
    out.append(wrapped(str(n) for n in numeric))
    out.append("};")
    out.append("")
    out.append("constexpr uint16_t ISO3166_ALPHA2[] = {")
    out.append(wrapped(f"'{a[0]}' << 8 | '{a[1]}'" for a in alpha2))
    out.append("};")
    out.append("")
    out.append("constexpr uint16_t ISO4217_NUMERIC[] = {")
    out.append(wrapped(str(n) for n in currency))
    out.append("};")
    out.append("")
    out.append("template <size_t N>")
    out.append("bool contains(const uint16_t (&sorted)[N], int value) {")
    out.append("  return std::binary_search(sorted, sorted + N, value);")
    out.append("}")
    out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("const Gs1AiEntry* findGs1Ai(int digits, int ai) {")
    out.append("  const auto* end = AIS + sizeof AIS / sizeof AIS[0];")
    out.append("  const auto* it = std::upper_bound(AIS, end, std::make_pair(digits, ai), [](auto key, const Gs1AiEntry& e) {")
    out.append("    return key < std::make_pair(int{e.digits}, int{e.first});")
    out.append("  });")
    out.append("  if (it == AIS) return nullptr;")
    out.append("  --it;")
    out.append("  return it->digits == digits && ai <= it->last ? it : nullptr;")
    out.append("}")
    out.append("")
    out.append("const Gs1Component* gs1Components(const Gs1AiEntry& entry) { return COMPONENTS + entry.firstComponent; }")
    out.append("")
    out.append("bool isIso3166Numeric(int code) { return contains(ISO3166_NUMERIC, code); }")
    out.append("")
    out.append("bool isIso3166Alpha2(char first, char second) {")
    out.append("  return contains(ISO3166_ALPHA2, static_cast<uint8_t>(first) << 8 | static_cast<uint8_t>(second));")
    out.append("}")
    out.append("")
    out.append("bool isIso4217Numeric(int code) { return contains(ISO4217_NUMERIC, code); }")
    out.append("")
    out.append("}  // namespace dexmora")
    print("\n".join(out))


if __name__ == "__main__":
    main()
