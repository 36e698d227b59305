#!/usr/bin/env python3
"""The walls of the house: a module of src/ may include only its own headers,
those of the modules it links by name, and the headers of the Qt libraries it
links (directly or through a module it links). Reads the frobnik_module()
calls of src/**/CMakeLists.txt and the #include lines of each module's files.
Exit status 1 and one line per breach when a wall is broken."""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SRC = ROOT / "src"
QT_INCLUDE = [Path("/usr/include/x86_64-linux-gnu/qt6"), Path("/usr/include/qt6")]
QT_MODULES = {"Qt6::Core": "QtCore", "Qt6::Gui": "QtGui", "Qt6::Widgets": "QtWidgets",
              "Qt6::DBus": "QtDBus", "Qt6::Network": "QtNetwork", "Qt6::Test": "QtTest"}
# What a Qt library brings with it.
QT_IMPLIES = {"QtWidgets": {"QtGui", "QtCore"}, "QtGui": {"QtCore"}, "QtDBus": {"QtCore"},
              "QtNetwork": {"QtCore"}, "QtTest": {"QtCore"}}


def parse_modules():
    """name -> (folder, sources, libs); the executable counts as a module of
    its own with just its main file."""
    modules = {}
    for cmake in SRC.rglob("CMakeLists.txt"):
        text = re.sub(r"#.*", "", cmake.read_text())
        for m in re.finditer(r"frobnik_module\(\s*(\w+)(.*?)\)", text, re.S):
            name, body = m.group(1), m.group(2)
            sources = re.search(r"SOURCES(.*?)(?:LIBS|$)", body, re.S).group(1).split()
            libs = (re.search(r"LIBS(.*)", body, re.S) or [None, ""])[1].split()
            modules[name] = (cmake.parent, sources, libs)
        for m in re.finditer(r"add_executable\(\s*(\w+)\s+([\w.]+)\s*\)", text):
            exe, main = m.group(1), m.group(2)
            link = re.search(r"target_link_libraries\(\s*%s\s+PRIVATE(.*?)\)" % exe, text, re.S)
            libs = [l for l in link.group(1).split() if l != "frobnik_common"] if link else []
            modules[exe] = (cmake.parent, [main], libs)
    return modules


def files_of(folder, sources):
    files = []
    for source in sources:
        path = folder / source
        files.append(path)
        header = path.with_suffix(".h")
        if header.exists():
            files.append(header)
    return files


def qt_module_of(header):
    for base in QT_INCLUDE:
        for module in ("QtCore", "QtGui", "QtWidgets", "QtDBus", "QtNetwork", "QtTest"):
            if (base / module / header).exists():
                return module
    return None


def main():
    modules = parse_modules()
    folder_of = {name: folder.relative_to(SRC).as_posix() for name, (folder, _, _) in modules.items()}

    def qt_closure(name, seen=None):
        seen = seen if seen is not None else set()
        if name in seen or name not in modules:
            return set()
        seen.add(name)
        found = set()
        for lib in modules[name][2]:
            if lib in QT_MODULES:
                qt = QT_MODULES[lib]
                found |= {qt} | QT_IMPLIES.get(qt, set())
            elif lib.startswith("frobnik_"):
                found |= qt_closure(lib, seen)
        return found

    breaches = []
    checked = 0
    for name, (folder, sources, libs) in sorted(modules.items()):
        own = {folder_of[name]}
        allowed = own | {folder_of[l] for l in libs if l in folder_of}
        qt_allowed = qt_closure(name)
        for path in files_of(folder, sources):
            if not path.exists():
                breaches.append(f"{name}: listed source {path.relative_to(ROOT)} is missing")
                continue
            checked += 1
            for n, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                if m:
                    target = m.group(1)
                    if "/" not in target:
                        continue  # a header beside the file
                    header_folder = target.rsplit("/", 1)[0]
                    if header_folder not in allowed and (SRC / target).exists():
                        breaches.append(f"{path.relative_to(ROOT)}:{n}: {name} includes "
                                        f"{target} without linking its module")
                    continue
                m = re.match(r"\s*#\s*include\s+<(Q\w+)>", line)
                if m:
                    qt = qt_module_of(m.group(1))
                    if qt and qt not in qt_allowed:
                        breaches.append(f"{path.relative_to(ROOT)}:{n}: {name} includes "
                                        f"<{m.group(1)}> of {qt}, which it does not link")
    for breach in breaches:
        print(breach)
    print(f"include walls: {checked} files of {len(modules)} modules, {len(breaches)} breaches")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
