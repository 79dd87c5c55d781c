#!/usr/bin/env python3
"""Counts the functions libTarnSrvc exports against the ones that run inside
the shared frame (foundation/frame.hpp).

    scripts/frame_coverage.py <build dir>

An export is covered when its definition calls the frame (ZE_FRAME,
ZE_FRAME_VALUE, ZE_FRAME_QUIET or ze::frame*) or only forwards to another
export that is covered. Prints one line per export that is not, then a
summary; exits 1 when any export is not covered or has no definition."""
import pathlib
import re
import subprocess
import sys

# Statements of a variadic forwarder that are not its work.
VA_BOILERPLATE = re.compile(r"^(va_list \w+|va_start\(.*\)|va_end\(.*\)|return rc)$")
LAYERS = ("foundation", "records", "describe", "requests", "objects", "logon")
FRAME = re.compile(r"\bZE_FRAME(_VALUE|_QUIET)?\s*\(|\bze::frame(_value|_quiet)?\s*\(|\bframe(_value|_quiet)?\s*\(")


def exported_names(build):
    lib = pathlib.Path(build) / "lib" / "libTarnSrvc.so"
    out = subprocess.run(["nm", "-D", "--defined-only", str(lib)], check=True, capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "TW":
            names.add(parts[2].split("@")[0])
    return sorted(names)


def body_at(text, open_brace):
    depth = 0
    for i in range(open_brace, len(text)):
        if text[i] == "{":
            depth += 1
        elif text[i] == "}":
            depth -= 1
            if depth == 0:
                return text[open_brace + 1:i]
    return ""


def definitions(root):
    """name -> body of every function defined at the start of a line."""
    found = {}
    head = re.compile(r"^[ \t]*[A-Za-z_][\w \t\*&:<>,\"]*?\b(\w+)\s*\(([^;{}]*?)\)\s*(?:const\s*)?(?:noexcept\s*)?\{", re.M)
    for layer in LAYERS:
        for path in sorted((root / layer).glob("*.cpp")):
            text = path.read_text()
            for m in head.finditer(text):
                found.setdefault(m.group(1), (path.relative_to(root), body_at(text, m.end() - 1)))
        # Functions a macro defines: "#define M(function, ...)" then "M(ZeName, ...)".
        # The macro's body stands for each function it defines.
    for layer in LAYERS:
        for path in sorted((root / layer).glob("*.cpp")):
            text = path.read_text()
            for macro, body in re.findall(r"#define (\w+)\(\w+[^)]*\)((?:.*\\\n)*.*)", text):
                for name in re.findall(r"^" + macro + r"\((\w+)\s*,", text, re.M):
                    found.setdefault(name, (path.relative_to(root), body.replace("\\\n", "\n")))
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = pathlib.Path(__file__).resolve().parent.parent
    exports = exported_names(sys.argv[1])
    defs = definitions(root)
    covered = {name for name, (_, body) in defs.items() if FRAME.search(body)}
    # A function whose whole body is one call of a covered function is
    # covered too (repeat until nothing changes: forwarders of forwarders).
    forwards = {}
    for name, (_, body) in defs.items():
        statements = [s for s in body.split(";") if s.strip() and not VA_BOILERPLATE.match(s.strip())]
        calls = [c for c in re.findall(r"\b(\w+)\s*[(<]", body) if c in defs and c != name]
        if len(statements) == 1 and len(set(calls)) == 1:
            forwards[name] = calls[0]
    changed = True
    while changed:
        changed = False
        for name, target in forwards.items():
            if name not in covered and target in covered:
                covered.add(name)
                changed = True
    missing = [name for name in exports if name not in defs]
    uncovered = [(name, defs[name][0]) for name in exports if name in defs and name not in covered]
    for name, path in sorted(uncovered, key=lambda x: (str(x[1]), x[0])):
        print(f"not through the frame: {name} ({path})")
    for name in missing:
        print(f"no definition found: {name}")
    through = len(exports) - len(uncovered) - len(missing)
    print(f"{len(exports)} exports, {through} through the frame, {len(uncovered)} not, {len(missing)} not found")
    return 1 if uncovered or missing else 0


if __name__ == "__main__":
    sys.exit(main())
