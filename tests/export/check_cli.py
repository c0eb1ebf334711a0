#!/usr/bin/python3
"""brenmoor-convert export as a script meets it: the folder made where missing, the
completion on stdout with status 0, failures on stderr with status 1, the PST store's
path before the completion.

    check_cli.py CONVERT BOOK
"""
import os
import subprocess
import sys
import tempfile


def convert(*args):
    done = subprocess.run([CONVERT, "export", *args], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


CONVERT, BOOK = sys.argv[1:]
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    nested = os.path.join(tmp, "a", "b")
    status, out, err = convert("csv", BOOK, nested)
    assert (status, out, err) == (0, "Conversion Process Completed\n", ""), (status, out, err)
    assert os.listdir(nested) == ["Qalder_Notes_Contact.csv"]

    missing = os.path.join(tmp, "missing.dxl")
    status, out, err = convert("vcard", missing, tmp)
    assert status == 1 and out == "" and missing in err, (status, out, err)

    blocker = os.path.join(tmp, "blocker")
    open(blocker, "w").close()
    status, out, err = convert("txt", BOOK, blocker)
    assert status == 1 and out == "" and blocker in err, (status, out, err)

    status, out, err = convert("docx", BOOK, tmp)
    assert status == 2 and "csv, txt, html, vcard or pst" in err, (status, out, err)

    store_folder = os.path.join(tmp, "pst")
    status, out, err = convert("pst", BOOK, store_folder)
    lines = out.splitlines()
    assert status == 0 and lines[-1] == "Conversion Process Completed", (status, out, err)
    assert len(lines) == 2 and os.path.dirname(lines[0]) == store_folder, lines
    assert lines[0].endswith(".pst") and os.path.getsize(lines[0]) > 0, lines
print("brenmoor-convert export: statuses, streams and folders as expected")
