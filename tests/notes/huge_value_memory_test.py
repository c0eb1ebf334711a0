#!/usr/bin/python3
"""One huge value costs at most twice its size in memory.

    huge_value_memory_test.py BRENMOOR_CONVERT [VALUE_MIB]

ONLY=pst,vcard3 (say) measures those exports alone, ITEMS=MiddleInitial those items
alone, while working on them.

For each item of ITEMS (the comment; an attached file, $FILE, a JPEG photo whose base64
text is the value; a name part and the company, which names and listings are made of;
ITEMS=Comment, say, measures one), writes two books of the same contacts, one of them with a
value of VALUE_MIB (default 64) in that item of a contact in the middle, runs list, show of that contact and of its neighbour, and
the exports on both, and compares the peak resident sets (GNU time's count): a run may
need at most twice the value (and a little slack) more than on the book without it, and
never more than 96 MiB and twice the value; show of the neighbour no more than on the
plain book. Nothing is timed (bench/run.sh shows the same figures).
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from memory_bound_test import peak_mib  # noqa: E402

BASE_MIB = 96            # what any run may need, whatever the book
NEIGHBOUR_MIB = 8        # what a huge neighbour may add to show
SLACK_MIB = 12           # besides the value and one copy: the documents parsed ahead, buffers
FORMATS = ["csv", "txt", "html", "vcard", "pst", "vcard3", "vcard4", "ldif", "outlook-csv"]
CONTACTS = 2001
HUGE_AT = 1001
ITEMS = ["Comment", "$FILE", "MiddleInitial", "CompanyName"]

PROLOG = ("<?xml version='1.0' encoding='utf-8'?>\n"
          "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Huge value'>\n")


def write_book(path, value_bytes, huge_item):
    with open(path, "w", encoding="utf-8") as out:
        out.write(PROLOG)
        for n in range(1, CONTACTS + 1):
            values = {"FirstName": f"First{n}", "LastName": f"Last{n}", "Comment": f"Comment {n}"}
            if n == HUGE_AT:
                values[huge_item] = "x" * value_bytes
            # The huge one has no universal ID: the exports derive its UID from its values.
            info = "" if n == HUGE_AT else f"<noteinfo unid='{n:032X}'/>"
            photo = values.pop("$FILE", None)
            items = "".join(f"<item name='{name}'><text>{text}</text></item>" for name, text in values.items())
            if photo is not None:  # base64 of a JPEG's first bytes, then zeros, whole groups of four
                data = "/9j/" + "A" * ((len(photo) + 3) // 4 * 4 - 4)
                items += (f"<item name='$FILE'><object><file hosttype='msdos' compression='none' name='photo.jpg'>"
                          f"<filedata>{data}</filedata></file></object></item>")
            out.write(f"<document form='Person'>{info}{items}</document>\n")
        out.write("</database>\n")


def peaks(convert, book, work):
    out = os.path.join(work, "out")
    only = [fmt for fmt in os.environ.get("ONLY", "").split(",") if fmt]
    figures = {} if only else {"list": peak_mib([convert, "list", book]),
                               "show huge": peak_mib([convert, "show", book, str(HUGE_AT)]),
                               "show neighbour": peak_mib([convert, "show", book, str(HUGE_AT + 1)])}
    for fmt in only or FORMATS:
        shutil.rmtree(out, ignore_errors=True)
        figures["export " + fmt] = peak_mib([convert, "export", fmt, book, out])
    if not only:
        shutil.rmtree(out, ignore_errors=True)
        figures["attachments"] = peak_mib([convert, "attachments", book, out])
    shutil.rmtree(out, ignore_errors=True)
    return figures


def main():
    convert = sys.argv[1]
    value_mib = int(sys.argv[2]) if len(sys.argv) > 2 else 64
    failures = []
    items = [item for item in os.environ.get("ITEMS", "").split(",") if item] or ITEMS
    for item in items:
        with tempfile.TemporaryDirectory() as work:
            plain_book, huge_book = os.path.join(work, "plain.dxl"), os.path.join(work, "huge.dxl")
            write_book(plain_book, 10, item)
            write_book(huge_book, value_mib << 20, item)
            plain, huge = peaks(convert, plain_book, work), peaks(convert, huge_book, work)
        for name in plain:
            extra = huge[name] - plain[name]
            allowed = NEIGHBOUR_MIB if name == "show neighbour" else 2 * value_mib + SLACK_MIB
            print(f"{item:13} {name:20} {plain[name]:6.1f} MiB without, {huge[name]:6.1f} MiB with a {value_mib} "
                  f"MiB value: {extra / value_mib:5.2f} x the value more (at most {allowed / value_mib:.2f})")
            if extra > allowed or huge[name] > BASE_MIB + 2 * value_mib:
                failures.append(f"{name} needs {huge[name]:.1f} MiB with a huge {item}, {plain[name]:.1f} MiB without")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
