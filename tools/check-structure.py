#!/usr/bin/python3
"""Checks of the program's shape that the compiler cannot make.

    check-structure.py [--root DIR] layers    no library includes or links a library above it
    check-structure.py [--root DIR] share     no program folder holds 15 % or more of the code
    check-structure.py [--root DIR] length    no file in the chart folders is over 900 lines
    check-structure.py [--root DIR] counts    the code lines per program folder (a report)

Exit 0 when the check holds, 1 with one line per fault on standard error when it does not, 2 on
wrong arguments. DIR is the source root (by default the folder above this script's).

The layers are declared below, lowest first. A library may include the headers of, and link,
the libraries below it and itself only; siblings that do not use each other still get an order,
so the list is also the order in which the top-level CMakeLists adds the folders. A program
folder that builds a library but is missing from the list is a fault too: a new library must be
given its place.

The program is every C++ file (.cpp, .h) of the folders in the list; tests, benchmarks, fuzz
targets, tools and packaging are not counted. A code line is a line with something on it other
than blanks and comments.
"""
import os
import re
import sys

# (library, folder), lowest first.
LAYERS = [
    ("quillmere_platform", "platform"),
    ("quillmere_package", "engine/package"),
    ("quillmere_numfmt", "engine/numfmt"),
    ("quillmere_text", "engine/text"),
    ("quillmere_drawingml", "engine/drawingml"),
    ("quillmere_workbook", "engine/workbook"),
    ("quillmere_chartmodel", "engine/chartmodel"),
    ("quillmere_chartformat", "engine/chartformat"),
    ("quillmere_chartdraw", "engine/chartdraw"),
    ("quillmere_chartcopy", "engine/chartcopy"),
    ("quillmere_presentation", "engine/presentation"),
    ("quillmere_slide", "engine/slide"),
    ("quillmere_legacy", "engine/legacy"),
    ("quillmere_engine", "engine"),
    ("quillmere_refresh", "refresh"),
    ("quillmere_office", "office"),
    ("quillmere_servers", "servers"),
    ("quillmere_transfer", "transfer"),
    ("quillmere_discovery", "discovery"),
    ("quillmere_assets", "assets"),
    ("quillmere_app", "app"),
    ("quillmere_cli", "cli"),
]

# Folders that hold no program code.
NOT_PROGRAM = {"tests", "bench", "fuzz", "tools", "packaging", "build", "cmake", ".git"}

CHART_FOLDERS = ("engine/chartmodel", "engine/chartformat", "engine/chartdraw", "engine/chartcopy")
MAX_SHARE = 0.15
MAX_LINES = 900

RANK = {folder: i for i, (_, folder) in enumerate(LAYERS)}
LIBRARY_RANK = {library: i for i, (library, _) in enumerate(LAYERS)}
FOLDER_OF = {library: folder for library, folder in LAYERS}


def folder_of(path):
    """The declared folder a file (a path from the root, with /) belongs to: the longest match."""
    best = None
    for folder in RANK:
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best)):
            best = folder
    return best


def is_source_folder(root, top):
    """A top folder of sources: not one of NOT_PROGRAM, not hidden, and not a build folder of
    any name (one CMake has configured holds its CMakeCache.txt), whose generated sources are
    not the program's."""
    full = os.path.join(root, top)
    return (top not in NOT_PROGRAM and not top.startswith(".") and os.path.isdir(full)
            and not os.path.exists(os.path.join(full, "CMakeCache.txt")))


def program_files(root):
    for top in sorted(os.listdir(root)):
        if not is_source_folder(root, top):
            continue
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(files):
                if name.endswith((".cpp", ".h")):
                    full = os.path.join(folder, name)
                    yield os.path.relpath(full, root).replace(os.sep, "/"), full


INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def include_faults(root):
    faults = []
    for path, full in program_files(root):
        source = folder_of(path)
        if source is None:
            continue
        with open(full, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = folder_of(match.group(1))
                if target is not None and RANK[target] > RANK[source]:
                    faults.append("%s:%d: %s includes %s, a layer above it"
                                  % (path, number, source, match.group(1)))
    return faults


LIBRARY_CALL = re.compile(r"\b(quillmere_library|target_link_libraries)\s*\(([^)]*)\)", re.S)


def cmake_files(root):
    for top in sorted(os.listdir(root)):
        if not is_source_folder(root, top):
            continue
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            if "CMakeLists.txt" in files:
                full = os.path.join(folder, "CMakeLists.txt")
                yield os.path.relpath(full, root).replace(os.sep, "/"), full


def link_faults(root):
    """Upward links in the CMake files, and libraries the order does not know."""
    faults = []
    for path, full in cmake_files(root):
        with open(full, encoding="utf-8") as f:
            text = re.sub(r"#[^\n]*", "", f.read())
        for call, arguments in LIBRARY_CALL.findall(text):
            words = arguments.split()
            if not words:
                continue
            name = words[0]
            if name not in LIBRARY_RANK:
                if call == "quillmere_library":
                    faults.append("%s: library %s has no place in the layer order" % (path, name))
                continue
            for word in words[1:]:
                if word in LIBRARY_RANK and LIBRARY_RANK[word] > LIBRARY_RANK[name]:
                    faults.append("%s: %s links %s, a layer above it" % (path, name, word))
    return faults


def check_layers(root):
    return link_faults(root) + include_faults(root)


RAW_STRING = re.compile(r'R"([^()\\\s]{0,16})\(')


def code_lines(text):
    """The lines that hold code once comments are taken out (string and character literals,
    raw strings included, are code)."""
    count = 0
    has_code = False
    i = 0
    n = len(text)
    state = "code"
    raw_end = None
    while i < n:
        c = text[i]
        if c == "\n":
            if has_code:
                count += 1
            has_code = False
            if state == "line":
                state = "code"
            i += 1
            continue
        if state == "code":
            if text.startswith("//", i):
                state = "line"
                i += 2
                continue
            if text.startswith("/*", i):
                state = "block"
                i += 2
                continue
            if not c.isspace():
                has_code = True
            raw = RAW_STRING.match(text, i) if c == "R" else None
            before = text[i - 1] if i > 0 else " "
            if raw and (before in "uUL8" or not (before.isalnum() or before == "_")):
                raw_end = ")" + raw.group(1) + '"'
                state = "raw"
                i = raw.end()
                continue
            if c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
                state = c
            i += 1
            continue
        if state == "line":
            i += 1
            continue
        if state == "block":
            if text.startswith("*/", i):
                state = "code"
                i += 2
                continue
            i += 1
            continue
        if state == "raw":
            has_code = True
            if text.startswith(raw_end, i):
                state = "code"
                i += len(raw_end)
                continue
            i += 1
            continue
        # inside a string or character literal
        has_code = True
        if c == "\\":
            i += 2
            continue
        if c == state:
            state = "code"
        i += 1
    if has_code:
        count += 1
    return count


def lines_per_folder(root):
    counts = {}
    for path, full in program_files(root):
        folder = folder_of(path)
        if folder is None:
            folder = path.split("/")[0]
        with open(full, encoding="utf-8", errors="replace") as f:
            counts[folder] = counts.get(folder, 0) + code_lines(f.read())
    return counts


def check_share(root):
    counts = lines_per_folder(root)
    total = sum(counts.values())
    if total == 0:
        return ["%s: no program code found" % root]
    return ["%s holds %.1f %% of the program's %d code lines (at most %.0f %%)"
            % (folder, 100.0 * lines / total, total, 100 * MAX_SHARE)
            for folder, lines in sorted(counts.items()) if lines >= MAX_SHARE * total]


def check_length(root):
    faults = []
    for folder in CHART_FOLDERS:
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for name in sorted(os.listdir(base)):
            if not name.endswith((".cpp", ".h")):
                continue
            with open(os.path.join(base, name), encoding="utf-8", errors="replace") as f:
                lines = sum(1 for _ in f)
            if lines > MAX_LINES:
                faults.append("%s/%s has %d lines (at most %d)" % (folder, name, lines, MAX_LINES))
    return faults


def report_counts(root):
    counts = lines_per_folder(root)
    total = sum(counts.values())
    for folder, lines in sorted(counts.items(), key=lambda item: -item[1]):
        print("%7d  %5.1f %%  %s" % (lines, 100.0 * lines / total, folder))
    print("%7d  total" % total)
    return []


CHECKS = {"layers": check_layers, "share": check_share, "length": check_length,
          "counts": report_counts}


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args = argv[1:]
    if len(args) == 3 and args[0] == "--root":
        root = args[1]
        args = args[2:]
    if len(args) != 1 or args[0] not in CHECKS:
        sys.stderr.write(__doc__)
        return 2
    faults = CHECKS[args[0]](root)
    for fault in faults:
        sys.stderr.write(fault + "\n")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
