#!/usr/bin/python3
"""brenmoor-convert export as a script meets it: the folder made where missing, the
completion on stdout with status 0, failures on stderr with status 1, a PST store without
some contacts with status 3, the PST store's path before the completion; and the files in
the folder always whole and from one run, also when a run fails, is killed, or runs
beside another. Batches of books: the report's rows, the worst status, --skip-done after
killed batches, each book's own folder, hostile books and report places, a mapping of
books to people, shards merged, the job-engine recipes of data/. A book of every kind of markup around its documents (comments,
processing instructions, CDATA, <folder> notes, a document that declares a namespace)
exported whole in every format, and shown.

    check_cli.py CONVERT BOOK GENERATOR
"""
import base64
import csv
import fcntl
import glob
import hashlib
import io
import json
import os
import re
import resource
import shutil
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


def visible(folder):
    return [name for name in names(folder) if not name.startswith(".")]


# A book's subfolder in a batch: its file name, a dash and 12 hex digits of the SHA-256
# of its absolute path, whatever the list and the run.
def book_folder(path):
    stem = os.path.splitext(os.path.basename(path))[0]
    return stem + "-" + hashlib.sha256(os.path.abspath(path).encode()).hexdigest()[:12]


def csv_records(path, encoding):
    with open(path, newline="", encoding=encoding) as f:
        return len(list(csv.reader(f))) - 1  # the header


def count_lines(path, prefix):
    with open(path, "rb") as f:
        return sum(1 for line in f if line.startswith(prefix))


# How many contacts each format wrote into the folder.
CONTACTS_WRITTEN = {
    "csv": lambda folder: csv_records(os.path.join(folder, "Qalder_Notes_Contact.csv"), "utf-8"),
    "txt": lambda folder: len(glob.glob(os.path.join(folder, "*.txt"))),
    "html": lambda folder: len(glob.glob(os.path.join(folder, "*.html"))),
    "vcard": lambda folder: count_lines(os.path.join(folder, "Qalder_Notes_Contact.vcf"), b"BEGIN:VCARD"),
    "vcard3": lambda folder: count_lines(os.path.join(folder, "Qalder_Notes_Contact_v3.vcf"), b"BEGIN:VCARD"),
    "vcard4": lambda folder: count_lines(os.path.join(folder, "Qalder_Notes_Contact_v4.vcf"), b"BEGIN:VCARD"),
    "ldif": lambda folder: count_lines(os.path.join(folder, "Qalder_Notes_Contact.ldif"), b"dn:"),
    "outlook-csv": lambda folder: csv_records(os.path.join(folder, "Qalder_Notes_Contact_Outlook.csv"), "utf-8-sig"),
    "google-csv": lambda folder: sum(csv_records(path, "utf-8") for path in
                                     glob.glob(os.path.join(folder, "Qalder_Notes_Contact_Google*.csv"))),
    # Status 0 says the store holds every contact (3 would say some are missing).
    "pst": lambda folder: CONTACTS if len(glob.glob(os.path.join(folder, "*.pst"))) == 1 else 0,
}

CONVERT, BOOK, GENERATOR = sys.argv[1:]

# --split and --max-file-bytes: the format, the options, the unsplit file's name, and the
# most cards and bytes a file may hold (a file of one card may be larger).
SPLITS = [
    ("vcard3", ["--split", "cards"], "Qalder_Notes_Contact_v3.vcf", 1, None),
    ("vcard4", ["--split", "40"], "Qalder_Notes_Contact_v4.vcf", 40, None),
    ("vcard", ["--max-file-bytes", "3000"], "Qalder_Notes_Contact.vcf", None, 3000),
    ("vcard3", ["--split", "25", "--max-file-bytes", "20000"], "Qalder_Notes_Contact_v3.vcf", 25, 20000),
]


def check_split(book, tmp, fmt, options, whole_name, most_cards, most_bytes):
    """The split files, in their order, hold the unsplit file's cards byte for byte, none
    lost or twice; each within its limits and read whole by vobject."""
    import vobject
    whole, parts = os.path.join(tmp, fmt + "-whole"), os.path.join(tmp, fmt + "-" + "-".join(options))
    assert convert(fmt, book, whole)[0] == 0
    status, out, err = convert(fmt, book, parts, *options)
    assert status == 0 and out.endswith("Conversion Process Completed\n"), (fmt, options, status, err)
    names = visible(parts)
    stem = re.escape(os.path.splitext(whole_name)[0])
    if most_cards == 1:  # a file per contact named as the TXT pages, the lists in a file after them
        lists = [n for n in names if n.endswith("_lists.vcf")]
        names = sorted(set(names) - set(lists), key=lambda n: int(re.search(r"_(\d+)\.vcf$", n).group(1))) + lists
    else:
        assert all(re.fullmatch(stem + r"_\d+\.vcf", n) for n in names), names
        names.sort(key=lambda n: int(re.search(r"_(\d+)\.vcf$", n).group(1)))
        assert names[0] == os.path.splitext(whole_name)[0] + "_1.vcf", names
    joined = b""
    files = []
    for name in names:
        with open(os.path.join(parts, name), "rb") as f:
            raw = f.read()
        cards = list(vobject.readComponents(raw.decode("utf-8")))
        assert cards and (not most_cards or name.endswith("_lists.vcf") or len(cards) <= most_cards), (name, len(cards))
        assert not most_bytes or len(raw) <= most_bytes or len(cards) == 1, (name, len(raw))
        files.append((name, raw, len(cards)))
        joined += raw
    # Only the last file may be short of N cards, or one whose next card would pass the bytes.
    for (name, raw, count), (_, following, _) in zip(files, files[1:]):
        if most_cards and most_cards > 1:
            next_card = following[:following.index(b"END:VCARD\r\n") + len(b"END:VCARD\r\n")]
            assert count == most_cards or (most_bytes and len(raw) + len(next_card) > most_bytes), (name, count)
    with open(os.path.join(whole, whole_name), "rb") as f:
        assert joined == f.read(), (fmt, options, "the split files are not the unsplit file")
    assert "shared out over %d files, %s to %s." % (len(names), names[0], names[-1]) in err, err

