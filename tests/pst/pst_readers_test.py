#!/usr/bin/python3
"""Stores the PST export writes, read back by programs that share no code with it.

    pst_readers_test.py --tools DIR --convert PROGRAM --node-dir DIR CASE [--book BOOK] [--generator SCRIPT]

CASE is one of
  reference  Outlook's own stores through the readers: proves the harness itself;
  sample     the sample address book;
  empty      an address book without contacts;
  edge       a small book of awkward values: non-ASCII, a comment far over 8 KB and a job
             title over 8 KB (values stored across several blocks), empty items, a birthday that
             is not a date, all four e-mail addresses and both pagers filled, a contact whose
             items are all empty;
  real       the realistic book of tests/data (the current contacts template, Directory
             persons, conflicts, other forms, rich text): every contact through every
             reader, its values not compared (they follow the contact model, not the
             items the comparison reads);
  objects    the groups book and the media book of tests/data, the latter with a file of
             many blocks added: every address list is a distribution list to pffexport
             (the checker follows each member to its message), every readable file and
             picture an attachment whose bytes pffexport and pst-extractor read equal to
             the original (readpst writes no contact's attachments);
  large      a generated book of 20,000 contacts;
  identity   the groups book converted twice, after a contact was added, one removed and one
             changed, and as two other books (another replica ID; none, and another file
             name): the same book gives the same store record key and every contact and list
             the same entry ID, search key and source key (as pst-check reads them), however
             the book changed around it; other books share none of them. The vCard 4.0 UIDs
             and LDIF dns of the contacts kept stay as they were.

Every store must pass pst-check and open in pffinfo, pffexport, lspst, readpst and
pst-extractor (Node) without a warning or an error. Every contact must come out of
pst-extractor's folder walk (through the folder's contents table, as its users walk it),
of pffexport and of readpst's vCards with each value the address book holds (a spread
sample for pffexport and readpst in the large case). Exits 77 (skipped) only where one of
those outside programs is not installed; an export that fails is a failure.
"""
import argparse
import base64
import datetime
import hashlib
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid

SKIPPED = 77
COMPLETED = "Conversion Process Completed"
TROUBLE = re.compile(r"error|warning|unable|cannot|failed|corrupt|invalid", re.IGNORECASE)

problems = []


def problem(text):
    text = re.sub(r"[^\n]{400,}", lambda m: m.group(0)[:300] + f"... ({len(m.group(0))} chars)", text)
    problems.append(text)
    print("FAIL:", text, flush=True)


def run(cmd, env=None, timeout=1800):
    return subprocess.run(cmd, capture_output=True, text=True, errors="replace", env=env, timeout=timeout)


# ---------------------------------------------------------------- the readers


def check_opens_cleanly(store, tools, work, item_values=True):
    """Runs every reader over the store; returns (pffexport folder, readpst folder). Without
    item_values pffexport writes only its Contact.txt summaries (-d is slow on big stores)."""
    result = run([os.path.join(tools, "pst-check"), store])
    if result.returncode != 0:
        problem(f"pst-check finds the store inconsistent:\n{result.stdout}{result.stderr}")
    checks = [
        ("pffinfo", ["pffinfo", store]),
        ("lspst", ["lspst", store]),
    ]
    pff_dir = os.path.join(work, "pff")
    readpst_dir = os.path.join(work, "readpst")
    os.makedirs(readpst_dir)
    checks.append(("pffexport", ["pffexport", "-q"] + (["-d"] if item_values else []) + ["-t", pff_dir, store]))
    # -r: a folder per PST folder; -e: one file per item, contacts as vCards (-cv).
    checks.append(("readpst", ["readpst", "-q", "-r", "-e", "-cv", "-o", readpst_dir, store]))
    for name, cmd in checks:
        result = run(cmd)
        noise = [line for line in (result.stdout + result.stderr).splitlines()
                 if TROUBLE.search(line) and not (name == "lspst" and line.startswith(("Contact\t", "Folder ")))]
        if result.returncode != 0 or result.stderr.strip() or noise:
            problem(f"{name} on {os.path.basename(store)}: exit {result.returncode}\n"
                    f"{result.stderr.strip()}\n" + "\n".join(noise[:10]))
    return pff_dir + ".export", readpst_dir


def parse_vcard(text):
    """A vCard's properties: list of (NAME, {param: value}, raw value), lines unfolded."""
    lines = re.sub(r"\r?\n[ \t]", "", text).splitlines()
    out = []
    for line in lines:
        if ":" not in line:
            continue
        head, value = line.split(":", 1)
        name, *params = head.split(";")
        out.append((name.upper(), params, value))
    return out


def vcard_unescape(value):
    return re.sub(r"\\(.)", lambda m: "\n" if m.group(1) in "nN" else m.group(1), value)


def vcard_components(value):
    return [vcard_unescape(part) for part in re.split(r"(?<!\\);", value)]


def read_vcards(folder):
    cards = []
    for root, _, files in os.walk(folder):
        for name in files:
            if name.endswith(".vcf"):
                with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                    cards.append((os.path.join(root, name), parse_vcard(f.read())))
    return cards


def parse_item_values(path):
    """pffexport's ItemValues.txt: {entry type: (value type, bytes)}."""
    values = {}
    entry = vtype = None
    data = bytearray()
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines() + [""]
    for line in lines:
        m = re.match(r"Entry type:\s+0x([0-9a-f]+)", line)
        if m:
            entry, data = int(m.group(1), 16), bytearray()
            continue
        m = re.match(r"Value type:\s+0x([0-9a-f]+)", line)
        if m:
            vtype = int(m.group(1), 16)
            continue
        m = re.match(r"0x[0-9a-f]{8}: ((?:[0-9a-f]{2} {1,2})+)", line)
        if m and entry is not None:
            data += bytes.fromhex(m.group(1).replace(" ", ""))
            continue
        if not line.strip() and entry is not None and vtype is not None:
            values[entry] = (vtype, bytes(data))
            entry = vtype = None
    return values


