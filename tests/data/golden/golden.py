#!/usr/bin/python3
"""Golden outputs: every file `brenmoor-convert export` writes, in all ten formats,
for the sample book and for a generated book, compared byte for byte with the files
kept beside this script.

    golden.py check  CONVERT [BOOK...]   compare (the ctest golden_outputs_*)
    golden.py update CONVERT [BOOK...]   write the expected files anew

BOOK is a name from BOOKS below (all by default). After a change that alters an output
on purpose, run `tests/data/golden/golden.py update build/brenmoor-convert`, read the
diff of the expected files, and commit it with the change.

The sample book keeps every expected file in full (sample/FORMAT/...); the generated
book, too large for that, keeps one line per file: its SHA-256 and its path
(generated-2000.sha256).

The PST store's file name holds the time of day, and the store holds its creation times
and a random GUID in each item's conversation index (its UID, NIDs and search keys follow
from the book's identity). The exports run with BRENMOOR_FIXED_CLOCK set, which stands
the store's clock still and seeds those GUIDs from that time, so the whole store is
compared byte for byte like every other file. TZ and the locale are fixed too: a birthday
is stored at local midnight and the file name is the time as the locale writes it.

The check runs the sample book's exports once more in another time zone (St. John's,
three and a half hours behind UTC): every file but the PST store must be the same byte
for byte; the store is named by the local time of day and keeps its size (its birthdays
are stored at local midnight, so its bytes differ).
"""
import argparse
import difflib
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[2]

FORMATS = ["csv", "txt", "html", "vcard", "pst", "vcard3", "vcard4", "ldif", "outlook-csv", "google-csv"]

ENVIRONMENT = {"BRENMOOR_FIXED_CLOCK": "1700000000", "TZ": "UTC", "LC_ALL": "C", "LANG": "C",
               "QT_QPA_PLATFORM": "offscreen"}


def sample_book(work):
    return ROOT / "samples" / "names.dxl"


def generated_book(work):
    book = work / "generated-2000.dxl"
    subprocess.run([sys.executable, str(ROOT / "bench" / "generate_book.py"), "2000", str(book), "--seed", "1"],
                   check=True)
    return book


# name: (how the book is made, where its expected outputs are, kept in full or as a manifest)
BOOKS = {
    "sample": (sample_book, HERE / "sample", "files"),
    "generated": (generated_book, HERE / "generated-2000.sha256", "manifest"),
}


OTHER_ZONE = ("America/St_Johns", "pst/names184320.pst")  # the fixed clock's 22:13:20 UTC there


def export_all(convert, book, out, zone="UTC"):
    """Every format's files under out/FORMAT/, as {relative path: bytes}."""
    env = dict(os.environ, **dict(ENVIRONMENT, TZ=zone))
    outputs = {}
    for fmt in FORMATS:
        folder = out / fmt
        result = subprocess.run([convert, "export", fmt, str(book), str(folder)], env=env,
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise SystemExit(f"export {fmt} of {book.name} failed with status {result.returncode}:\n"
                             f"{result.stdout}{result.stderr}")
        for path in sorted(folder.rglob("*")):
            if path.is_file():
                outputs[path.relative_to(out).as_posix()] = path.read_bytes()
    return outputs


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def read_expected(where, kind):
    """{relative path: bytes} for kept files, {relative path: hex digest} for a manifest."""
    if kind == "files":
        return {p.relative_to(where).as_posix(): p.read_bytes() for p in sorted(where.rglob("*")) if p.is_file()}
    expected = {}
    for line in where.read_text(encoding="utf-8").splitlines():
        digest, name = line.split("  ", 1)
        expected[name] = digest
    return expected


def write_expected(where, kind, outputs):
    if kind == "files":
        shutil.rmtree(where, ignore_errors=True)
        for name, data in outputs.items():
            (where / name).parent.mkdir(parents=True, exist_ok=True)
            (where / name).write_bytes(data)
    else:
        where.write_text("".join(f"{sha256(data)}  {name}\n" for name, data in outputs.items()), encoding="utf-8")


def first_difference(expected, actual):
    """Where two outputs part: the first differing line of a text, else the byte offset."""
    try:
        a, b = expected.decode("utf-8").splitlines(True), actual.decode("utf-8").splitlines(True)
        diff = list(difflib.unified_diff(a, b, "expected", "actual", n=1))
        return "".join(diff[:12])
    except UnicodeDecodeError:
        at = next((i for i, (x, y) in enumerate(zip(expected, actual)) if x != y), min(len(expected), len(actual)))
        return f"bytes differ from offset {at:#x} (expected {len(expected)} bytes, got {len(actual)})\n"


def compare(book, kind, expected, outputs):
    problems = []
    for name in sorted(set(expected) - set(outputs)):
        problems.append(f"{book}: {name} expected but not written\n")
    for name in sorted(set(outputs) - set(expected)):
        problems.append(f"{book}: {name} written but not expected\n")
    for name in sorted(set(expected) & set(outputs)):
        data = outputs[name]
        if kind == "files" and expected[name] != data:
            problems.append(f"{book}: {name} differs\n" + first_difference(expected[name], data))
        elif kind == "manifest" and expected[name] != sha256(data):
            problems.append(f"{book}: {name} differs (SHA-256 {sha256(data)}, expected {expected[name]})\n")
    return problems


def zone_problems(convert, book, work, outputs):
    """What differs when the exports run in another time zone, beyond what must."""
    zone, store = OTHER_ZONE
    other = export_all(convert, book, work / "zone", zone)
    utc_store = next(name for name in outputs if name.startswith("pst/"))
    problems = []
    if store not in other:
        problems.append(f"in {zone} the store is not {store}: {sorted(n for n in other if n.startswith('pst/'))}\n")
    elif len(other[store]) != len(outputs[utc_store]):
        problems.append(f"in {zone} the store has {len(other[store])} bytes, in UTC {len(outputs[utc_store])}\n")
    for name in sorted(set(outputs) - {utc_store}):
        if other.get(name) != outputs[name]:
            problems.append(f"in {zone} {name} differs\n" + first_difference(outputs[name], other.get(name, b"")))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("action", choices=["check", "update"])
    parser.add_argument("convert", help="the brenmoor-convert program")
    parser.add_argument("books", nargs="*", metavar="BOOK", help=", ".join(BOOKS))
    args = parser.parse_args()
    for book in args.books:
        if book not in BOOKS:
            parser.error(f"no book {book!r}; the books are {', '.join(BOOKS)}")
    failed = False
    for book in args.books or BOOKS:
        make, where, kind = BOOKS[book]
        with tempfile.TemporaryDirectory(prefix="brenmoor-golden-") as work:
            work = Path(work)
            book_path = make(work)
            outputs = export_all(args.convert, book_path, work / "out")
            zone = zone_problems(args.convert, book_path, work, outputs) if book == "sample" and args.action == "check" else []
        if args.action == "update":
            write_expected(where, kind, outputs)
            print(f"{book}: {len(outputs)} files written to {where.relative_to(ROOT)}")
            continue
        problems = compare(book, kind, read_expected(where, kind), outputs) + [f"{book}: {p}" for p in zone]
        if problems:
            failed = True
            sys.stdout.write("".join(problems[:40]))
            if len(problems) > 40:
                print(f"... and {len(problems) - 40} more")
        else:
            print(f"{book}: all {len(outputs)} files as expected")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