# A book of 700 KB with markup of every kind between and inside its documents, one of
# them declaring a namespace, so that counting and show take the full parse.
CONTACTS = 170
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    book = os.path.join(tmp, "markup.dxl")
    subprocess.run([sys.executable, GENERATOR, str(CONTACTS), book, "--markup"], check=True)
    for fmt, written in CONTACTS_WRITTEN.items():
        folder = os.path.join(tmp, fmt)
        status, out, err = convert(fmt, book, folder)
        assert status == 0 and out.endswith("Conversion Process Completed\n"), (fmt, status, out, err)
        assert err.startswith("Contacts written: %d\n" % CONTACTS), (fmt, err)
        assert written(folder) == CONTACTS, (fmt, written(folder))
    for row in SPLITS:
        check_split(book, tmp, *row)
    for options, message in ((["--split", "0"], "--split takes cards"), (["--split", "x"], "--split's N"),
                             (["--max-file-bytes", "1k"], "--max-file-bytes takes"),
                             (["--split", "2"], "are for vcard, vcard3 and vcard4, not csv")):
        status, out, err = convert("vcard3,csv", book, os.path.join(tmp, "refused"), *options)
        assert status == 2 and message in err and not os.path.exists(os.path.join(tmp, "refused")), (options, err)
    listed = subprocess.run([CONVERT, "list", book], capture_output=True, text=True)
    assert listed.returncode == 0 and len(listed.stdout.splitlines()) == CONTACTS, (listed.returncode, listed.stderr)
    for n in (1, (CONTACTS + 1) // 2, CONTACTS):
        shown = subprocess.run([CONVERT, "show", book, str(n)], capture_output=True, text=True)
        assert shown.returncode == 0 and len(shown.stdout.splitlines()) == 48, (n, shown.returncode, shown.stderr)
        assert "<R&D> ]]>" in shown.stdout, (n, shown.stdout)
    shown = subprocess.run([CONVERT, "show", book, str(CONTACTS + 1)], capture_output=True, text=True)
    assert shown.returncode == 1, (shown.returncode, shown.stdout, shown.stderr)
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    nested = os.path.join(tmp, "a", "b")
    status, out, err = convert("csv", BOOK, nested)
    assert (status, out) == (0, "Conversion Process Completed\n") and err.startswith("Contacts written: "), \
        (status, out, err)
    assert os.listdir(nested) == ["Qalder_Notes_Contact.csv"]

    missing = os.path.join(tmp, "missing.dxl")
    status, out, err = convert("vcard", missing, tmp)
    assert status == 1 and out == "" and missing in err, (status, out, err)

    blocker = os.path.join(tmp, "blocker")
    open(blocker, "w").close()
    status, out, err = convert("txt", BOOK, blocker)
    assert status == 1 and out == "" and blocker in err, (status, out, err)

    status, out, err = convert("csv,xls", BOOK, tmp)
    assert status == 2 and "unknown format: xls (the formats: pst, csv, vcard, html, txt, vcard3, vcard4, " \
        "ldif, outlook-csv, google-csv)" in err, (status, out, err)

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

    # A split export that fails after two files were filled puts none in place, leaves no
    # temporary file, and keeps the file of an earlier run at the first one's name.
    with open(os.path.join(folder, "Qalder_Notes_Contact_v3_1.vcf"), "w") as f:
        f.write("earlier")
    for options in (["--split", "1"], ["--split", "cards"]):
        status, out, err = convert("vcard3", late, folder, *options)
        assert status == 1 and out == "", (options, status, out, err)
        assert names(folder) == ["Qalder_Notes_Contact_v3_1.vcf", "earlier.pst"], (options, names(folder))
    assert read(os.path.join(folder, "Qalder_Notes_Contact_v3_1.vcf")) == b"earlier"

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

    # A PST export killed half-way leaves no file at all: the store has no name until
    # it is complete.
    store_folder = os.path.join(tmp, "killed")
    os.mkdir(store_folder)
    run = subprocess.Popen([CONVERT, "export", "pst", book, store_folder], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    assert run.poll() is None, "the PST export ended before it could be killed"
    run.send_signal(signal.SIGKILL)
    run.wait()
    assert names(store_folder) == [], names(store_folder)

    # What a killed run left under a temporary name goes with the next run in the folder;
    # a temporary file in use, an empty one and names not of our pattern stay.
    stale = ".names101520.pst.0123456789ab.tmp"
    kept = [".names101521.pst.0123456789ab.tmp", ".Qalder_Notes_Contact.csv.abcdef012345.tmp",
            ".names.pst.0123456789AB.tmp", "names.pst.0123456789ab.tmp", ".notes.0123.tmp"]
    for name in [stale] + kept[1:]:
        with open(os.path.join(store_folder, name), "w") as f:
            f.write("" if name.startswith(".Qalder") else "left")
    with open(os.path.join(store_folder, kept[0]), "w") as in_use:
        in_use.write("in use")
        in_use.flush()
        fcntl.flock(in_use, fcntl.LOCK_EX)
        assert convert("csv", BOOK, store_folder)[0] == 0
    assert names(store_folder) == sorted(kept + ["Qalder_Notes_Contact.csv"]), names(store_folder)

# Batches: a row per book and format, each book in its own subfolder, the worst status.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    broken_tail = "<document form='Person'><item name='FirstName'><text>x</txt></item></document>\n"
    conflict = ("<document form='Person'><item name='$Conflict'><text/></item>"
                "<item name='FirstName'><text>Ann</text></item><item name='LastName'><text>Lee</text></item></document>\n")
    books = {
        "good": write_book(os.path.join(tmp, "good.dxl"), [person("Ann", "Lee"), person("Bob", "Ray"), person("Cy", "Oh")]),
        "empty": write_book(os.path.join(tmp, "empty.dxl"), []),
        "broken": write_book(os.path.join(tmp, "broken.dxl"), [person("Ann", "Lee"), person("Bob", "Ray"), broken_tail]),
        "conflict": write_book(os.path.join(tmp, "conflict.dxl"), [person("Ann", "Lee"), conflict]),
        "missing": os.path.join(tmp, "missing.dxl"),
        "garbage": os.path.join(tmp, "garbage.dxl"),
    }
    with open(books["garbage"], "w") as f:
        f.write("not an address book\n")
    os.mkdir(os.path.join(tmp, "again"))
    books["good_2"] = write_book(os.path.join(tmp, "again", "good.dxl"), [person("Dee", "Ng")])

    # (book, format): status, contacts found, contacts written, files in the book's subfolder
    expected = {
        ("good", "pst"): ("done", 3, 3), ("good", "csv"): ("done", 3, 3),
        ("empty", "pst"): ("done", 0, 0), ("empty", "csv"): ("done", 0, 0),
        ("broken", "pst"): ("skipped-contacts", 3, 2), ("broken", "csv"): ("failed", 3, 0),
        ("conflict", "pst"): ("done", 1, 1), ("conflict", "csv"): ("done", 1, 1),
        ("missing", "pst"): ("failed", None, None), ("missing", "csv"): ("failed", None, None),
        ("garbage", "pst"): ("failed", None, 0), ("garbage", "csv"): ("failed", None, 0),
        ("good_2", "pst"): ("done", 1, 1), ("good_2", "csv"): ("done", 1, 1),
    }
    folder = os.path.join(tmp, "out")
    report_json = os.path.join(tmp, "report.json")
    order = ["good", "empty", "broken", "conflict", "missing", "garbage", "good_2"]
    # Options anywhere after the command word.
    status, out, err = convert("-j", "2", "pst,csv", *[books[b] for b in order[:3]], "--report-json", report_json,
                               *[books[b] for b in order[3:]], folder)
    assert status == 1, (status, out, err)
    assert out.startswith("7 books, 14 exports: 8 done, 1 skipped-contacts, 5 failed;"), out
    assert books["missing"] in err and books["broken"] in err, err
    with open(os.path.join(folder, "brenmoor-report.csv"), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    with open(report_json, encoding="utf-8") as f:
        from_json = json.load(f)
    assert [{k: "" if v is None else str(v) for k, v in r.items() if k != "seconds"} for r in from_json] == \
        [{k: v for k, v in r.items() if k != "seconds"} for r in rows], (from_json, rows)
    assert [(r["book"], r["format"]) for r in rows] == [(books[b], f) for b in order for f in ("pst", "csv")]
    tags = {path: tag for tag, path in books.items()}
    for row in rows:
        tag = tags[row["book"]]
        assert row["folder"] == book_folder(row["book"]), row
        state, found, written = expected[(tag, row["format"])]
        assert (row["status"], row["contacts_found"], row["contacts_written"]) == \
            (state, "" if found is None else str(found), "" if written is None else str(written)), row
        if tag == "missing":
            assert row["size"] == row["sha256"] == "" and not os.path.exists(os.path.join(folder, row["folder"])), row
            continue
        if tag == "garbage":  # read and failed: no empty subfolder left behind
            assert row["outputs"] == "" and not os.path.exists(os.path.join(folder, row["folder"])), row
            continue
        assert row["sha256"] == hashlib.sha256(read(books[tag])).hexdigest(), row
        assert row["documents_skipped"] == ("1 conflict" if tag == "conflict" else ""), row
        assert row["size"] == str(os.path.getsize(books[tag])), row
        for output in filter(None, row["outputs"].split("; ")):
            name, size = output[:-len(" bytes)")].split(" (")
            assert os.path.getsize(os.path.join(folder, row["folder"], name)) == int(size), (row, output)
    assert "Qalder_Notes_Contact.csv" not in names(os.path.join(folder, book_folder(books["broken"])))

    # The exit status is the worst of all books: 1, then 3, then 0.
    for tags, formats, want in [(["good", "empty"], "pst,csv", 0), (["good", "broken"], "pst", 3),
                                (["broken", "good"], "pst,csv", 1), (["conflict"], "csv", 0)]:
        lst = os.path.join(tmp, "list")
        with open(lst, "w") as f:
            f.write("".join(books[t] + "\n" for t in tags) + "\n")
        got = convert(formats, "--from", lst, os.path.join(tmp, "status-%d" % want))
        assert got[0] == want, (tags, formats, got)
    # --from - reads the list from standard input.
    done = subprocess.run([CONVERT, "export", "csv", "--from", "-", os.path.join(tmp, "stdin")],
                          input=books["good"] + "\n", capture_output=True, text=True)
    assert done.returncode == 0 and \
        visible(os.path.join(tmp, "stdin", book_folder(books["good"]))) == ["Qalder_Notes_Contact.csv"]

# A full disk during a one-file-per-contact export (a file size limit stands in for it:
# the third contact's page is larger than the limit): the pages before it are whole,
# the earlier page at its name is kept as it was, and no page is half-written.
def full_disk():
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (32768, resource.RLIM_INFINITY))


with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    book = write_book(os.path.join(tmp, "big.dxl"), [person("Ann", "Lee"), person("Bob", "Ray"),
                                                     person("Cy", "Doe", "x" * 65536), person("Di", "Ng")])
    folder = os.path.join(tmp, "out")
    big = os.path.join(folder, book_folder(book))
    for extension in ("txt", "html"):
        os.makedirs(big, exist_ok=True)
        with open(os.path.join(big, "CyDoe_3." + extension), "w") as f:
            f.write("earlier")
    done = subprocess.run([CONVERT, "export", "txt,html", "--report-json", os.path.join(tmp, "r.json"), book, folder],
                          capture_output=True, text=True, preexec_fn=full_disk)
    assert done.returncode == 1, done
    with open(os.path.join(tmp, "r.json")) as f:
        rows = json.load(f)
    assert [(r["format"], r["status"]) for r in rows] == [("txt", "failed"), ("html", "failed")], rows
    assert all("File too large" in r["message"] and "CyDoe_3." + r["format"] in r["message"] for r in rows), rows
    assert visible(big) == ["AnnLee_1.html", "AnnLee_1.txt", "BobRay_2.html", "BobRay_2.txt",
                            "CyDoe_3.html", "CyDoe_3.txt"], names(big)
    for name in visible(big):
        page = read(os.path.join(big, name))
        if name.startswith("CyDoe"):
            assert page == b"earlier", name
        elif name.endswith(".html"):
            assert page.endswith(b"</body></html>\r\n"), name
        else:
            assert page.count(b" \r\n") == 45, name

# --only and --category pick contacts, in single and batch exports; the pages keep the
# contacts' positions in the book.
def categorised(first, categories):
    values = "".join("<text>%s</text>" % c for c in categories)
    return ("<document form='Person'><item name='FirstName'><text>%s</text></item>"
            "<item name='Categories'><textlist>%s</textlist></item></document>\n" % (first, values))


with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    book = write_book(os.path.join(tmp, "cats.dxl"), [categorised("Ann", ["Work", "Family"]),
                                                      categorised("Bob", ["Family"]), categorised("Cy", [" work "])])
    other = write_book(os.path.join(tmp, "other.dxl"), [categorised("Dee", ["Family"])])
    # options, status, first names in the CSV (None: no CSV written)
    for n, (options, want, firsts) in enumerate([
            (["--only", "1,3"], 0, ["Ann", "Cy"]),
            (["--only", "3,1-2,2"], 0, ["Ann", "Bob", "Cy"]),
            (["--category", "WORK"], 0, ["Ann", "Cy"]),
            (["--only", "2-3", "--category", "work"], 0, ["Cy"]),
            (["--category", "Friends"], 0, None),
            (["--only", "2,9"], 1, None),
            (["--only", "0"], 2, None), (["--only", "3-1"], 2, None), (["--only", "1,,2"], 2, None)]):
        folder = os.path.join(tmp, "single%d" % n)
        status, out, err = convert("csv", book, folder, *options)
        assert status == want, (options, status, out, err)
        if want == 1:
            assert "contact number out of range: 9" in err and book in err, err
        target = os.path.join(folder, "Qalder_Notes_Contact.csv")
        if firsts is None:
            assert not os.path.exists(target), options
            continue
        with open(target, newline="", encoding="utf-8") as f:
            assert [r["First Name"] for r in csv.DictReader(f)] == firsts, options
    folder = os.path.join(tmp, "batch")
    status, out, err = convert("txt", "--category", "work", book, other, folder)
    assert status == 0, (status, out, err)
    assert visible(os.path.join(folder, book_folder(book))) == ["Ann_1.txt", "Cy_3.txt"]
    assert not os.path.exists(os.path.join(folder, book_folder(other)))
    with open(os.path.join(folder, "brenmoor-report.csv"), newline="") as f:
        rows = list(csv.DictReader(f))
    assert [(r["status"], r["contacts_written"]) for r in rows] == [("done", "2"), ("done", "0")], rows

# A batch killed half-way and run again with --skip-done converts only what was not
# done; every output is whole, and the report has one row per book and format.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    books = [write_book(os.path.join(tmp, "b%d.dxl" % n), [person("A%d" % i, "Lee", "x" * 200) for i in range(40000)])
             for n in range(6)]
    folder = os.path.join(tmp, "out")
    report = os.path.join(folder, "brenmoor-report.csv")
    run = subprocess.Popen([CONVERT, "export", "-j", "1", "csv", *books, folder], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    deadline = time.time() + 60
    while time.time() < deadline and (not os.path.exists(report) or read(report).count(b"\n") < 2):
        time.sleep(0.01)
    run.send_signal(signal.SIGKILL)
    run.wait()
    with open(report, newline="") as f:
        first = list(csv.DictReader(f))
    assert 1 <= len(first) < len(books) - 1, first
    # Killed again, now a --skip-done run: the report keeps every row it had and gains one
    # per book this run ended.
    run = subprocess.Popen([CONVERT, "export", "-j", "1", "--skip-done", "csv", *books, folder],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while time.time() < deadline and read(report).count(b"\n") < len(first) + 2:
        time.sleep(0.01)
    run.send_signal(signal.SIGKILL)
    run.wait()
    with open(report, newline="") as f:
        second = list(csv.DictReader(f))
    assert second[:len(first)] == first and len(second) == len(first) + 1, second
    status, out, err = convert("csv", "--skip-done", *books, folder)
    left = len(books) - len(second)
    assert status == 0 and ("%d done, %d done before; %d contacts written" % (left, len(second), 40000 * left)) \
        in out, (status, out, err)
    with open(report, newline="") as f:
        rows = list(csv.DictReader(f))
    assert [r["book"] for r in rows] == books and all(r["status"] == "done" for r in rows), rows
    assert rows[:len(second)] == second, "a done book was converted again"
    for n in range(len(books)):
        assert read(os.path.join(folder, book_folder(books[n]), "Qalder_Notes_Contact.csv")).count(b"\r\n") == 40001
    # Done means done with the same contacts picked: other picks are converted anew.
    status, out, err = convert("csv", "--skip-done", "--only", "2", *books[:2], folder)
    assert status == 0 and "done before" not in out, (status, out, err)
    with open(report, newline="") as f:
        rows = list(csv.DictReader(f))
    assert [r["contacts"] for r in rows] == ["all"] * len(books) + ["contacts 2"] * 2, rows
# Books of one file name in different folders each keep a folder of their own, whatever
# the list's order; what is no regular file (a device, a pipe, a link to a device) fails
# at once, as a book and as the report; a subfolder planted as a link is never followed;
# report cells that a spreadsheet would run as formulas are written as text.
def unid(n):
    return "<noteinfo unid='%032X'/>" % n


def mailed(first, address, note_id, item="MailAddress"):
    return ("<document form='Person'>%s<item name='FirstName'><text>%s</text></item>"
            "<item name='%s'><text>%s</text></item></document>\n" % (unid(note_id), first, item, address))


# A report's rows as two runs of the same books into different folders give them:
# without the seconds, the folder of the run, and the time of day a PST store's name holds.
def comparable(text):
    def same(value):
        return re.sub(r'names\d{6}\.pst', "names.pst", re.sub(r'"[^"]*/([^"/]+-[0-9a-f]{12})"', r'"\1"', value))
    return [{k: same(v) for k, v in r.items() if k != "seconds"} for r in csv.DictReader(io.StringIO(text))]


def report_rows(path):
    with open(path, newline="", encoding="utf-8") as f:
        return comparable(f.read())


with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    same = []
    for d in ("a", "b", "c"):
        os.mkdir(os.path.join(tmp, d))
        same.append(write_book(os.path.join(tmp, d, "names.dxl"), [person("%s%d" % (d, i), "Lee") for i in range(3)]))
    folder = os.path.join(tmp, "out")
    for run, listed in enumerate([same, same[::-1], same[1:]]):
        status, out, err = convert("csv", *(["--skip-done"] if run == 2 else []), *listed, folder)
        assert status == 0, (status, out, err)
        for book in same:
            with open(os.path.join(folder, book_folder(book), "Qalder_Notes_Contact.csv"), newline="") as f:
                d = os.path.basename(os.path.dirname(book))
                assert [r["First Name"] for r in csv.DictReader(f)] == [d + str(i) for i in range(3)], (run, book)
    assert "2 done before" in out and sorted(visible(folder)) == sorted(
        [book_folder(b) for b in same] + ["brenmoor-report.csv"]), (out, visible(folder))
    # A run over part of the list, without --skip-done too, keeps the other books' rows.
    status, out, err = convert("csv", same[0], folder)
    rows = report_rows(os.path.join(folder, "brenmoor-report.csv"))
    assert status == 0 and sorted(r["book"] for r in rows) == sorted(same), (status, err, rows)

    # Hostile places: each case a book list (or the report's place) and what the run says.
    os.mkfifo(os.path.join(tmp, "fifo.dxl"))
    os.symlink("/dev/zero", os.path.join(tmp, "zero.dxl"))
    formula = write_book(os.path.join(tmp, "=HYPERLINK(1).dxl"), [person("=1+2", "@Lee")])
    planted = os.path.join(folder, book_folder(same[0]) + "-planted")
    elsewhere = os.path.join(tmp, "elsewhere")
    os.mkdir(elsewhere)
    for books, report_place, want in [
            (["/dev/zero", same[0]], None, "is not a regular file"),
            ([os.path.join(tmp, "fifo.dxl"), same[0]], None, "is not a regular file"),
            ([os.path.join(tmp, "zero.dxl"), same[0]], None, "is not a regular file"),
            (same[:2], "fifo", "not a regular file"),
            (same[:2], "/dev/zero", "not a regular file")]:
        where = os.path.join(tmp, "hostile")
        shutil.rmtree(where, ignore_errors=True)
        os.mkdir(where)
        if report_place == "fifo":
            os.mkfifo(os.path.join(where, "brenmoor-report.csv"))
        elif report_place:
            os.symlink(report_place, os.path.join(where, "brenmoor-report.csv"))
        done = subprocess.run([CONVERT, "export", "csv", *books, where], capture_output=True, text=True, timeout=20)
        assert done.returncode == 1 and want in done.stderr, (books, report_place, done)
        if not report_place:  # the good book of the list is converted all the same
            assert "1 done, 1 failed" in done.stdout, done.stdout
    done = subprocess.run([CONVERT, "export", "csv", "/dev/zero", tmp], capture_output=True, text=True, timeout=20)
    assert done.returncode == 1 and "not a regular file" in done.stderr, done
    done = subprocess.run([CONVERT, "export", "csv", "--from", "/dev/zero", tmp], capture_output=True, text=True,
                          timeout=20)
    assert done.returncode == 1 and "neither a file nor a pipe" in done.stderr, done
    done = subprocess.run(["bash", "-c", '"$0" export csv --from <(echo "$1") "$2"', CONVERT, same[1],
                           os.path.join(tmp, "piped")], capture_output=True, text=True, timeout=20)
    assert done.returncode == 0 and "1 done" in done.stdout, done  # a list may come through a pipe

    # A link planted where a book's subfolder goes is refused, and nothing goes through it.
    os.rename(os.path.join(folder, book_folder(same[0])), planted)
    os.symlink(elsewhere, os.path.join(folder, book_folder(same[0])))
    status, out, err = convert("csv", same[0], formula, folder)
    assert status == 1 and "is a symbolic link" in err and os.listdir(elsewhere) == [], (status, out, err)
    # Cells that begin with = + - @ get an apostrophe in the report, not in the JSON or the contacts' files.
    done = subprocess.run([CONVERT, "export", "csv", "--report-json", "r.json", os.path.basename(formula), "out2"],
                          cwd=tmp, capture_output=True, text=True)
    assert done.returncode == 0, done
    assert b"\r\n'=HYPERLINK(1).dxl," in read(os.path.join(tmp, "out2", "brenmoor-report.csv"))
    with open(os.path.join(tmp, "r.json")) as f:
        assert json.load(f)[0]["book"] == "=HYPERLINK(1).dxl"
    assert report_rows(os.path.join(tmp, "out2", "brenmoor-report.csv"))[0]["book"] == "'=HYPERLINK(1).dxl"
    contacts = read(os.path.join(tmp, "out2", book_folder(os.path.join(tmp, "=HYPERLINK(1).dxl")),
                                 "Qalder_Notes_Contact.csv"))
    assert b"\r\n=1+2,," in contacts and b"'" not in contacts, contacts

# A mapping of 40 books (a few broken) to people, converted in one run and in four shards
# as separate processes (by the Slurm script, the GNU parallel line and the Kubernetes
# Job of data/): merged, the shards' reports give the one run's rows; a missing shard's
# books are named. The mapping's columns reach the report; the Microsoft 365 mapping has
# a row per PST made; contacts found in two books are listed.
recipes = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    books = []
    for n in range(40):
        path = os.path.join(tmp, "dir%d" % (n % 3), "names%d.dxl" % (n % 7))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if os.path.exists(path):
            path = path[:-4] + "_%d.dxl" % n
        books.append(write_book(path, [mailed("P%d_%d" % (n, i), "p%d.%d@example.com" % (n, i), 1000 * n + i)
                                       for i in range(3)]))
    write_book(books[0], [mailed("Ann", "ann@example.com", 7), mailed("Bo", "bo@example.com", 8)])
    write_book(books[1], [mailed("Ann", "other@example.com", 7), mailed("Bob", "BO@example.com", 9, "InternetAddress")])
    books[5] = os.path.join(tmp, "missing.dxl")
    with open(books[17], "w") as f:
        f.write("not an address book\n")
    books[33] = "/dev/zero"
    write_book(books[22], [mailed("Cy", "cy@example.com", 22), broken_tail])
    mapping = os.path.join(tmp, "mapping.csv")
    with open(mapping, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["book", "mailbox", "user", "display_name", "carddav_url"])
        for n, book in enumerate(books):
            w.writerow([book, "u%d@example.com" % n if n % 4 else "", "user%d" % n, "User, %d" % n,
                        "https://dav.example.com/u%d/" % n])
    one = os.path.join(tmp, "one")
    status, out, err = convert("pst", "--from", mapping, "--report-json", os.path.join(tmp, "one.json"),
                               "--m365-mapping", os.path.join(tmp, "m365.csv"),
                               "--duplicates-report", os.path.join(tmp, "dups.csv"), one)
    assert status == 1 and out.startswith("40 books, 40 exports: 36 done, 1 skipped-contacts, 3 failed;"), (status, out, err)
    whole = report_rows(os.path.join(one, "brenmoor-report.csv"))
    assert [(r["book"], r["mailbox"], r["user"], r["display_name"], r["carddav_url"]) for r in whole] == \
        [(b, "u%d@example.com" % n if n % 4 else "", "user%d" % n, "User, %d" % n, "https://dav.example.com/u%d/" % n)
         for n, b in enumerate(books)], whole
    with open(os.path.join(tmp, "one.json")) as f:
        assert [r["display_name"] for r in json.load(f)] == ["User, %d" % n for n in range(40)]
    with open(os.path.join(tmp, "m365.csv"), newline="") as f:
        m365 = list(csv.reader(f))
    assert m365[0] == ["Workload", "FilePath", "Name", "Mailbox", "IsArchive", "TargetRootFolder", "ContentCodePage",
                       "SPFileContainer", "SPManifestContainer", "SPSiteUrl"], m365[0]
    made = [r for r in whole if r["status"] in ("done", "skipped-contacts")]
    assert len(m365) == 1 + len(made), m365
    for row, r in zip(m365[1:], made):
        assert row[:2] == ["Exchange", r["folder"]] and os.path.isfile(os.path.join(one, row[1], row[2])), row
        assert row[3:6] == [r["mailbox"] or r["user"], "FALSE", "/Imported Notes Contacts"], row
    with open(os.path.join(tmp, "dups.csv"), newline="") as f:
        dups = [tuple(r) for r in csv.reader(f)]
    assert dups == [("shared", "value", "book", "position", "name"),
                    ("email", "bo@example.com", books[0], "2", "Bo"), ("email", "bo@example.com", books[1], "2", "Bob"),
                    ("unid", "%032X" % 7, books[0], "1", "Ann"), ("unid", "%032X" % 7, books[1], "1", "Ann")], dups

    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(CONVERT)) + ":" + os.environ["PATH"],
               LIST=mapping, FORMATS="pst")
    shards = [os.path.join(tmp, "slurm", "brenmoor-report-shard-%d-of-4.csv" % k) for k in (1, 2, 3, 4)]
    script = os.path.join(recipes, "brenmoor-slurm.sh")
    assert subprocess.run(["bash", "-n", script]).returncode == 0
    for task in range(4):  # the array's tasks, numbered from 1 here
        subprocess.run(["bash", script], cwd=tmp, capture_output=True, check=False,
                       env=dict(env, OUT="slurm", SLURM_ARRAY_TASK_ID=str(task + 1), SLURM_ARRAY_TASK_MIN="1",
                                SLURM_ARRAY_TASK_COUNT="4", SLURM_CPUS_PER_TASK="1"))
    merged = subprocess.run([CONVERT, "report", "merge", "--from", mapping, *shards], capture_output=True, text=True)
    assert merged.returncode == 1, merged
    assert comparable(merged.stdout) == whole, merged.stdout
    merged = subprocess.run([CONVERT, "report", "merge", "--from", mapping, *shards[:2], shards[3]],
                            capture_output=True, text=True)
    lost = [r for r in csv.DictReader(io.StringIO(merged.stdout)) if r["message"].startswith("No report holds")]
    assert merged.returncode == 1 and [r["book"] for r in lost] == books[2::4], merged
    assert all(b in merged.stderr for b in books[2::4]), merged.stderr

    script = os.path.join(recipes, "brenmoor-parallel.sh")
    assert subprocess.run(["bash", "-n", script]).returncode == 0
    if shutil.which("parallel"):
        done = subprocess.run(["bash", script], cwd=tmp, capture_output=True, text=True, env=dict(env, OUT="par"))
        assert done.returncode == 1, done
        assert report_rows(os.path.join(tmp, "par", "brenmoor-report-all.csv")) == whole
    manifest = os.path.join(recipes, "brenmoor-k8s-job.yaml")
    try:
        import yaml
        with open(manifest) as f:
            job = yaml.safe_load(f)
    except ImportError:  # a light check: the keys an Indexed Job needs
        text = open(manifest).read()
        assert all(key in text for key in ("kind: Job", "completionMode: Indexed", "completions: 4")), text
        job = None
    if job:
        assert job["kind"] == "Job" and job["spec"]["completionMode"] == "Indexed", job
        command = job["spec"]["template"]["spec"]["containers"][0]["command"]
        pods = job["spec"]["completions"]
        assert command[command.index("--shards") + 1] == str(pods), command
        command = [CONVERT] + [a.replace("/data/books.txt", mapping).replace("/data", tmp) for a in command[1:]]
        for index in range(pods):
            subprocess.run(command, capture_output=True, env=dict(os.environ, JOB_COMPLETION_INDEX=str(index)))
        merged = subprocess.run([CONVERT, "report", "merge", "--from", mapping,
                                 *glob.glob(os.path.join(tmp, "out", "brenmoor-report-shard-*-of-4.csv"))],
                                capture_output=True, text=True)
        assert comparable(merged.stdout) == whole, merged.stdout
    # Wrong shares are wrong usage.
    for options, environment in [(["--shard", "5/4"], {}), (["--shard", "0/4"], {}), (["--shards", "4"], {}),
                                 ([], {"JOB_COMPLETION_INDEX": "1"}), (["--shards", "2"], {"JOB_COMPLETION_INDEX": "2"})]:
        done = subprocess.run([CONVERT, "export", "csv", *options, "--from", mapping, os.path.join(tmp, "usage")],
                              capture_output=True, text=True, env=dict(os.environ, **environment))
        assert done.returncode == 2, (options, environment, done)
    # A mapping as a spreadsheet saves it (a byte order mark, spaces after the commas) reads, and a
    # book it names twice is converted once; two books of one output, or a column not known, are refused.
    for n, (text, want, says) in enumerate([
            ("\ufeffbook, mailbox\n%s,a@example.com\n%s,a@example.com\n" % (books[0], books[0]), 0, "more than once"),
            ("book,output\n%s,o\n%s,o\n" % (books[0], books[1]), 1, "is another book's already"),
            ("book,mail\n%s,a\n" % books[0], 1, 'the column "mail"')]):
        with open(mapping, "w", encoding="utf-8") as f:
            f.write(text)
        status, out, err = convert("csv", "--from", mapping, os.path.join(tmp, "map%d" % n))
        assert status == want and says in err and (want or out.startswith("1 book, 1 export: 1 done")), (text, out, err)

# The books of tests/data (every kind of document a names.nsf holds; mailing lists; photos
# and attached files): the run's summary on the error output, as each .json expects for
# each format, no secret of the book in any file, and the groups with their members as
# resolved.
data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
for book in ("real_book", "groups_book", "media_book", "long_tail_book"):
    with open(os.path.join(data, book + ".json"), encoding="utf-8") as f:
        expected = json.load(f)
    dxl = os.path.join(data, book + ".dxl")
    if "groups" in expected:
        groups = subprocess.run([CONVERT, "groups", dxl], capture_output=True, text=True)
        assert groups.returncode == 0 and groups.stdout.splitlines() == expected["groups"], (book, groups)
    with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
        for fmt in CONTACTS_WRITTEN:
            folder = os.path.join(tmp, fmt)
            status, out, err = convert(fmt, dxl, folder)
            # Attached files the book holds compressed or damaged are not written: status 3.
            assert status == expected.get("status", 0), (book, fmt, status, out, err)
            if fmt in expected.get("summaries", {}):
                assert err.splitlines() == expected["summaries"][fmt], (book, fmt, err)
            for name in os.listdir(folder):
                written = read(os.path.join(folder, name))
                for secret in expected.get("secrets", []):
                    for encoding in ("utf-8", "utf-16-le"):
                        assert secret.encode(encoding) not in written, (fmt, name, secret)
        # Some contacts picked: the lists that hold one, with those contacts; the others
        # left out and counted.
        for n, selection in enumerate(expected.get("selections", [])):
            folder = os.path.join(tmp, f"selection{n}")
            status, out, err = convert(selection["format"], *selection["args"], dxl, folder)
            assert status == 0 and err.splitlines() == selection["summary"], (book, selection, err)
            (name,) = os.listdir(folder)
            lines = read(os.path.join(folder, name)).decode().splitlines()
            assert [line for line in lines if line.startswith(("cn: ", "member: "))] == selection["entries"], lines

# attachments: every readable file of the book saved, byte for byte the original, in the
# contact's folder; the ones it cannot read named, with status 3. Run again into the same
# folder, nothing is overwritten: each file goes beside the first under the next free name.
with open(os.path.join(data, "media_book.json"), encoding="utf-8") as f:
    media = json.load(f)
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    folder = os.path.join(tmp, "files")
    for run in (1, 2):
        done = subprocess.run([CONVERT, "attachments", os.path.join(data, "media_book.dxl"), folder],
                              capture_output=True, text=True)
        assert done.returncode == 3, done
        assert "minutes.doc (LeeMarsh_3) is stored compressed" in done.stderr, done.stderr
        assert "UncompressAttachments" in done.stderr and "broken.bin" in done.stderr, done.stderr
        expected = {os.path.join(folder, contact, name): original
                    for contact, files in media["saved"].items() for name, original in files.items()}
        saved = done.stdout.splitlines()
        found = sum(1 for f in media["files"] if not f["name"].lower().endswith(".id"))
        assert saved[-1] == f"Files saved: {len(expected)} of {found}, from {len(media['saved'])} contacts", saved
        assert "idakey.id (IdaKey_5) is a Notes ID file" in done.stderr, done.stderr
        if run == 2:  # beside each file of the first run, under its next free name
            expected = {stem + "_2" + ext: original
                        for path, original in expected.items() for stem, ext in [os.path.splitext(path)]}
            assert all(line.endswith("was taken)") for line in saved[:-1]), saved
        assert sorted(line.split("\t")[0] for line in saved[:-1]) == sorted(expected), saved
        for path, original in expected.items():
            assert read(path) == read(os.path.join(data, "media_book_files", original)), path
    assert sorted(os.listdir(os.path.join(folder, "JaneDoe_1"))) == \
        ["ContactPhoto.jpg", "ContactPhoto_2.jpg", "contract.pdf", "contract_2.pdf", "diagram.png", "diagram_2.png"]

# A batch row says when a book's attached files could not all be written; the batch ends with 3.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    plain = write_book(os.path.join(tmp, "plain.dxl"), [person("Ann", "Lee")])
    status, out, err = convert("vcard4", plain, os.path.join(data, "media_book.dxl"), os.path.join(tmp, "out"))
    with open(os.path.join(tmp, "out", "brenmoor-report.csv"), newline="") as f:
        rows = {os.path.basename(r["book"]): r["status"] for r in csv.DictReader(f)}
    assert status == 3 and rows == {"plain.dxl": "done", "media_book.dxl": "skipped-files"}, (status, rows, err)

# show reads the whole book: a book that list rejects, show rejects with list's message,
# however far from the contact shown the fault lies.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    for name, tail in (("late-fault", person("Bob", "Ray").replace("</text>", "</txt>", 1) + "</database>\n"),
                       ("cut-short", person("Bob", "Ray"))):
        with open(os.path.join(tmp, name + ".dxl"), "w", encoding="utf-8") as f:
            f.write(HEAD + person("Ann", "Lee") + tail)
        book = os.path.join(tmp, name + ".dxl")
        listed = subprocess.run([CONVERT, "list", book], capture_output=True, text=True)
        shown = subprocess.run([CONVERT, "show", book, "1"], capture_output=True, text=True)
        assert listed.returncode == 1 and listed.stderr, (name, listed)
        assert (shown.returncode, shown.stdout, shown.stderr) == (1, "", listed.stderr), (name, shown, listed)

