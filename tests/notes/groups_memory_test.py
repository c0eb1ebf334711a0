#!/usr/bin/python3
"""Mailing lists cost memory by what they hold, not by how many there are or how deep
they nest, and an LDIF of nested lists grows with the book, not with its square.

    groups_memory_test.py BRENMOOR_CONVERT [SHAPE...]

For each shape (many: 100,000 lists of two members each; wide: one list of 100,020
members; deep: 10,000 lists each naming the next), writes the book, runs `groups` and
the exports that write lists, and compares each peak resident set (GNU time's count)
with 96 MiB and twice the book's largest value (its longest Members item). The LDIF of
the deep book may hold each list's members once, and a list for each list: a few times
the book's size at most. Nothing is timed (bench/run.sh shows the same figures).
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from memory_bound_test import peak_mib  # noqa: E402

BASE_MIB = 96
FORMATS = ["pst", "ldif", "vcard3", "vcard4"]
CONTACTS = 2000

PROLOG = ("<?xml version='1.0' encoding='utf-8'?>\n"
          "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Lists'>\n")


def contact(n):
    return (f"<document form='Person'><noteinfo unid='{n:032X}'/>"
            f"<item name='FirstName'><text>First{n}</text></item>"
            f"<item name='LastName'><text>Last{n}</text></item>"
            f"<item name='MailAddress'><text>first{n}@example.com</text></item></document>\n")


def group(n, name, members):
    texts = "".join(f"<text>{member}</text>" for member in members)
    return (f"<document form='Group'><noteinfo unid='{n:032X}'/>"
            f"<item name='ListName'><text>{name}</text></item>"
            f"<item name='Members' names='true'><textlist>{texts}</textlist></item></document>\n")


def lists(shape):
    """The lists of a shape, each as (name, members)."""
    if shape == "many":
        for i in range(1, 100001):
            a, b = i % CONTACTS + 1, (i * 7) % CONTACTS + 1
            yield f"List {i}", [f"First{a} Last{a}", f"first{b}@example.com"]
    elif shape == "wide":
        members = [f"First{n} Last{n}" for n in range(1, CONTACTS + 1)]
        members += [f"outside{n}@elsewhere.example" for n in range(1, 100021 - CONTACTS)]
        yield "Everyone", members
    elif shape == "deep":
        for i in range(1, 10001):
            n = i % CONTACTS + 1
            yield f"Level {i}", [f"First{n} Last{n}"] + ([f"Level {i + 1}"] if i < 10000 else [])
    else:
        raise SystemExit(f"unknown shape {shape}: many, wide or deep")


def write_book(path, shape):
    """Writes the book of a shape; returns its largest value in bytes."""
    largest = 0
    with open(path, "w", encoding="utf-8") as out:
        out.write(PROLOG)
        for n in range(1, CONTACTS + 1):
            out.write(contact(n))
        for i, (name, members) in enumerate(lists(shape), start=CONTACTS + 1):
            largest = max(largest, sum(len(member) for member in members))
            out.write(group(i, name, members))
        out.write("</database>\n")
    return largest


def main():
    convert = sys.argv[1]
    shapes = sys.argv[2:] or ["many", "wide", "deep"]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "out")

        def empty_out():
            shutil.rmtree(out, ignore_errors=True)
            os.mkdir(out)

        for shape in shapes:
            book = os.path.join(work, f"{shape}.dxl")
            limit = BASE_MIB + 2 * write_book(book, shape) / 1048576
            runs = {"groups": [convert, "groups", book]}
            runs.update({f"export {fmt}": [convert, "export", fmt, book, out] for fmt in FORMATS})
            for name, command in runs.items():
                mib = peak_mib(command, empty_out)
                print(f"{shape:5} {name:14} {mib:6.1f} MiB (limit {limit:.1f} MiB)")
                if mib > limit:
                    failures.append(f"{name} on the {shape} book needs {mib:.1f} MiB, more than {limit:.1f} MiB")
            empty_out()
            subprocess.run([convert, "export", "ldif", book, out], check=True, stdout=subprocess.DEVNULL)
            written = sum(os.path.getsize(os.path.join(out, name)) for name in os.listdir(out))
            # Nested lists must not repeat their members: the LDIF stays within a few times
            # the book. The wide book's one list names 100,020 contacts of a few bytes each in
            # the book, whose LDIF entries are larger by their nature, not by any repetition.
            if shape != "wide" and written > 4 * os.path.getsize(book):
                failures.append(f"the LDIF of the {shape} book is {written} bytes, the book {os.path.getsize(book)}")
            os.remove(book)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
