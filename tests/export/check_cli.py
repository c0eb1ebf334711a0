#!/usr/bin/python3
"""brenmoor-convert export as a script meets it: the folder made where missing, the
completion on stdout with status 0, failures on stderr with status 1, a PST store without
some contacts with status 3, the PST store's path before the completion; and the files in
the folder always whole and from one run, also when a run fails, is killed, or runs
beside another.

    check_cli.py CONVERT BOOK
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

HEAD = "<?xml version='1.0' encoding='utf-8'?>\n<database xmlns='http://www.lotus.com/dxl' version='8.5'>\n"


def convert(*args):
    done = subprocess.run([CONVERT, "export", *args], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


def person(first, last, comment=""):
    return ("<document form='Person'><item name='FirstName'><text>%s</text></item>"
            "<item name='LastName'><text>%s</text></item><item name='Comment'><text>%s</text></item>"
            "</document>\n" % (first, last, comment))


def write_book(path, documents):
    with open(path, "w", encoding="utf-8") as f:
        f.write(HEAD + "".join(documents) + "</database>\n")
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


def names(folder):
    return sorted(os.listdir(folder))


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
    assert status == 2 and all(f"\n            {word} " in err for word in
                               ("pst", "csv", "vcard", "html", "txt", "vcard3", "vcard4", "ldif", "outlook-csv")), \
        (status, out, err)
    assert "3  pst only: the store was written, but some contacts could not be" in err, err

    store_folder = os.path.join(tmp, "pst")
    status, out, err = convert("pst", BOOK, store_folder)
    lines = out.splitlines()
    assert status == 0 and lines[-1] == "Conversion Process Completed", (status, out, err)
    assert len(lines) == 2 and os.path.dirname(lines[0]) == store_folder, lines
    assert lines[0].endswith(".pst") and os.path.getsize(lines[0]) > 0, lines

# A PST export of a book that breaks after two contacts keeps those two and says so
# with status 3; of a book that cannot be read at all, it fails, and its store is gone.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    broken = "<document form='Person'><item name='FirstName'><text>x</txt></item></document>\n"
    late = write_book(os.path.join(tmp, "late.dxl"), [person("Ann", "Lee"), person("Bob", "Ray"), broken])
    early = write_book(os.path.join(tmp, "early.dxl"), [broken, person("Ann", "Lee")])
    folder = os.path.join(tmp, "out")
    os.mkdir(folder)
    with open(os.path.join(folder, "earlier.pst"), "w") as f:
        f.write("earlier")

    status, out, err = convert("pst", late, folder)
    assert status == 3, (status, out, err)
    assert out.splitlines()[-1] == "Conversion Process Completed", out
    assert "could not be read after contact 2" in err and late in err, err
    os.remove(out.splitlines()[0])

    status, out, err = convert("pst", early, folder)
    assert status == 1 and out == "", (status, out, err)
    assert err.startswith("The export stopped before any contact was exported.\n"), err
    assert early in err and "mismatched tag" in err and ".pst was not written" in err, err
    assert names(folder) == ["earlier.pst"], names(folder)
    assert read(os.path.join(folder, "earlier.pst")) == b"earlier"

# Two exports into one folder at once: each file is whole and from one of the runs.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    books = [write_book(os.path.join(tmp, "%s.dxl" % tag),
                        [person("%s%d" % (tag, i), "Lee", "x" * 200) for i in range(50000)])
             for tag in ("one", "two")]
    wanted = []
    for book in books:
        alone = os.path.join(tmp, "alone-" + os.path.basename(book))
        assert convert("csv", book, alone)[0] == 0
        wanted.append(read(os.path.join(alone, "Qalder_Notes_Contact.csv")))
    shared = os.path.join(tmp, "shared")
    for attempt in range(3):
        runs = [subprocess.Popen([CONVERT, "export", "csv", book, shared], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE) for book in books]
        for run in runs:
            assert run.wait() == 0, run.stderr.read()
            run.stderr.close()
        assert read(os.path.join(shared, "Qalder_Notes_Contact.csv")) in wanted, "a CSV of two runs"
        assert names(shared) == ["Qalder_Notes_Contact.csv"], names(shared)

# An export killed half-way leaves the earlier file as it was (and at most a hidden
# temporary file), never a short file under the final name.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    book = write_book(os.path.join(tmp, "big.dxl"),
                      [person("A%d" % i, "Lee", "x" * 200) for i in range(200000)])
    folder = os.path.join(tmp, "out")
    os.mkdir(folder)
    target = os.path.join(folder, "Qalder_Notes_Contact.csv")
    with open(target, "w") as f:
        f.write("earlier")
    run = subprocess.Popen([CONVERT, "export", "csv", book, folder], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    time.sleep(0.3)
    run.send_signal(signal.SIGKILL)
    run.wait()
    content = read(target)
    assert content == b"earlier" or content.count(b"\r\n") == 200001, content[:80]
    for name in names(folder):
        assert name == "Qalder_Notes_Contact.csv" or name.startswith(".Qalder_Notes_Contact.csv."), name
print("brenmoor-convert export: statuses, streams, folders and whole files as expected")