# attachments: many files of one name each get the next number; two files of a name too
# long for a number beside it are both saved (the name cut to make room), and so are the
# next contact's; a full disk leaves no empty contact folder behind.
def attached(name, data=b"x"):
    return ("<item name='$FILE'><object><file name='%s'><filedata>%s</filedata></file></object></item>"
            % (name, base64.b64encode(data).decode()))


def contact_with(first, files):
    return "<document form='Person'><item name='FirstName'><text>%s</text></item>%s</document>\n" % (
        first, "".join(files))


with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    long_name = "n" * 300 + ".txt"
    book = write_book(os.path.join(tmp, "files.dxl"), [
        contact_with("Many", [attached("scan.pdf")] * 300),
        contact_with("Long", [attached(long_name), attached(long_name, b"y")]),
        contact_with("Next", [attached("after.txt")])])
    done = subprocess.run([CONVERT, "attachments", book, os.path.join(tmp, "files")], capture_output=True, text=True)
    assert done.returncode == 0 and done.stdout.splitlines()[-1] == "Files saved: 303 of 303, from 3 contacts", done
    assert names(os.path.join(tmp, "files", "Many_1")) == sorted(
        ["scan.pdf"] + ["scan_%d.pdf" % n for n in range(2, 301)])
    cut = names(os.path.join(tmp, "files", "Long_2"))
    assert len(cut) == 2 and all(len(n.encode()) <= 255 and n.endswith(".txt") for n in cut), cut
    assert names(os.path.join(tmp, "files", "Next_3")) == ["after.txt"]

    big = write_book(os.path.join(tmp, "big.dxl"), [contact_with("Small", [attached("a.txt")]),
                                                    contact_with("Huge", [attached("b.bin", b"z" * 65536)])])
    out = os.path.join(tmp, "full")
    done = subprocess.run([CONVERT, "attachments", big, out], capture_output=True, text=True, preexec_fn=full_disk)
    assert done.returncode == 1 and "File too large" in done.stderr, done
    assert names(out) == ["Small_1"], names(out)
# A date range where a date goes (the birthday) gives its start, in vCard 2.1 as in every format.
with tempfile.TemporaryDirectory(prefix="brenmoor-cli-") as tmp:
    birthdays = []
    for n, value in enumerate(["<datetimepair><datetime>20240310</datetime><datetime>20240312</datetime>"
                               "</datetimepair>", "<datetime>20240310</datetime>"]):
        book = write_book(os.path.join(tmp, "b%d.dxl" % n), [
            "<document form='Person'><item name='LastName'><text>Lee</text></item>"
            "<item name='Birthday'>%s</item></document>\n" % value])
        status, out, err = convert("vcard", book, os.path.join(tmp, "out%d" % n))
        assert status == 0, err
        card = read(os.path.join(tmp, "out%d" % n, "Qalder_Notes_Contact.vcf"))
        birthdays.append([line for line in card.split(b"\r\n") if line.startswith(b"BDAY")])
    assert birthdays[0] == birthdays[1] and birthdays[0] != [b"BDAY:"], birthdays
print("brenmoor-convert export and attachments: statuses, streams, folders and whole files as expected")
