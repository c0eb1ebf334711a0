#!/usr/bin/python3
"""Peak memory of brenmoor-convert does not grow with the address book.

    memory_bound_test.py BRENMOOR_CONVERT

Writes books of 10,000 and 50,000 contacts and one of 100,000 contacts without items,
runs list, show of the last contact and export csv on each, and compares the peak
resident set of each run (the kernel's own count, mapped file pages included, read
with GNU time). The smaller book is large enough for the walk's runs in flight to reach
their steady size, so what grows past that grows with the book. Nothing is timed.
"""
import os
import shutil
import subprocess
import sys
import tempfile

LIMIT_MIB = 96     # no run may need more, whatever the book
GROWTH_MIB = 8     # ten times the contacts may need at most this much more

PROLOG = ("<?xml version='1.0' encoding='utf-8'?>\n"
          "<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
          "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Memory'>\n")


def full_contact(n):
    items = "".join(f"<item name='Item{i}'><text>value {i} of contact {n}</text></item>\n" for i in range(40))
    return (f"<document form='Person'><noteinfo noteid='{n:x}' unid='{n:032X}'>"
            f"<modified><datetime>20150101T101530,12-04</datetime></modified></noteinfo>\n"
            f"<item name='FirstName'><text>First{n}</text></item>"
            f"<item name='LastName'><text>Last{n}</text></item>\n{items}"
            f"<item name='Comment'><richtext><par>Line one of {n}</par><par>Line two</par></richtext></item>\n"
            "</document>\n")


def empty_contact(n):
    return f"<document form='Person'><noteinfo unid='{n:032X}'/></document>\n"


def write_book(path, contacts, contact):
    with open(path, "w", encoding="utf-8") as out:
        out.write(PROLOG)
        for start in range(1, contacts + 1, 1000):
            out.write("".join(contact(n) for n in range(start, min(start + 1000, contacts + 1))))
        out.write("</database>\n")


RUNS = 5           # each figure is the least peak of this many runs


def peak_mib(command, before_each=lambda: None):
    """Runs command to its end RUNS times; the least of its peak resident sets in MiB, as
    GNU time reports them (measured from this Python, the count would start at Python's
    own size). One run's peak varies by several MiB with how the worker threads' heaps
    happen to fill; a book that costs memory costs it in every run."""
    peaks = []
    for _ in range(RUNS):
        before_each()
        with tempfile.NamedTemporaryFile("r") as report:
            result = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%M"] + command,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            if result.returncode != 0:
                raise SystemExit(f"FAIL: {' '.join(command)} exited {result.returncode}: "
                                 f"{result.stderr.decode(errors='replace')}")
            peaks.append(int(report.read().split()[-1]) / 1024)
    return min(peaks)


def runs(convert, book, contacts, work):
    out = os.path.join(work, "out")

    def empty_out():
        shutil.rmtree(out, ignore_errors=True)
        os.mkdir(out)

    return {
        "list": peak_mib([convert, "list", book]),
        "show last": peak_mib([convert, "show", book, str(contacts)]),
        "export csv": peak_mib([convert, "export", "csv", book, out], empty_out),
    }


def main():
    convert = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        peaks = {}
        for contacts in (10000, 50000):
            book = os.path.join(work, f"book-{contacts}.dxl")
            write_book(book, contacts, full_contact)
            peaks[f"{contacts:,} contacts"] = runs(convert, book, contacts, work)
            os.remove(book)
        empty = os.path.join(work, "empty-contacts.dxl")
        write_book(empty, 100000, empty_contact)
        peaks["100,000 contacts without items"] = runs(convert, empty, 100000, work)

        for name in peaks["10,000 contacts"]:
            print(f"{name:10} " + ", ".join(f"{figures[name]:5.1f} MiB for {book}" for book, figures in peaks.items()))
            small, large = peaks["10,000 contacts"][name], peaks["50,000 contacts"][name]
            if large > small + GROWTH_MIB:
                failures.append(f"{name} grows with the book: {small:.1f} MiB, then {large:.1f} MiB")
        for book, figures in peaks.items():
            for name, mib in figures.items():
                if mib > LIMIT_MIB:
                    failures.append(f"{name} on the book of {book} needs {mib:.1f} MiB")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
