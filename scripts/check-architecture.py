#!/usr/bin/env python3
"""Checks every #include of the tree against the table in docs/architecture.md.

A folder may include its own headers and those of the folders its row names;
Qt headers (<Q...>, <Qt...>) only where its Qt column allows. The system's own
headers belong to the platform layer's backends: POSIX headers only in
platform/posix/, Windows headers only in platform/win32/ (tests, benchmarks
and fuzz targets may use either). Within a folder too, files include only
what lies below them: a file X.h with its X.cpp is one unit, and no units may
include each other round in a cycle. Prints each violation as file:line (a
cycle as its units) and exits 1 when there is one.
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


def unit_of(path):
    """A file's unit: its path from the root without extension (X.h with X.cpp)."""
    return path.relative_to(ROOT).with_suffix("").as_posix()


def include_graph(files):
    """The units each unit includes (quoted includes of project headers)."""
    graph = {}
    for path in files:
        rel = path.relative_to(ROOT)
        if rel.parts[0] in FREE or rel.parts[0].startswith(("build", ".")):
            continue
        edges = graph.setdefault(unit_of(path), set())
        for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
            m = INCLUDE.match(line)
            if not m or m.group(1) != '"':
                continue
            # Beside the file first, as the compiler looks, then from the root.
            for base in (path.parent, ROOT):
                target = base / m.group(2)
                if target.is_file():
                    if target.resolve() != path.resolve():
                        edges.add(unit_of(target.resolve()))
                    break
    for unit in list(graph):
        graph[unit].discard(unit)
    return graph


def components(graph):
    """The strongly connected components of the graph (Tarjan, iteratively)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    for root in sorted(graph):
        if root in index:
            continue
        work = [(root, iter(sorted(graph.get(root, ()))))]
        index[root] = low[root] = len(index)
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = len(index)
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                part = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    part.append(member)
                    if member == node:
                        break
                found.append(sorted(part))
    return found


def cycle_through(graph, part):
    """A shortest cycle from the component's first unit back to it."""
    start, members = part[0], set(part)
    previous, queue = {start: None}, [start]
    for node in queue:
        for child in sorted(graph.get(node, ())):
            if child == start:
                path = [node]
                while previous[path[-1]] is not None:
                    path.append(previous[path[-1]])
                return path[::-1] + [start]
            if child in members and child not in previous:
                previous[child] = node
                queue.append(child)
    return part + [start]


def cycles(files):
    graph = include_graph(files)
    problems = []
    for part in components(graph):
        if len(part) < 2:
            continue
        ring = cycle_through(graph, part)
        rest = [u for u in part if u not in ring]
        problems.append("cycle: " + " -> ".join(ring) + (f" (with {', '.join(rest)})" if rest else ""))
    return problems


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
    problems += cycles(sorted(files))
    for p in problems:
        print(p)
    if problems:
        print(f"check-architecture: {len(problems)} include(s) or cycle(s) break "
              f"{TABLE.relative_to(ROOT)}")
        return 1
    print(f"check-architecture: {len(files)} files follow {TABLE.relative_to(ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
