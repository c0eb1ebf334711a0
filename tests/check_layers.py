#!/usr/bin/python3
"""The layers of the code, as its includes show them: each folder includes only the
folders below it, and the domain and export code includes nothing of Qt Widgets.

    check_layers.py SOURCE_DIR QT_WIDGETS_INCLUDE_DIRS

QT_WIDGETS_INCLUDE_DIRS is the include path of Qt6::Widgets (a CMake list); every
header found in its QtWidgets folder counts as a widget header.

The CMake libraries hold the same order (pst_util <- pst_ndb <- pst_ltp <- pst_messaging,
each linking only those below it), so that a call across it fails to link as well.
"""
import re
import sys
from pathlib import Path

# Folder: the folders its files must not include.
FORBIDDEN = {
    "base": ["text/", "notes/", "contact/", "export/", "pst/", "viewer/", "app/", "cli/"],
    "text": ["notes/", "contact/", "export/", "pst/", "viewer/", "app/", "cli/"],
    "pst/util": ["pst/ndb/", "pst/ltp/", "pst/messaging/"],
    "pst/ndb": ["pst/ltp/", "pst/messaging/"],
    "pst/ltp": ["pst/messaging/"],
    "pst": ["notes/", "contact/", "export/", "viewer/", "app/", "cli/"],
    "notes": ["contact/", "export/", "pst/", "viewer/", "app/", "cli/"],
    "contact": ["export/", "pst/", "viewer/", "app/", "cli/"],
    "export": ["viewer/", "app/", "cli/"],
}
# Folders that know nothing of widgets.
NO_WIDGETS = ["notes", "contact", "export", "pst"]

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def widget_headers(include_dirs):
    names = {"QtWidgets"}
    for d in include_dirs.split(";"):
        folder = Path(d)
        if folder.name != "QtWidgets" and (folder / "QtWidgets").is_dir():
            folder = folder / "QtWidgets"
        if folder.name == "QtWidgets" and folder.is_dir():
            names.update(p.name for p in folder.iterdir())
    if len(names) < 50:
        sys.exit(f"no Qt Widgets headers found in {include_dirs!r}")
    return names


def main():
    root = Path(sys.argv[1])
    widgets = widget_headers(sys.argv[2])
    problems = []
    tops = sorted({folder.split("/", 1)[0] for folder in FORBIDDEN} | set(NO_WIDGETS))
    for path in sorted(p for top in tops for p in (root / top).rglob("*") if p.suffix in (".h", ".cpp")):
        rel = path.relative_to(root).as_posix()
        text = path.read_text(encoding="utf-8", errors="replace")
        for bracket, name in INCLUDE.findall(text):
            for folder, forbidden in FORBIDDEN.items():
                if rel.startswith(folder + "/") and bracket == '"' and name.startswith(tuple(forbidden)):
                    problems.append(f"{rel}: includes {name}, a layer above {folder}/")
            top = rel.split("/", 1)[0]
            if top in NO_WIDGETS and bracket == "<" and (name.split("/", 1)[0] in widgets or
                                                         name.startswith("QtWidgets/")):
                problems.append(f"{rel}: includes <{name}> of Qt Widgets; {top}/ knows nothing of widgets")
    for folder in NO_WIDGETS:
        cmake = root / folder / "CMakeLists.txt"
        if cmake.exists() and "Qt6::Widgets" in cmake.read_text(encoding="utf-8"):
            problems.append(f"{folder}/CMakeLists.txt: links Qt6::Widgets")
    print("\n".join(problems) if problems else "layers kept")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