def decode_value(vtype, data):
    """Texts, text lists and times as Python values; None for the rest."""
    if vtype == 0x1F:
        return data.decode("utf-16-le", errors="replace")
    if vtype == 0x1E:
        return data.decode("cp1252", errors="replace")
    if vtype == 0x40 and len(data) == 8:
        ticks = struct.unpack("<Q", data)[0]
        return datetime.datetime(1601, 1, 1) + datetime.timedelta(microseconds=ticks // 10)
    if vtype == 0x101F and len(data) >= 4:
        count = struct.unpack_from("<I", data)[0]
        offsets = list(struct.unpack_from(f"<{count}I", data, 4)) + [len(data)]
        return [data[offsets[i]:offsets[i + 1]].decode("utf-16-le", errors="replace") for i in range(count)]
    return None


def parse_contact_txt(path):
    """pffexport's Contact.txt: {field: value} plus "Body" for the text after "Body:"."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    head, _, body = text.partition("\nBody:\n\n")
    fields = {}
    for line in head.splitlines():
        m = re.match(r"([A-Za-z0-9 ]+):\t+(.*)$", line)
        if m:
            fields[m.group(1)] = m.group(2)
    if _:
        fields["Body"] = body.rstrip("\n")
    return fields


def read_pff_contacts(folder):
    """Every contact pffexport wrote: (folder, {tag: value} from ItemValues.txt, Contact.txt fields)."""
    contacts = []
    for root, _, files in os.walk(folder):
        if "Contact.txt" in files:
            values = {}
            if "ItemValues.txt" in files:
                for entry, (vtype, data) in parse_item_values(os.path.join(root, "ItemValues.txt")).items():
                    values[entry] = decode_value(vtype, data)
            contacts.append((root, values, parse_contact_txt(os.path.join(root, "Contact.txt"))))
    return contacts


# ---------------------------------------------------------------- expectations


def book_contacts(convert, book, positions):
    """Item texts of the contacts at the given positions, as the address book gives them."""
    env = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")
    out = []
    for n in positions:
        result = run([convert, "show", book, str(n)], env=env)
        if result.returncode != 0:
            problem(f"brenmoor-convert show {n} failed: {result.stderr}")
            continue
        items = {}
        for line in result.stdout.splitlines():
            name, _, text = line.partition("\t")
            items[name] = re.sub(r"\\(.)", lambda m: {"r": "\r", "n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)
        out.append((n, items))
    return out


DXL = "{http://www.lotus.com/dxl}"


def read_generated_book(path):
    """The items of every Person document of a generated book, read here without the
    program: the first value of each item, rich text as its paragraphs joined by CR LF,
    dates as YYYY-MM-DD. Checked against `show` on a sample of the contacts."""
    from xml.etree.ElementTree import iterparse
    contacts = []
    for _, element in iterparse(path, events=("end",)):
        if element.tag != DXL + "document":
            continue
        if element.get("form") == "Person":
            items = {}
            for item in element.findall(DXL + "item"):
                value = item[0] if len(item) else None
                if value is None:
                    text = ""
                elif value.tag == DXL + "richtext":
                    text = "\r\n".join("".join(par.itertext()) for par in value.iter(DXL + "par"))
                elif value.tag.endswith("list"):
                    text = "".join(value[0].itertext()) if len(value) else ""
                else:
                    text = "".join(value.itertext())
                if value is not None and value.tag == DXL + "datetime" and re.fullmatch(r"\d{8}", text):
                    text = f"{text[:4]}-{text[4:6]}-{text[6:8]}"
                items[item.get("name")] = text
            contacts.append(items)
        element.clear()
    return contacts


def contact_count(convert, book):
    result = run([convert, "list", book], env=dict(os.environ, LC_ALL="C.UTF-8"))
    return len([line for line in result.stdout.splitlines() if line.strip()])


def mail_slots(items):
    """The store's e-mail addresses in slot order: the non-empty distinct values of
    MailAddress, MiscPhone1, MiscPhone2, MiscPhone3; a fourth one goes to the body."""
    slots = []
    for item in ("MailAddress", "MiscPhone1", "MiscPhone2", "MiscPhone3"):
        value = items.get(item, "")
        if value and value not in slots:
            slots.append(value)
    return slots


def pagers(items):
    """(pager, other telephone): PhoneNumber_6 is the pager; PersPager, filled and
    different, is the other telephone number, and the pager where PhoneNumber_6 is empty."""
    business, personal = items.get("PhoneNumber_6", ""), items.get("PersPager", "")
    if not business:
        return personal, ""
    return business, personal if personal and personal != business else ""


def body_of(items):
    """Briefcase, " Comments: ", comment; then a line for a fourth e-mail address and for
    a birthday or anniversary that is no date."""
    lines = []
    slots = mail_slots(items)
    if len(slots) > 3:
        lines.append("E-mail 4: " + slots[3])
    for item in ("Birthday", "Anniversary"):
        value = items.get(item, "").strip()
        if value and not as_date(value):
            lines.append(f"{item}: {value}")
    body = items.get("Briefcase", "") + " Comments: " + items.get("Comment", "")
    if lines:
        body += ("" if body.endswith("\n") else "\r\n") + "\r\n".join(lines)
    return body


def common_name(name):
    """The person's own name of a Notes user name: "Ann Lee" of "CN=Ann Lee/O=Acme"."""
    name = name.split("/")[0].strip()
    return name[3:].strip() if name[:3].upper() == "CN=" else name


def display_name(items):
    """The name a contact goes by: the full name, else the name parts, else the company."""
    parts = " ".join(x for x in (items.get(i, "") for i in ("FirstName", "MiddleInitial", "LastName")) if x)
    return common_name(items.get("FullName", "")) or parts or items.get("CompanyName", "")


def file_as(items):
    """File-as text by the rule PidLidFileUnderId 0x8017 declares: "Last, First Middle";
    without a name the company, else the full name, else "Untitled"."""
    given = " ".join(x for x in (items.get("FirstName", ""), items.get("MiddleInitial", "")) if x)
    last = items.get("LastName", "")
    if last and given:
        return f"{last}, {given}"
    return last or given or items.get("CompanyName", "") or items.get("FullName", "") or "Untitled"


def lf(text):
    return text.replace("\r\n", "\n")


def as_date(text):
    try:
        return datetime.date.fromisoformat(text.strip()[:10])
    except ValueError:
        return None


def date_matches(stored, expected):
    """A stored birthday is the day itself: midnight UTC or a local midnight (14 h either side)."""
    if isinstance(stored, str):
        try:
            stored = datetime.datetime.fromisoformat(stored.replace("Z", "+00:00")).replace(tzinfo=None)
        except ValueError:
            return False
    if not isinstance(stored, datetime.datetime):
        return False
    midnight = datetime.datetime.combine(expected, datetime.time())
    return abs(stored - midnight) <= datetime.timedelta(hours=14)


# Item -> property tag the reader shows, where the contact property has a standard tag.
STANDARD = {
    "FirstName": 0x3A06, "MiddleInitial": 0x3A44, "LastName": 0x3A11, "Title": 0x3A45, "Suffix": 0x3A05,
    "CompanyName": 0x3A16, "JobTitle": 0x3A17,
    "OfficePhoneNumber": 0x3A08, "OfficeFaxPhoneNumber": 0x3A24, "CellPhoneNumber": 0x3A1C,
    "Location": 0x3A19, "Department": 0x3A18, "Manager": 0x3A4E, "Assistant": 0x3A30,
    "StreetAddress": 0x3A5D, "City": 0x3A59, "State": 0x3A5C, "Zip": 0x3A5B, "Country": 0x3A5A,
    "Spouse": 0x3A48, "PhoneNumber": 0x3A09, "HomeFaxPhoneNumber": 0x3A25,
    "FullName": 0x3001, "ShortName": 0x3A4F, "MailDomain": 0x3A50,
}
# Contact properties kept as named properties; their ids differ per store, so the value
# must be found among the item's texts. (The business address has standard tags too, but
# those hold the mailing address, which the mapping does not ask for.)
NAMED = ["WebSite", "NameDisplayPref", "Categories",
         "OfficeStreetAddress", "OfficeCity", "OfficeState", "OfficeZip", "OfficeCountry"]


def texts_of(values):
    found = set()
    for v in values.values():
        if isinstance(v, str):
            found.add(lf(v))
        elif isinstance(v, list):
            found.update(lf(x) for x in v)
    return found


def pff_mismatches(items, values):
    bad = []
    for item, tag in STANDARD.items():
        want = items.get(item, "")
        got = values.get(tag)
        if item == "FullName" and not want:
            continue  # without a full name the writer composes the display name, as Outlook does
        if item == "FullName":
            want = common_name(want)
        if (got or "") != want:
            bad.append(f"{item} -> {tag:#06x}: {got!r}, expected {want!r}")
    children = values.get(0x3A58)
    if items.get("Children") and items["Children"] not in (children if isinstance(children, list) else [children]):
        bad.append(f"Children -> 0x3a58: {children!r}, expected {items['Children']!r}")
    pager, other = pagers(items)
    for label, tag, want in (("pager", 0x3A21, pager), ("other telephone", 0x3A1F, other)):
        if (values.get(tag) or "") != want:
            bad.append(f"{label} -> {tag:#06x}: {values.get(tag)!r}, expected {want!r}")
    if lf(values.get(0x1000) or "") != lf(body_of(items)):
        bad.append(f"body -> 0x1000: {values.get(0x1000)!r}, expected {body_of(items)!r}")
    texts = texts_of(values)
    for item in NAMED:
        if items.get(item) and lf(items[item]) not in texts:
            bad.append(f"{item}: {items[item]!r} is in none of the item's texts")
    for address in mail_slots(items)[:3]:
        if address not in texts:
            bad.append(f"e-mail {address!r} is in none of the item's texts")
    if file_as(items) not in texts:
        bad.append(f"file-as {file_as(items)!r} is in none of the item's texts")
    for item, tag in (("Birthday", 0x3A42), ("Anniversary", 0x3A41)):
        day = as_date(items.get(item, ""))
        if day and not date_matches(values.get(tag), day):
            bad.append(f"{item} -> {tag:#06x}: {values.get(tag)!r}, expected {day}")
        if not day and values.get(tag) is not None:
            bad.append(f"{item} -> {tag:#06x}: {values.get(tag)!r}, but the item holds no date")
    return bad


# Contact.txt field -> item, for the fields pffexport summarises.
CONTACT_TXT = {
    "Given name": "FirstName", "Surname": "LastName", "Generational abbreviation": "Suffix", "Title": "Title",
    "Company name": "CompanyName", "Job title": "JobTitle", "Office location": "Location",
    "Department name": "Department", "Business phone number 1": "OfficePhoneNumber",
    "Business fax number": "OfficeFaxPhoneNumber", "Home phone number": "PhoneNumber",
    "Mobile phone number": "CellPhoneNumber",
}


def beyond_bmp(text):
    return any(ord(c) > 0xFFFF for c in text)


def contact_txt_mismatches(items, fields):
    """Contact.txt is pffexport's own rendering; libpff 20180714 garbles characters beyond
    U+FFFF there, so such values are left to the exact ItemValues.txt comparison."""
    bad = []
    for field, item in CONTACT_TXT.items():
        if beyond_bmp(items.get(item, "")):
            continue
        if fields.get(field, "") != items.get(item, ""):
            bad.append(f"Contact.txt {field}: {fields.get(field)!r}, expected {items.get(item, '')!r}")
    slots = mail_slots(items) + ["", "", ""]
    for n in range(3):
        if not beyond_bmp(slots[n]) and fields.get(f"Email address {n + 1}", "") != slots[n]:
            bad.append(f"Contact.txt Email address {n + 1}: {fields.get(f'Email address {n + 1}')!r}, "
                       f"expected {slots[n]!r}")
    if not beyond_bmp(body_of(items)) and lf(fields.get("Body", "")) != lf(body_of(items)):
        bad.append(f"Contact.txt Body: {fields.get('Body')!r}, expected {body_of(items)!r}")
    return bad


def vcard_mismatches(items, card):
    props = {}
    for name, params, value in card:
        key = name
        types = ",".join(p.lower() for p in params)
        if name in ("ADR", "TEL"):
            key = f"{name};{types}"
        props.setdefault(key, []).append(value)
    bad = []

    def expect(label, got, want):
        if got != want:
            bad.append(f"{label}: {got!r}, expected {want!r}")

    n = vcard_components(props.get("N", [""])[0]) + [""] * 5
    expect("N", n[:5], [items.get(i, "") for i in ("LastName", "FirstName", "MiddleInitial", "Title", "Suffix")])
    if items.get("CompanyName"):
        expect("ORG", [vcard_unescape(v) for v in props.get("ORG", [])], [items["CompanyName"]])
    if items.get("JobTitle"):
        expect("TITLE", [vcard_unescape(v) for v in props.get("TITLE", [])], [items["JobTitle"]])
    expect("NOTE", [lf(vcard_unescape(v)) for v in props.get("NOTE", [])], [lf(body_of(items))])
    phones = {vcard_unescape(v) for k, vs in props.items() if k.startswith("TEL") for v in vs}
    for want in [items.get(i, "") for i in ("OfficePhoneNumber", "OfficeFaxPhoneNumber", "CellPhoneNumber",
                                             "PhoneNumber", "HomeFaxPhoneNumber")] + list(pagers(items)):
        if want and want not in phones:
            bad.append(f"TEL: {want!r} missing from {sorted(phones)!r}")
    mails = {vcard_unescape(v) for v in props.get("EMAIL", [])}
    for want in mail_slots(items)[:3]:
        if want not in mails:
            bad.append(f"EMAIL: {want!r} missing from {sorted(mails)!r}")
    # readpst shows an address as ADR parts or as the whole address in LABEL; each part
    # written must come out in one of them.
    for kind, prefix in (("work", "Office"), ("home", "")):
        shown = "\n".join(vcard_unescape(v) for k, vs in props.items() if k.startswith(("ADR", "LABEL")) and kind in k
                          for v in vs)
        shown += "\n" + "\n".join(vcard_unescape(v) for name, params, v in card
                                  if name == "LABEL" and kind in ",".join(params).lower())
        for item in ("StreetAddress", "City", "State", "Zip", "Country"):
            want = items.get(prefix + item, "")
            if want and want not in shown:
                bad.append(f"{kind} address: {prefix + item} {want!r} is neither in ADR nor in LABEL")
    day = as_date(items.get("Birthday", ""))
    if day:
        bday = props.get("BDAY", [""])[0]
        expect("BDAY", bday[:10], day.isoformat())
    return bad


# pst-extractor field -> item, for the fields compared as they are.
EXTRACTOR_TEXT = {
    "givenName": "FirstName", "middleName": "MiddleInitial", "surname": "LastName", "displayNamePrefix": "Title",
    "generation": "Suffix", "companyName": "CompanyName", "title": "JobTitle", "departmentName": "Department",
    "officeLocation": "Location", "managerName": "Manager", "assistant": "Assistant", "spouseName": "Spouse",
    "businessTelephoneNumber": "OfficePhoneNumber", "homeTelephoneNumber": "PhoneNumber",
    "mobileTelephoneNumber": "CellPhoneNumber", "businessFaxNumber": "OfficeFaxPhoneNumber",
    "homeFaxNumber": "HomeFaxPhoneNumber", "personalHomePage": "MailDomain", "businessHomePage": "WebSite",
    "nickname": "ShortName", "workAddressStreet": "OfficeStreetAddress", "workAddressCity": "OfficeCity",
    "workAddressState": "OfficeState", "workAddressPostalCode": "OfficeZip", "workAddressCountry": "OfficeCountry",
    "homeAddressStreet": "StreetAddress", "homeAddressCity": "City", "homeAddressStateOrProvince": "State",
    "homeAddressPostalCode": "Zip", "homeAddressCountry": "Country",
}


def extractor_mismatches(items, fields):
    """Every field of one contact of pst-extractor's folder walk against the book."""
    bad = []

    def expect(field, want):
        got = fields.get(field, "")
        if (lf(got) if isinstance(got, str) else got) != (lf(want) if isinstance(want, str) else want):
            bad.append(f"{field}: {got!r}, expected {want!r}")

    expect("messageClass", "IPM.Contact")
    for field, item in EXTRACTOR_TEXT.items():
        expect(field, items.get(item, ""))
    pager, other = pagers(items)
    expect("pagerTelephoneNumber", pager)
    expect("otherTelephoneNumber", other)
    slots = mail_slots(items) + ["", "", ""]
    for n in range(3):
        expect(f"email{n + 1}EmailAddress", slots[n])
        if n != 1:  # pst-extractor 1.12 answers email2AddressType with the display name
            expect(f"email{n + 1}AddressType", "SMTP" if slots[n] else "")
    for n in range(3):
        if slots[n]:
            shown = items.get("NameDisplayPref") if n == 0 else ""
            expect(f"email{n + 1}DisplayName", shown or display_name(items) or slots[n])
    for n in range(1, 4):
        expect(f"fax{n}AddressType", "FAX")
    expect("body", body_of(items))
    expect("displayName", display_name(items))
    expect("fileUnder", file_as(items))
    # (Categories are not compared: pst-extractor 1.12 does not decode multi-valued texts.)
    for item, field in (("Birthday", "birthday"), ("Anniversary", "anniversary")):
        day = as_date(items.get(item, ""))
        if day and not date_matches(fields.get(field), day):
            bad.append(f"{field}: {fields.get(field)!r}, expected {day}")
        if not day and fields.get(field):
            bad.append(f"{field}: {fields.get(field)!r}, but the item holds no date")
    return bad


def read_extractor_contacts(node_dir, store):
    """pst-extractor's folder walk: (contacts in walk order, the closing counts)."""
    result = run(["node", os.path.join(node_dir, "walk_contacts.js"), store])
    contacts, summary = [], None
    for line in result.stdout.splitlines():
        if not line.startswith("{"):
            continue
        record = json.loads(line)
        if "folder" in record:
            contacts.append(record)
        elif "contacts" in record:
            summary = record
    noise = [line for line in (result.stdout + result.stderr).splitlines()
             if not line.startswith("{") and TROUBLE.search(line)]
    if result.returncode != 0 or summary is None or noise:
        problem(f"pst-extractor on {os.path.basename(store)}: exit {result.returncode}\n"
                f"{result.stderr.strip()[-2000:]}\n" + "\n".join(noise[:10]))
    return contacts, summary


def match_and_compare(expected, pff, cards):
    """Each expected contact must come out of both readers; a reader contact is its match
    when given name and surname agree and every value compares equal."""
    for n, items in expected:
        key = (items.get("FirstName", ""), items.get("LastName", ""))
        def names(v, t):  # the raw values where pffexport dumped them: its summaries garble some texts
            return ((v.get(0x3A06) or ""), (v.get(0x3A11) or "")) if v else (t.get("Given name", ""), t.get("Surname", ""))
        candidates = [(p, v, t) for p, v, t in pff if names(v, t) == key]
        results = [((pff_mismatches(items, v) if v else []) + contact_txt_mismatches(items, t), p)
                   for p, v, t in candidates]
        if not any(not bad for bad, _ in results):
            detail = min(results, key=lambda r: len(r[0]))[0] if results else ["no contact with that name"]
            problem(f"pffexport, contact {n} {key}:\n  " + "\n  ".join(detail))
        cands = []
        for path, card in cards:
            n_field = next((v for name, _, v in card if name == "N"), "")
            comps = vcard_components(n_field) + ["", ""]
            if (comps[1], comps[0]) == key:
                cands.append(vcard_mismatches(items, card))
        if not any(not bad for bad in cands):
            detail = min(cands, key=len) if cands else ["no vCard with that name"]
            problem(f"readpst, contact {n} {key}:\n  " + "\n  ".join(detail))


def compare_walk(book_items, walked):
    """pst-extractor walks the contents table in row order, which is the book's order:
    contact n of the walk is contact n of the book."""
    if len(walked) != len(book_items):
        problem(f"pst-extractor's folder walk lists {len(walked)} contacts, the book holds {len(book_items)}")
    shown = 0
    for n, (items, fields) in enumerate(zip(book_items, walked), start=1):
        bad = extractor_mismatches(items, fields)
        if bad and shown < 10:
            shown += 1
            problem(f"pst-extractor, contact {n} ({items.get('FirstName', '')} {items.get('LastName', '')}):\n  "
                    + "\n  ".join(bad))


# ---------------------------------------------------------------- the cases


def missing_tools(node_dir):
    """The outside programs this test needs that are not installed."""
    missing = [tool for tool in ("pffinfo", "pffexport", "lspst", "readpst", "node") if not shutil.which(tool)]
    if not os.path.isdir(os.path.join(node_dir, "node_modules", "pst-extractor")):
        missing.append(f"pst-extractor (npm ci in {node_dir})")
    return missing


def export(convert, book, folder, status=0):
    """The store written; status: the exit status expected (3 where the book holds files
    that cannot be written)."""
    result = run([convert, "export", "pst", book, folder])
    text = result.stdout + result.stderr
    lines = [line for line in result.stdout.splitlines() if line.strip()]
    if result.returncode != status or COMPLETED not in lines or lines.index(COMPLETED) == 0:
        problem(f"export failed (exit {result.returncode}):\n{text}")
        return None
    store = lines[lines.index(COMPLETED) - 1]
    if not os.path.isfile(store):
        problem(f"the export names {store!r}, which does not exist")
        return None
    return store


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("'", "&apos;")


def write_book(path, documents):
    """A DXL book of Person documents, each a list of (item, value) with value text, or
    ('date', text) for a datetime item, or ('rich', [paragraphs]) for rich text."""
    with open(path, "w", encoding="utf-8") as f:
        f.write("<?xml version='1.0' encoding='utf-8'?>\n<database xmlns='http://www.lotus.com/dxl' version='9.0'"
                " replicaid='85257C3A004F2B12' path='edge.nsf' title='Edge Book'>\n")
        for n, items in enumerate(documents):
            f.write(f"<document form='Person'><noteinfo noteid='{0x900 + 4 * n:x}' unid='{n:032X}' sequence='1'/>\n"
                    "<item name='Type'><text>Person</text></item>\n")
            for name, value in items:
                if isinstance(value, tuple) and value[0] == "date":
                    f.write(f"<item name='{name}'><datetime>{value[1]}</datetime></item>\n")
                elif isinstance(value, tuple) and value[0] == "rich":
                    pars = "".join(f"<par def='1'>{esc(p)}</par>" for p in value[1])
                    f.write(f"<item name='{name}'><richtext><pardef id='1'/>{pars}</richtext></item>\n")
                else:
                    f.write(f"<item name='{name}'><text>{esc(value)}</text></item>\n")
            f.write("</document>\n")
        f.write("</database>\n")


def edge_documents():
    long_comment = [f"Line {i:04d}: Grüße aus Tromsø — 東京 — ☕ — {'x' * 40}" for i in range(400)]  # ~40 KB
    return [
        [("FirstName", "Zoë"), ("LastName", "Ångström-Łódź"), ("MiddleInitial", "É"), ("CompanyName", "東京精機株式会社"),
         ("MailAddress", "zoe@example.com"), ("MiscPhone1", "zoë@bücher.example"), ("OfficeCity", "Kraków"),
         ("OfficeCountry", "Polska"), ("Birthday", ("date", "19800229")), ("FullName", "Zoë Ångström-Łódź"),
         ("Comment", ("rich", long_comment)), ("Briefcase", ("rich", ["Case 🗂 notes"])),
         ("Categories", "Família")],
        [("FirstName", "Empty"), ("LastName", "Values"), ("Birthday", ("date", "")), ("Anniversary", ("date", "20000101")),
         ("PhoneNumber_6", "+1 555 0100"), ("PersPager", "")],
        [("FirstName", "Only 😀"), ("LastName", "Comment"), ("Comment", ("rich", ["Tab\tand <angle> & 'quote'"])),
         ("Children", "Ann, Bo"), ("Spouse", "Kim O'Neil")],
        [("LastName", "Nobody"), ("Manager", "A" * 3000), ("Assistant", "B" * 4000),
         ("JobTitle", "Chef de cuisine — " * 600)],  # past one block, across the cut of two
        # Every e-mail item and both pagers filled: a fourth address goes to the body, the
        # personal pager to the other telephone number; nothing is lost.
        [("FirstName", "Four"), ("LastName", "Mails"), ("MailAddress", "main@example.com"),
         ("MiscPhone1", "one@example.com"), ("MiscPhone2", "two@example.com"), ("MiscPhone3", "three@example.com"),
         ("NameDisplayPref", "Four Mails (work)"), ("PhoneNumber_6", "+1 555 0101"), ("PersPager", "+1 555 0102"),
         ("OfficeFaxPhoneNumber", "+1 555 0103"), ("HomeFaxPhoneNumber", "+1 555 0104")],
        # Repeated addresses take one slot; the personal pager alone is the pager.
        [("FirstName", "Twice"), ("LastName", "Same"), ("MailAddress", "same@example.com"),
         ("MiscPhone1", "same@example.com"), ("MiscPhone3", "other@example.com"), ("PersPager", "+1 555 0105")],
        # Only a company: filed under the company.
        [("CompanyName", "Nameless & Co")],
        # A contact whose items are all empty is still a contact to every reader.
        [("FirstName", ""), ("LastName", ""), ("MailAddress", ""), ("Comment", ("rich", [""]))],
    ]


def check_store(args, book, store, work, book_items=None, values=True):
    """Every reader over one store the export wrote, each contact against the book (where
    values: the comparison reads the book's items as the catalogue gives them, which a
    book of other items' meanings does not follow)."""
    large = book_items is not None
    pff_dir, readpst_dir = check_opens_cleanly(store, args.tools, work, item_values=not large)
    count = contact_count(args.convert, book)
    cards = read_vcards(readpst_dir)
    pff = read_pff_contacts(pff_dir)
    walked, summary = read_extractor_contacts(args.node_dir, store)
    if len(cards) != count or len(pff) != count or len(walked) != count:
        problem(f"{count} contacts in the book; readpst gave {len(cards)}, pffexport {len(pff)}, "
                f"pst-extractor's folder walk {len(walked)}")
    if not count or not values:
        return
    if large:
        positions = sorted({1, count, *range(1, count + 1, max(1, count // 40))})
        sampled = book_contacts(args.convert, book, positions)
        # The book as read here must be the book as the program reads it.
        for n, items in sampled:
            mine = book_items[n - 1]
            for name, text in items.items():
                if mine.get(name, "") != text and not (as_date(text) and as_date(text) == as_date(mine.get(name, ""))):
                    problem(f"the test's reading of contact {n} differs from show at {name}: "
                            f"{mine.get(name)!r} against {text!r}")
                    break
        match_and_compare(sampled, pff, cards)
    else:
        expected = book_contacts(args.convert, book, range(1, count + 1))
        book_items = [items for _, items in expected]
        match_and_compare(expected, pff, cards)
    compare_walk(book_items, walked)


# ---------------------------------------------------------------- lists and files


def big_file_document(data):
    """A Person document with one attached file of these bytes, as a DXL export writes it."""
    encoded = base64.b64encode(data).decode("ascii")
    lines = "\n".join(encoded[i:i + 76] for i in range(0, len(encoded), 76))
    return ("<document form='Person'><noteinfo noteid='9f0' unid='B10000000000000000000000000000F0' sequence='1'/>\n"
            "<item name='FirstName'><text>Large</text></item><item name='LastName'><text>File</text></item>\n"
            "<item name='$FILE'><object><file hosttype='msdos' compression='none' flags='storedindoc' "
            f"encoding='none' name='scan.bin'><filedata>\n{lines}\n</filedata></file></object></item>\n</document>\n")


def expected_files(data_dir):
    """{(first name, last name): [(name in the store, original bytes, is the photo)]} of the
    media book: every readable file but the Notes ID files, which are never exported."""
    with open(os.path.join(data_dir, "media_book.json"), encoding="utf-8") as f:
        described = json.load(f)
    names = [tuple(c.split("  ", 1)) for c in described["contacts"]]
    files = {}
    for entry in described["files"]:
        if entry["state"] != "readable" or entry["name"].lower().endswith(".id"):
            continue
        with open(os.path.join(data_dir, "media_book_files", entry["original"]), "rb") as f:
            data = f.read()
        files.setdefault(names[entry["contact"] - 1], []).append((entry["name"], data, entry.get("photo", False)))
    return files


def check_files(store, pff_dir, walked, expected):
    """Every readable file of every contact is an attachment with equal bytes, in pffexport
    and in pst-extractor; the photo is there once, as ContactPicture with its type's extension."""
    by_name = {(w.get("givenName", ""), w.get("surname", "")): w for w in walked}
    pff = {}
    for root, values, fields in read_pff_contacts(pff_dir):
        key = (values.get(0x3A06, fields.get("Given name", "")), values.get(0x3A11, fields.get("Surname", "")))
        folder = os.path.join(root, "Attachments")
        pff[key] = {}
        if os.path.isdir(folder):
            for name in os.listdir(folder):
                numbered = re.match(r"\d+_(.+)$", name)  # beside ItemValues.txt, the files as "1_name"
                if numbered:
                    with open(os.path.join(folder, name), "rb") as f:
                        pff[key][numbered.group(1)] = f.read()
    for key, files in expected.items():
        want = {}
        for name, data, _ in files:
            want.setdefault(name, data)
        got_pff = pff.get(key, {})
        got_walk = {a["name"]: a for a in by_name.get(key, {}).get("attachments", [])}
        pictures = [n for n in got_pff if n.startswith("ContactPicture.")]
        photo = any(is_photo for _, _, is_photo in files)
        if len(pictures) != (1 if photo else 0):
            problem(f"{key}: pffexport finds {len(pictures)} contact pictures: {sorted(got_pff)}")
            continue
        for name, data in want.items():
            in_pff = got_pff.get(name)
            in_walk = got_walk.get(name)
            if in_pff is None and pictures and data == got_pff[pictures[0]]:
                in_pff, in_walk = data, got_walk.get(pictures[0])  # the photo, under Outlook's name
            if in_pff != data:
                problem(f"{key}: pffexport's {name} is not the book's file ({None if in_pff is None else len(in_pff)} "
                        f"bytes, expected {len(data)})")
            if not in_walk or in_walk["sha256"] != hashlib.sha256(data).hexdigest() or in_walk["read"] != len(data):
                problem(f"{key}: pst-extractor reads {name} as {in_walk}, expected {len(data)} bytes")
        if len(got_pff) != len(want) or len(got_walk) != len(want):
            problem(f"{key}: {len(want)} files in the book; pffexport has {sorted(got_pff)}, "
                    f"pst-extractor {sorted(got_walk)}")


def read_pff_lists(pff_dir):
    """{list name: the DistributionList.txt fields} of every list pffexport wrote."""
    lists = {}
    for root, _, files in os.walk(pff_dir):
        if "DistributionList.txt" in files:
            fields = parse_contact_txt(os.path.join(root, "DistributionList.txt"))
            lists[fields.get("Name", "")] = fields
    return lists


IDENTITY_PROPERTIES = {0x300B: "search key", 0x65E0: "source key"}


def store_identities(tools, store):
    """What pst-check reads of a store's identities: its record key, and of each item by
    (message class, display name, the addresses among its texts) its entry ID (built of the
    record key and its NID, which its ReferenceEntryId must repeat), search key and source
    key where it has one."""
    result = run([os.path.join(tools, "pst-check"), "--dump", store])
    if result.returncode != 0:
        problem(f"pst-check --dump {store}: exit {result.returncode}\n{result.stderr}")
        return None, {}
    nodes, nid = {}, None
    for line in result.stdout.splitlines():
        m = re.match(r"node (0x[0-9A-Fa-f]+):$", line)
        if m:
            nid = int(m.group(1), 16)
            nodes[nid] = {}
            continue
        m = re.match(r"    0x([0-9A-Fa-f]{4})([0-9A-Fa-f]{4})(?: \(([^)]*)\))? \[[^]]*\] (.*)$", line)
        if m and nid is not None:
            nodes[nid][m.group(3) or int(m.group(1), 16)] = m.group(4)
    record_key = nodes.get(0x21, {}).get(0x0FF9)
    items = {}
    for nid, props in nodes.items():
        if nid & 0x1F != 0x04:
            continue
        texts = [v for v in props.values() if v.startswith('"')]
        key = (props.get(0x001A), props.get(0x3001),
               tuple(sorted(t for t in texts if "@" in t)) if props.get(0x001A) == '"IPM.Contact"' else ())
        entry_id = "00000000" + (record_key or "") + struct.pack("<I", nid).hex()
        reference = next((v for name, v in props.items() if isinstance(name, str) and "85bd" in name.lower()), None)
        if reference is not None and reference != entry_id:  # contacts hold it, lists do not
            problem(f"{store}: item {nid:#x} holds the reference entry ID {reference}, not its own {entry_id}")
        if key in items:
            problem(f"{store}: two items of one key {key}")
        items[key] = {"entry ID": entry_id, **{label: props.get(tag) for tag, label in IDENTITY_PROPERTIES.items()}}
    return record_key, items


def books_identities(args, work, books):
    """Each book exported to a folder of its own: its store's identities, its vCard 4.0 UIDs
    and its LDIF dns."""
    out = {}
    for name, book in books:
        folder = os.path.join(work, "identity-" + name)
        result = run([args.convert, "export", "pst,vcard4,ldif", book, folder])
        stores = [line for line in result.stdout.splitlines() if line.endswith(".pst")]
        if result.returncode != 0 or len(stores) != 1:
            problem(f"export of {name} failed (exit {result.returncode}):\n{result.stdout}{result.stderr}")
            continue
        with open(os.path.join(folder, "Qalder_Notes_Contact_v4.vcf"), encoding="utf-8") as f:
            uids = re.findall(r"^UID:(.*?)\r?$", f.read(), re.MULTILINE)
        with open(os.path.join(folder, "Qalder_Notes_Contact.ldif"), encoding="utf-8") as f:
            dns = re.findall(r"^dn:(.*)$", f.read(), re.MULTILINE)
        out[name] = (*store_identities(args.tools, stores[0]), uids, dns, stores[0])
    return out


def check_identities(args, work):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "groups_book.dxl"),
              encoding="utf-8") as f:
        original = f.read()
    ann = re.search(r"<document form='Person'>\n<noteinfo noteid='a0a'.*?</document>\n", original, re.DOTALL).group(0)
    newcomer = ("<document form='Person'>\n<noteinfo noteid='c02' unid='B1000000000000000000000000000009'/>\n"
                "<item name='FirstName'><text>Neil</text></item><item name='LastName'><text>New</text></item>\n"
                "<item name='MailAddress'><text>neil@new.example</text></item>\n</document>\n")
    # Ann removed, a contact added before every other document, Jane changed.
    changed = original.replace(ann, "").replace("<document form='Group'>", newcomer + "<document form='Group'>", 1)
    jane = "<item name='LastName'><text>Doe</text></item>"
    changed = changed.replace(jane, jane + "<item name='JobTitle'><text>Pilot</text></item>")
    other_replica = original.replace("replicaid='85257D1100C0FFEE'", "replicaid='85257D1100C0FFEF'")
    no_replica = original.replace(" replicaid='85257D1100C0FFEE'", "")
    books = []
    for name, text, file_name in (("first", original, "groups.dxl"), ("again", original, "groups.dxl"),
                                  ("changed", changed, "groups.dxl"), ("other", other_replica, "groups.dxl"),
                                  ("unnamed", no_replica, "unnamed.dxl"), ("moved", no_replica, "unnamed.dxl")):
        os.makedirs(os.path.join(work, "books-" + name))
        path = os.path.join(work, "books-" + name, file_name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        books.append((name, path))
    found = books_identities(args, work, books)
    if len(found) != len(books):
        return
    check_opens_cleanly(found["changed"][4], args.tools, os.path.join(work, "readers"), item_values=False)
    first_key, first_items, first_uids, first_dns, _ = found["first"]
    if not first_key or len(first_items) != 7:
        problem(f"expected a record key and 7 items (4 contacts, 3 lists), found {first_key} and {sorted(first_items)}")
        return
    # The store's UID is the version 5 UUID of its identity in a namespace fixed for good: a
    # change would make every store converted before a stranger to the next conversion.
    expected = uuid.uuid5(uuid.UUID("8061a1bb-de88-4308-a410-a89e027f1855"), "replica:85257D1100C0FFEE").bytes_le.hex()
    if first_key != expected:
        problem(f"the store's record key is {first_key}, not {expected}")
    for name in ("again", "changed", "moved"):
        key, items, uids, dns, _ = found[name]
        base_key, base_items, base_uids, base_dns, _ = found["unnamed" if name == "moved" else "first"]
        if key != base_key:
            problem(f"{name}: the store's record key {key} differs from {base_key}")
        kept = [k for k in base_items if k in items]
        if len(kept) != len(base_items) - (name == "changed"):
            problem(f"{name}: items {sorted(set(base_items) - set(items))} are missing")
        for k in kept:
            if items[k] != base_items[k]:
                problem(f"{name}: {k} has the identities {items[k]}, before {base_items[k]}")
        if name == "changed":
            new = [v for k, v in items.items() if k not in base_items]
            if len(new) != 1 or any(v == w for v in new for w in base_items.values()):
                problem(f"changed: the added contact has identities {new}, not one item of its own")
            # vCard UIDs and LDIF dns: every contact but Ann keeps its own.
            ann_uid = "b1000000-0000-0000-0000-000000000003"
            for label, before, after, removed in (("vCard UIDs", base_uids, uids, ann_uid),
                                                  ("LDIF dns", base_dns, dns, "cn=Ann Lee,")):
                kept = {x for x in before if removed not in x}
                if not kept <= set(after) or len(kept) == len(before):
                    problem(f"changed: the {label} {after} do not keep those of {before}")
    # Other books share nothing: neither the record key nor any entry ID, search key or source key.
    for a, b in (("first", "other"), ("first", "unnamed"), ("other", "unnamed")):
        if found[a][0] == found[b][0]:
            problem(f"{a} and {b} have one record key {found[a][0]}")
        ids = lambda items: {(label, v) for item in items.values() for label, v in item.items() if v is not None}
        if ids(found[a][1]) & ids(found[b][1]):
            problem(f"{a} and {b} share identities: {sorted(ids(found[a][1]) & ids(found[b][1]))}")


def check_objects(args, work):
    """The groups book's lists and the media book's pictures and files (and a file of many
    blocks) through every reader; their contacts counted as in the real case (the books
    follow the contact model, not the items the comparison reads)."""
    data_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
    groups_book = os.path.join(data_dir, "groups_book.dxl")
    with open(os.path.join(data_dir, "groups_book.json"), encoding="utf-8") as f:
        lines = json.load(f)["groups"]
    lists = [line.rsplit(" (", 1)[0] for line in lines if not line.startswith("\t") and "not exported" not in line]
    media_book = os.path.join(work, "media.dxl")
    big = bytes(random.Random(16).getrandbits(8) for _ in range(200_000))  # 25 blocks of data
    with open(os.path.join(data_dir, "media_book.dxl"), encoding="utf-8") as f:
        text = f.read()
    with open(media_book, "w", encoding="utf-8") as f:
        f.write(text.replace("</database>", big_file_document(big) + "</database>"))
    files = expected_files(data_dir)
    files[("Large", "File")] = [("scan.bin", big, False)]
    for name, book in (("groups", groups_book), ("media", media_book)):
        sub = os.path.join(work, name)
        out = os.path.join(sub, "out")
        os.makedirs(out)
        store = export(args.convert, book, out, 3 if name == "media" else 0)
        if not store:
            continue
        check_store(args, book, store, sub, values=False)
        pff_dir = os.path.join(sub, "pff.export")
        if name == "groups":
            found = read_pff_lists(pff_dir)
            if sorted(found) != sorted(lists):
                problem(f"pffexport finds the lists {sorted(found)}, the book has {sorted(lists)}")
        else:
            walked, _ = read_extractor_contacts(args.node_dir, store)
            check_files(store, pff_dir, walked, files)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("case", choices=["reference", "sample", "empty", "edge", "real", "objects", "large",
                                         "identity"])
    parser.add_argument("--tools", required=True, help="folder holding pst-check")
    parser.add_argument("--convert", required=True, help="the brenmoor-convert program")
    parser.add_argument("--node-dir", required=True, help="folder of walk_contacts.js and its node_modules")
    parser.add_argument("--book", help="the sample address book")
    parser.add_argument("--generator", help="the synthetic book generator")
    parser.add_argument("--reference", required=True, help="folder of the Outlook-written stores")
    args = parser.parse_args()

    missing = missing_tools(args.node_dir)
    if missing:
        print("SKIPPED: not installed: " + ", ".join(missing))
        return SKIPPED
    work = tempfile.mkdtemp(prefix=f"pst_readers_{args.case}_")
    try:
        if args.case == "reference":
            for name in ("outlook-contacts.pst", "outlook-one-folder.pst"):
                path = os.path.join(args.reference, name)
                if not os.path.exists(path):
                    print(f"SKIPPED: {path} is not on this machine")
                    return SKIPPED
                sub = os.path.join(work, name)
                os.makedirs(sub)
                pff_dir, readpst_dir = check_opens_cleanly(path, args.tools, sub)
                walked, _ = read_extractor_contacts(args.node_dir, path)
                if name == "outlook-contacts.pst":
                    cards = read_vcards(readpst_dir)
                    pff = read_pff_contacts(pff_dir)
                    if len(cards) != 1 or len(pff) != 1 or len(walked) != 1:
                        problem(f"expected the one contact, readpst gave {len(cards)}, pffexport {len(pff)}, "
                                f"pst-extractor {len(walked)}")
                    elif pff[0][1].get(0x3A06) != "contact" or pff[0][2].get("Given name") != "contact" or \
                            walked[0].get("givenName") != "contact" or \
                            not any(n == "N" and v.startswith("1;contact") for n, _, v in cards[0][1]):
                        problem("the reference contact's names did not come through the parsers")
        elif args.case == "objects":
            check_objects(args, work)
        elif args.case == "identity":
            check_identities(args, work)
        else:
            book_items = None
            if args.case == "sample":
                book = args.book
            elif args.case == "empty":
                book = os.path.join(work, "empty.dxl")
                write_book(book, [])
            elif args.case == "edge":
                book = os.path.join(work, "edge.dxl")
                write_book(book, edge_documents())
            elif args.case == "real":
                book = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "real_book.dxl")
            else:
                book = os.path.join(work, "large.dxl")
                subprocess.run([sys.executable, args.generator, "20000", book], check=True)
                book_items = read_generated_book(book)
            out = os.path.join(work, "out")
            os.makedirs(out)
            store = export(args.convert, book, out)
            if store:
                check_store(args, book, store, work, book_items, values=args.case != "real")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if problems:
        print(f"{len(problems)} problems")
        return 1
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
