#!/usr/bin/python3
"""Reads the exports of brenmoor-convert with independent readers: Python's csv module,
python3-vobject and headless Chromium, and checks that every value comes back whole.

    check_readers.py csv|vcard|html CONVERT BOOK EXPECTED

EXPECTED is a list of the contacts' items, or a book's summary (the contacts' names, as
tests/data keeps one beside a realistic book): then every contact must be read whole,
in its place, without its values compared.
"""
import csv
import html.parser
import json
import os
import subprocess
import sys
import tempfile


def lines_as_lf(text):
    return text.replace("\r\n", "\n").replace("\r", "\n")


def component(value):
    # vobject splits name components at "," as vCard 3.0 does; in 2.1 a comma is text.
    return ",".join(value) if isinstance(value, list) else value


def export(convert, fmt, book, folder):
    # Dates as the C locale writes them, whatever the machine's.
    done = subprocess.run([convert, "export", fmt, book, folder], capture_output=True, text=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8"))
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines()[-1] == "Conversion Process Completed", done.stdout


def check_csv(folder, contacts):
    with open(os.path.join(folder, "Qalder_Notes_Contact.csv"), encoding="utf-8", newline="") as f:
        raw = f.read()
    assert not raw.startswith("\ufeff"), "byte-order mark"
    rows = list(csv.reader(raw.splitlines(keepends=True)))
    assert len(rows) == 1 + len(contacts), len(rows)
    assert all(len(row) == 41 for row in rows), [len(row) for row in rows]
    header = rows[0]
    columns = {"FirstName": "First Name", "LastName": "Last Name", "MailAddress": "Email 1 Address",
               "CompanyName": " Company Name", "FullName": "FullName", "Comment": "Notes",
               "Title": "Title", "OfficeStreetAddress": "Business Address Street",
               "City": "HomeAddressCity", "Categories": "Categories"}
    for row, contact in zip(rows[1:], contacts):
        for item, label in columns.items():
            want = contact.get(item, "")
            got = row[header.index(label)]
            assert got == want, (item, got, want)


def check_vcard(folder, contacts):
    import vobject
    with open(os.path.join(folder, "Qalder_Notes_Contact.vcf"), encoding="utf-8", newline="") as f:
        cards = list(vobject.readComponents(f.read()))
    assert len(cards) == len(contacts), len(cards)
    for card, contact in zip(cards, contacts):
        assert component(card.n.value.family) == contact.get("LastName", ""), card.n.value.family
        assert component(card.n.value.given) == contact.get("FirstName", ""), card.n.value.given
        assert card.fn.value == contact.get("FullName", ""), card.fn.value
        note = card.note.value
        assert lines_as_lf(note) == lines_as_lf(contact.get("Comment", "")), repr(note)
        assert card.email.value.rstrip(" ") == contact.get("MailAddress", ""), card.email.value
        # A date-time item's birthday is the date alone.
        assert card.bday.value == contact.get("Birthday", ""), card.bday.value
        work_label = card.contents["label"][0].value
        street = lines_as_lf(contact.get("OfficeStreetAddress", ""))
        assert lines_as_lf(work_label).startswith("BusinessOffice\n" + street + "\n"), work_label


class Cells(html.parser.HTMLParser):
    """The title and the text of every table cell of a rendered page."""

    def __init__(self):
        super().__init__()
        self.title, self.cells, self.where = "", [], None

    def handle_starttag(self, tag, attrs):
        if tag == "title":
            self.where = "title"
        elif tag == "td":
            self.cells.append("")
            self.where = "td"
        elif tag in ("script", "b") and self.where:
            raise AssertionError("markup from a value became an element: " + tag)

    def handle_endtag(self, tag):
        if tag in ("title", "td"):
            self.where = None

    def handle_data(self, data):
        if self.where == "title":
            self.title += data
        elif self.where == "td":
            self.cells[-1] += data


def check_html(folder, contacts):
    with tempfile.TemporaryDirectory(prefix="brenmoor-chromium-", ignore_cleanup_errors=True) as profile:
        check_pages(folder, contacts, profile)


def rendered_cells(page, profile):
    dom = subprocess.run(
        ["/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile, "--dump-dom", "file://" + page],
        capture_output=True, text=True, timeout=120).stdout
    cells = Cells()
    cells.feed(dom)
    return cells


def check_whole(fmt, folder, names):
    """Every contact read, in every record, card or page of its own (a card named where
    the book names the contact)."""
    count = len(names)
    if fmt == "csv":
        with open(os.path.join(folder, "Qalder_Notes_Contact.csv"), encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        assert len(rows) == 1 + count and all(len(row) == 41 for row in rows), [len(row) for row in rows]
    elif fmt == "vcard":
        import vobject
        with open(os.path.join(folder, "Qalder_Notes_Contact.vcf"), encoding="utf-8", newline="") as f:
            cards = list(vobject.readComponents(f.read()))
        assert len(cards) == count and all((card.fn.value or not name) and card.n for card, name in zip(cards, names)), \
            len(cards)
    else:
        pages = sorted(name for name in os.listdir(folder) if name.endswith(".html"))
        assert len(pages) == count, pages
        with tempfile.TemporaryDirectory(prefix="brenmoor-chromium-", ignore_cleanup_errors=True) as profile:
            for page in pages:
                cells = rendered_cells(os.path.join(folder, page), profile)
                assert len(dict(zip(cells.cells[1::2], cells.cells[2::2]))) == 44, page


def check_pages(folder, contacts, profile):
    rows = {"FirstName": "First Name", "LastName": "Last Name", "Title": "Title",
            "MailAddress": "Email Address", "CompanyName": "Company Name", "City": "Home Address City ",
            "Comment": "Comment", "FullName": "Full Name"}
    for number, contact in enumerate(contacts, start=1):
        name = (contact.get("FirstName", "") + contact.get("LastName", "")).replace(" ", "_")
        page = os.path.join(folder, "%s_%d.html" % (name, number))
        cells = rendered_cells(page, profile)
        assert cells.title == contact.get("FullName", ""), (cells.title, page)
        assert cells.cells[0] == "Full Name : " + contact.get("FullName", "") + " ", cells.cells[0]
        values = dict(zip(cells.cells[1::2], cells.cells[2::2]))
        assert len(values) == 44, len(values)
        for item, label in rows.items():
            got = lines_as_lf(values[label])
            assert got == lines_as_lf(contact.get(item, "")), (item, got, page)


def main():
    fmt, convert, book, expected = sys.argv[1:]
    with open(expected, encoding="utf-8") as f:
        contacts = json.load(f)
    with tempfile.TemporaryDirectory(prefix="brenmoor-readers-") as folder:
        export(convert, {"csv": "csv", "vcard": "vcard", "html": "html"}[fmt], book, folder)
        if isinstance(contacts, dict):  # a book's summary
            contacts = contacts["contacts"]
            check_whole(fmt, folder, contacts)
        else:
            {"csv": check_csv, "vcard": check_vcard, "html": check_html}[fmt](folder, contacts)
    print(fmt, "read back", len(contacts), "contacts intact")


if __name__ == "__main__":
    main()
