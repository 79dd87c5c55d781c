#!/usr/bin/env python3
"""Counts the functions libTarnSrvc exports against the ones that run inside
the shared frame (foundation/frame.hpp).

    scripts/frame_coverage.py <build dir>

An export is covered when its definition calls the frame (ZE_FRAME,
ZE_FRAME_VALUE, ZE_FRAME_QUIET or ze::frame*), calls a frame helper with
__func__, or only forwards to another export that is covered. A frame
helper is a function whose first parameter is the name it hands to the
frame (or to another frame helper). A function that a macro defines is
judged by the macro's body with the invocation's arguments put in.
Prints one line per export that is not covered, then a summary; exits 1
when any export is not covered or has no definition."""
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


HEAD = re.compile(r"^[ \t]*[A-Za-z_][\w \t\*&:<>,\"]*?\b(\w+)\s*\(([^;{}]*?)\)\s*(?:const\s*)?(?:noexcept\s*)?\{", re.M)
MACRO = re.compile(r"^#define (\w+)\(([^)]*)\)((?:.*\\\n)*.*)", re.M)


def sources(root):
    for layer in LAYERS:
        yield from sorted((root / layer).glob("*.cpp"))
        yield from sorted((root / layer).glob("*.hpp"))


def split_args(text):
    """The top-level comma-separated arguments of a call's argument text."""
    args, depth, start = [], 0, 0
    for i, c in enumerate(text):
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "," and depth == 0:
            args.append(text[start:i].strip())
            start = i + 1
    args.append(text[start:].strip())
    return args


def expand(params, body, args):
    """The macro body with each parameter (and #parameter, __VA_ARGS__) replaced."""
    names = [p.strip() for p in params.split(",")]
    fixed = [n for n in names if n != "..."]
    values = dict(zip(fixed, args))
    if "..." in names:
        values["__VA_ARGS__"] = ", ".join(args[len(fixed):])
    def put(m):
        word = m.group(2)
        if word not in values:
            return m.group(0)
        return '"' + values[word] + '"' if m.group(1) else values[word]
    return re.sub(r"(#?)\b(\w+)\b", put, body)


def definitions(root):
    """(path, name, parameter text, body) of every function defined at the
    start of a line, and of every function a macro defines."""
    found = []
    macros = {}
    for path in sources(root):
        text = path.read_text()
        for m in HEAD.finditer(text):
            found.append((path.relative_to(root), m.group(1), m.group(2), body_at(text, m.end() - 1)))
        for m in MACRO.finditer(text):
            macros[m.group(1)] = (m.group(2), m.group(3).replace("\\\n", "\n"))
    # Functions a macro defines: "#define M(function, ...)" then "M(ZeName, ...)".
    for path in sources(root):
        text = path.read_text()
        for macro, (params, body) in macros.items():
            for m in re.finditer(r"^" + macro + r"\((.*)\)\s*$", text, re.M):
                args = split_args(m.group(1))
                found.append((path.relative_to(root), args[0], "", expand(params, body, args)))
    return found


def resolve(name, path, by_name):
    """The definition a call of `name` from `path` reaches: the one in the
    same file, else one in a header, else the only one."""
    candidates = by_name.get(name, [])
    for wanted in (lambda d: d[0] == path, lambda d: d[0].suffix == ".hpp", lambda d: len(candidates) == 1):
        for d in candidates:
            if wanted(d):
                return d
    return None


def frame_helpers(found, by_name):
    """Definitions whose first parameter is a name they pass on to the frame
    or to another frame helper (as (path, name) pairs)."""
    helpers = set()
    changed = True
    while changed:
        changed = False
        for path, name, params, body in found:
            if (path, name) in helpers:
                continue
            first = re.match(r"\s*const char \*(\w+)\s*(,|$)", params)
            if not first:
                continue
            for m in re.finditer(r"\b([\w:]+)\s*\(\s*" + first.group(1) + r"\s*,", body):
                callee = m.group(1).split("::")[-1]
                target = resolve(callee, path, by_name)
                if callee in ("frame", "frame_value") or (target and (target[0], target[1]) in helpers):
                    helpers.add((path, name))
                    changed = True
                    break
    return helpers


def through_helper(path, body, helpers, by_name):
    for m in re.finditer(r"\b(\w+)\s*\(\s*__func__\s*,", body):
        target = resolve(m.group(1), path, by_name)
        if target and (target[0], target[1]) in helpers:
            return True
    return False


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = pathlib.Path(__file__).resolve().parent.parent
    exports = exported_names(sys.argv[1])
    found = definitions(root)
    by_name = {}
    for d in found:
        by_name.setdefault(d[1], []).append(d)
    helpers = frame_helpers(found, by_name)
    # An export's definition: the first one found under its name.
    defs = {name: (ds[0][0], ds[0][3]) for name, ds in by_name.items()}
    covered = {name for name, (path, body) in defs.items()
               if FRAME.search(body) or through_helper(path, body, helpers, by_name)}
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
