#!/usr/bin/env python3
"""Checks every #include of the tree against the table in docs/architecture.md.

A folder may include its own headers and those of the folders its row names;
Qt headers (<Q...>, <Qt...>) only where its Qt column allows. The system's own
headers belong to the platform layer's backends: POSIX headers only in
platform/posix/, Windows headers only in platform/win32/ (tests, benchmarks
and fuzz targets may use either). Prints each violation as file:line and
exits 1 when there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TABLE = ROOT / "docs" / "architecture.md"
FREE = ("tests", "benchmarks", "fuzz")  # may include any folder
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
POSIX = re.compile(r"(unistd|termios|poll|signal|fcntl|pwd|grp|dirent|pty|dlfcn|pthread|libgen|"
                   r"spawn|semaphore|syslog|strings|glob|fnmatch|wordexp|utmp)\.h$"
                   r"|(sys|netinet|arpa|linux)/")
WINDOWS = re.compile(r"(windows|winbase|winioctl|shellapi|shlobj|io|direct)\.h$", re.IGNORECASE)
BACKENDS = {"platform/posix": POSIX, "platform/win32": WINDOWS}


def read_table():
    text = TABLE.read_text(encoding="utf-8")
    block = text.split("```")[1]
    rules = {}
    for line in block.strip().splitlines()[1:]:
        words = line.split()
        folder, rest = words[0], words[1:]
        # "may include" runs up to the Qt column: yes, no, or file names.
        deps, i = [], 0
        while i < len(rest) and (rest[i] == "-" or (rest[i].islower() and rest[i] not in ("yes", "no"))):
            if rest[i] != "-":
                deps.append(rest[i])
            i += 1
        qt = rest[i:]
        rules[folder] = (set(deps), qt)
    return rules


def owner(path, rules):
    """The table row that governs a source file (the longest folder prefix)."""
    parts = path.relative_to(ROOT).parts
    for n in (2, 1):
        key = "/".join(parts[:n])
        if len(parts) > n and key in rules:
            return key
    return parts[0]


def target_folder(header, rules):
    parts = header.split("/")
    if len(parts) >= 3 and "/".join(parts[:2]) in rules:
        return "/".join(parts[:2])
    return parts[0] if len(parts) > 1 else None


def main():
    rules = read_table()
    files = [p for p in ROOT.rglob("*") if p.suffix in (".cpp", ".h") and p.is_file()]
    problems = []
    for path in sorted(files):
        rel = path.relative_to(ROOT)
        if rel.parts[0].startswith("build") or rel.parts[0].startswith("."):
            continue
        folder = owner(path, rules)
        if folder in FREE or folder not in rules:
            if folder not in FREE and folder not in rules:
                problems.append(f"{rel}: folder {folder}/ has no row in {TABLE.name}")
            continue
        deps, qt = rules[folder]
        top = folder.split("/")[0]
        for n, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, header = m.groups()
            if kind == "<":
                own = "/".join(rel.parts[:2])
                for backend, pattern in BACKENDS.items():
                    if pattern.match(header) and own != backend:
                        problems.append(f"{rel}:{n}: system header <{header}> outside {backend}/")
                if re.match(r"Q[A-Za-z]*(/|$)|Qt[A-Za-z]*/", header):
                    if qt == ["no"] or (qt != ["yes"] and path.stem not in qt):
                        problems.append(f"{rel}:{n}: Qt header <{header}> in plain C++ ({folder}/)")
                continue
            to = target_folder(header, rules)
            if to is None or to == folder or to.split("/")[0] == top and to not in rules:
                continue
            if to == top or to.startswith(top + "/"):
                continue  # a folder's own subfolders and parent
            if to not in deps and to.split("/")[0] not in deps:
                problems.append(f"{rel}:{n}: {folder}/ may not include \"{header}\"")
    for p in problems:
        print(p)
    if problems:
        print(f"check-architecture: {len(problems)} include(s) break {TABLE.relative_to(ROOT)}")
        return 1
    print(f"check-architecture: {len(files)} files follow {TABLE.relative_to(ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
