#!/usr/bin/python3
"""Reads the importer exports (vCard 3.0 and 4.0, LDIF, Outlook CSV) with independent
readers and checks every card, entry or record field by field against what the format's
rules make of the contact model (as contact_dump prints it for the same book); what it is
compared with must itself keep every value of the contact. The books: the sample book, a
book of edge cases that importer_book.py writes, the realistic book of tests/data, a
generated book put together from two replicas (every universal ID twice), and
tests/data/media_book.dxl (photos and attachments: a photo's bytes read back equal the
model's), and tests/data/long_tail_book.dxl (a lone conflict, ranges, rich-text links and
lists, a Notes bitmap photo, phonetic names, values beginning with ":" and "<").

The CardDAV reader (radicale3, radicale4) is a Radicale server started on 127.0.0.1 with
a storage folder of its own: every card is stored by a PUT of its own, as a CardDAV
client does, and must read back equal to what was sent.

    check_importers.py READER CONVERT DUMP SAMPLE_BOOK [NODE_DIR]

READER: vobject3, eds3, eds4, icaljs3, icaljs4, vcardparser3, vcardparser4, radicale3,
radicale4, ldif, abook, outlook-csv, google-csv (with a generated book of 6,001 contacts,
which Google's limit of 3,000 a file shares out over three files).
Exits 77 (skipped) only where the reader itself is not installed.
"""
import base64
import csv
import io
import collections
import contextlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import carddav_server  # noqa: E402
import importer_book  # noqa: E402

SKIP = 77
FILES = {"vcard3": "Qalder_Notes_Contact_v3.vcf", "vcard4": "Qalder_Notes_Contact_v4.vcf",
         "ldif": "Qalder_Notes_Contact.ldif", "outlook-csv": "Qalder_Notes_Contact_Outlook.csv",
         "google-csv": "Qalder_Notes_Contact_Google.csv"}
READERS = {"vobject3": "vcard3", "eds3": "vcard3", "eds4": "vcard4", "icaljs3": "vcard3",
           "icaljs4": "vcard4", "vcardparser3": "vcard3", "vcardparser4": "vcard4", "radicale3": "vcard3",
           "radicale4": "vcard4", "ldif": "ldif", "abook": "ldif", "outlook-csv": "outlook-csv",
           "google-csv": "google-csv"}
HERE = os.path.dirname(os.path.abspath(__file__))
REAL_BOOK = os.path.join(HERE, "..", "data", "real_book.dxl")
GROUPS_BOOK = os.path.join(HERE, "..", "data", "groups_book.dxl")
MEDIA_BOOK = os.path.join(HERE, "..", "data", "media_book.dxl")
LONG_TAIL_BOOK = os.path.join(HERE, "..", "data", "long_tail_book.dxl")
GENERATOR = os.path.join(HERE, "..", "..", "bench", "generate_book.py")

PHONE_TYPES = {"WorkVoice": ("work", "voice"), "WorkFax": ("work", "fax"), "WorkCell": ("work", "cell"),
               "WorkPager": ("work", "pager"), "HomeVoice": ("home", "voice"), "HomeFax": ("home", "fax"),
               "PersonalCell": ("home", "cell"), "Assistant": ("x-assistant", "voice"), "Car": ("car", "voice"),
               "OtherVoice": ("voice",), "OtherFax": ("fax",)}
PHONE_LABELS = {"WorkVoice": "Office phone", "WorkFax": "Office fax", "WorkCell": "Cell phone",
                "WorkPager": "Pager", "HomeVoice": "Home phone", "HomeFax": "Home fax",
                "PersonalCell": "Personal cell phone", "Assistant": "Assistant's phone", "Car": "Car phone",
                "OtherVoice": "Other phone", "OtherFax": "Other fax"}
WEB_LABELS = {"Work": "Work web page", "Home": "Home web page", "Other": "Web page"}
RELATED_V4 = {"Spouse": "spouse", "Child": "child", "Manager": "x-manager", "Assistant": "agent"}
RELATED_V3 = {"Spouse": "X-MS-SPOUSE", "Child": "X-MS-CHILD", "Manager": "X-MS-MANAGER",
              "Assistant": "X-MS-ASSISTANT"}


def skip(why):
    print("SKIP:", why)
    sys.exit(SKIP)


def lf(text):
    """A text's line breaks as vCard carries them: every CR LF, CR or LF one LF."""
    return text.replace("\r\n", "\n").replace("\r", "\n")


def note_line(note, label, value):
    return (note + "\r\n" if note else "") + f"{label}: {value}"


def date_or_text(value):
    return value.get("date") if value and "date" in value else (value or {}).get("text")


def file_text(f):
    """"contract.pdf (3 KB)", as the note names a file."""
    if f["state"] != "readable":
        return f["name"] + {
            "compressed": " (stored compressed in the book, not readable)",
            "notesbitmap": " (a Notes bitmap, not readable: export the book again with ConvertNotesBitmapsToGIF set)",
        }.get(f["state"], " (damaged in the book, not readable)")
    size = f["size"]
    if size < 1024:
        return f"{f['name']} ({size} byte{'' if size == 1 else 's'})"
    if size < 1024 * 1024:
        return f"{f['name']} ({(size + 512) // 1024} KB)"
    tenths = (size * 10 + 512 * 1024) // (1024 * 1024)
    return f"{f['name']} ({tenths // 10}.{tenths % 10} MB)"


def photo_bytes(c):
    return base64.b64decode(c["photo"]["data"]) if c["photo"] else None


def common_lines(c, note, im_carried=False, alternate_carried=False, photo_carried=False, private_carried=False,
                 reading_carried=False):
    """The lines every format writes alike after its own: the Notes mail address, the
    Sametime logins, the alternate name, the name's reading, the private flag and the photo
    where the format has no place for them, each attachment, each Notes ID file left out,
    then the user's other items under "Other fields"."""
    if c["notesMailAddress"]:
        note = note_line(note, "Notes mail address", c["notesMailAddress"])
    if not im_carried:
        for address in c["imAddresses"]:
            note = note_line(note, "Sametime", address)
    if not alternate_carried and c["alternateName"]:
        language = c["alternateNameLanguage"]
        note = note_line(note, "Alternate name", c["alternateName"] + (f" ({language})" if language else ""))
    if c["nameReading"] and not (reading_carried and c["readingFamily"]):
        note = note_line(note, "Name reading", c["nameReading"])
    if c["private"] and not private_carried:
        note = (note + "\r\n" if note else "") + "Private contact"
    if c["photo"] and not photo_carried:
        note = note_line(note, "Photo", file_text({"name": c["photo"]["name"], "size": len(photo_bytes(c)),
                                                   "state": "readable"}))
    for f in c["attachments"]:
        note = note_line(note, "Attachment", file_text(f))
    for name in c["idFiles"]:
        note = note_line(note, "Notes ID file", name + " (holds private keys, never exported)")
    if c["otherFields"]:
        note = (note + "\r\n" if note else "") + "Other fields"
        for field in c["otherFields"]:
            note = note_line(note, field["label"], field["value"])
    return note


def addresses(c):
    return [e["address"] for e in c["emails"]]


def phone_types(phone, v4):
    types = PHONE_TYPES[phone["kind"]]
    if v4 and phone["kind"] == "Car":
        types = ("x-car", "voice")
    return types + (("pref",) if phone["preferred"] and not v4 else ())


# ---------------------------------------------------------------- vCard

def expected_card(c, version):
    """The fields of a card as the rules of the vCard exports derive them from the model."""
    v4 = version == 4
    card = {"uid": ("urn:uuid:" if v4 else "") + c["uid"],
            "rev": c["revision"],
            "fn": c["formattedName"],
            "n": [c["name"][k] for k in ("family", "given", "middle", "prefix", "suffix")]
                 if not v4 or any(c["name"].values()) else None,
            "nickname": c["nickname"] or None,
            "org": [c["organization"], c["unit"]] if c["unit"] else ([c["organization"]] if c["organization"] else None),
            "title": c["jobTitle"] or None,
            "emails": addresses(c),
            "phones": [(phone_types(p, v4), p["number"]) for p in c["phones"]],
            "urls": [p["url"] for p in c["webPages"]],
            "fns": [c["formattedName"]] + ([c["alternateName"]] if v4 and c["alternateName"] else []),
            "evolution": evolution_fields(c),
            "ims": c["imAddresses"],
            "categories": c["categories"]}
    work, home = c["workAddress"], c["homeAddress"]
    card["adr_work"] = None if not work and not c["office"] else \
        ["", c["office"]] + [lf((work or {}).get(k, "")) for k in ("street", "city", "region", "postalCode", "country")]
    card["adr_home"] = None if not home else \
        ["", ""] + [lf(home[k]) for k in ("street", "city", "region", "postalCode", "country")]
    note = c["note"]
    for key, label in (("birthday", "Birthday"), ("anniversary", "Anniversary")):
        value = c[key]
        if value and "date" in value:
            card[key] = ("date", value["date"])
        elif value:  # a text: VALUE=text in 4.0, and a note line in both
            card[key] = ("text", value["text"]) if v4 else None
            note = note_line(note, label, value["text"])
        else:
            card[key] = None
    if c["revisionText"]:
        note = note_line(note, "Revision", c["revisionText"])
    extra = common_lines(c, "", im_carried=True,
                         alternate_carried=v4 and re.fullmatch(r"[A-Za-z0-9-]*", c["alternateNameLanguage"]),
                         photo_carried=True, private_carried=not v4, reading_carried=True)
    note = (note + "\r\n" if note and extra else note) + extra
    card["note"] = lf(note) or None
    card["photo"] = (c["photo"]["type"], photo_bytes(c)) if c["photo"] else None
    card["related"] = [(RELATED_V4[r["relation"]] if v4 else RELATED_V3[r["relation"]], r["name"])
                       for r in c["related"]]
    return card


def evolution_fields(c):
    """What Evolution reads from its own X-EVOLUTION- properties: the anniversary (a
    date), the first spouse, manager and assistant."""
    anniversary = c["anniversary"]
    fields = {"anniversary": anniversary["date"] if anniversary and "date" in anniversary else None}
    for relation in ("Spouse", "Manager", "Assistant"):
        fields[relation.lower()] = next((r["name"] for r in c["related"] if r["relation"] == relation), None)
    return fields


def compact_date(text):
    return text.replace("-", "").replace(":", "") if text else text


def compare(where, got, want):
    problems = []
    for key in want:
        g, w = got.get(key), want[key]
        if key == "rev":
            g, w = compact_date(g), compact_date(w)
        if key in ("birthday", "anniversary") and g and w:
            g, w = (g[0], compact_date(g[1]) if g[0] == "date" else g[1]), \
                   (w[0], compact_date(w[1]) if w[0] == "date" else w[1])
        if g != w:
            problems.append(f"{where}: {key}: read {g!r}, the model says {w!r}")
    return problems


def read_vobject(path):
    try:
        import vobject
    except ImportError:
        skip("python3-vobject is not installed")
    with open(path, encoding="utf-8", newline="") as f:
        components = list(vobject.readComponents(f.read()))
    cards = []
    for comp in components:
        props = [(name.upper(), line) for name, lines in comp.contents.items() for line in lines]

        def values(name):
            return [line for n, line in props if n == name]

        def one(name):
            found = values(name)
            return found[0].value if found else None

        def types(line):
            return tuple(t.lower() for t in line.params.get("TYPE", []))

        n = one("N")
        card = {"uid": one("UID"), "rev": one("REV"), "fn": one("FN"),
                "kind": one("KIND") or one("X-ADDRESSBOOKSERVER-KIND"),
                "members": [line.value for name in ("MEMBER", "X-ADDRESSBOOKSERVER-MEMBER") for line in values(name)],
                "n": [n.family, n.given, n.additional, n.prefix, n.suffix] if n else None,
                "nickname": one("NICKNAME"), "title": one("TITLE"),
                "urls": [line.value for line in values("URL")],
                "fns": [line.value for line in values("FN")],
                "ims": [line.value for line in values("X-MS-IMADDRESS")],
                "emails": [line.value for line in values("EMAIL")],
                "phones": [(types(line), line.value) for line in values("TEL")],
                "note": one("NOTE"),
                "categories": [v for line in values("CATEGORIES") for v in line.value]}
        card["n"] = [",".join(x) if isinstance(x, list) else x for x in card["n"]]
        org = one("ORG")
        card["org"] = org
        for line in values("ADR"):
            a = line.value
            parts = [a.box, a.extended, a.street, a.city, a.region, a.code, a.country]
            card["adr_" + types(line)[0]] = [",".join(p) if isinstance(p, list) else p for p in parts]
        bday, anniversary = one("BDAY"), one("X-ANNIVERSARY")
        card["birthday"] = ("date", bday) if bday else None
        card["anniversary"] = ("date", anniversary) if anniversary else None
        card["related"] = [(n, line.value) for n, line in props if n.startswith("X-MS-") and n != "X-MS-IMADDRESS"]
        photos = values("PHOTO")  # ENCODING=b: vobject gives the bytes
        card["photo"] = ("image/" + photos[0].params["TYPE"][0].lower(), photos[0].value) if photos else None
        cards.append(card)
    return cards


def data_uri(uri):
    """(media type, bytes) of an RFC 2397 data URI in base64, or the URI where it is none."""
    m = re.fullmatch(r"data:([^;,]+);base64,(.*)", uri or "", re.S)
    return (m.group(1), base64.b64decode(m.group(2), validate=True)) if m else uri


def read_eds(path, version):
    try:
        import gi
        gi.require_version("EBookContacts", "1.2")
        from gi.repository import EBookContacts
    except (ImportError, ValueError):
        skip("evolution-data-server's EBookContacts (gir1.2-ebookcontacts-1.2, python3-gi) is not installed")
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    cards = []
    for chunk in text.split("END:VCARD\r\n")[:-1]:
        contact = EBookContacts.Contact.new_from_vcard(chunk + "END:VCARD\r\n")
        attributes = [(a.get_name().upper(), a.get_values(),
                       {p.get_name().upper(): [v.lower() for v in p.get_values()] for p in a.get_params()})
                      for a in EBookContacts.VCard.get_attributes(contact)]

        # EDS splits every value at an unescaped ";", which vCard 4.0 uses only between
        # the components of N, ADR and ORG: elsewhere the parts are one text again.
        def text(values):
            return ";".join(values) if version == 4 else values[0]

        def one(name):
            found = [text(v) for n, v, _ in attributes if n == name]
            return found[0] if found else None

        name = contact.get_property("name")
        card = {"uid": contact.get_property("id"), "rev": contact.get_property("Rev"),
                "kind": one("KIND") or one("X-ADDRESSBOOKSERVER-KIND"),
                "members": [text(v) for n, v, _ in attributes if n in ("MEMBER", "X-ADDRESSBOOKSERVER-MEMBER")],
                "fn": contact.get_property("full-name"),
                "n": [name.family, name.given, name.additional, name.prefixes, name.suffixes] if name else None,
                "nickname": one("NICKNAME"), "title": one("TITLE"),
                "urls": [text(v) for n, v, _ in attributes if n == "URL"],
                "fns": [text(v) for n, v, _ in attributes if n == "FN"],
                "ims": [text(v) for n, v, _ in attributes if n == "X-MS-IMADDRESS"],
                "emails": [text(v) for n, v, _ in attributes if n == "EMAIL"],
                "phones": [(tuple(p.get("TYPE", [])), text(v)) for n, v, p in attributes if n == "TEL"],
                "note": one("NOTE"),
                "categories": [c for n, v, _ in attributes if n == "CATEGORIES" for c in v]}
        org = [v for n, v, _ in attributes if n == "ORG"]
        card["org"] = org[0] if org else None
        for kind in ("work", "home"):
            address = contact.get_property("address-" + kind)
            if address:
                card["adr_" + kind] = [address.po, address.ext, address.street, address.locality, address.region,
                                       address.code, address.country]
        birth = contact.get_property("birth-date")
        for key, prop in (("birthday", "BDAY"), ("anniversary", "ANNIVERSARY" if version == 4 else "X-ANNIVERSARY")):
            found = [(p.get("VALUE", [""])[0], text(v)) for n, v, p in attributes if n == prop]
            card[key] = ("text" if found[0][0] == "text" else "date", found[0][1]) if found else None
        if card["birthday"] and card["birthday"][0] == "date":
            # The typed reading of the date must agree with its text.
            card["birthday"] = ("date", f"{birth.year:04d}-{birth.month:02d}-{birth.day:02d}") if birth else None
        if version == 4:
            card["related"] = [(p.get("TYPE", [""])[0], text(v)) for n, v, p in attributes if n == "RELATED"]
        else:
            card["related"] = [(n, text(v)) for n, v, _ in attributes
                               if n.startswith("X-MS-") and n != "X-MS-IMADDRESS"]
        # Evolution's own reading of its X-EVOLUTION- properties.
        day = contact.get_property("anniversary")
        card["evolution"] = {"anniversary": f"{day.year:04d}-{day.month:02d}-{day.day:02d}" if day else None}
        for relation in ("spouse", "manager", "assistant"):
            card["evolution"][relation] = contact.get_property(relation)
        # PHOTO as EDS parsed it: 3.0's base64 with its TYPE, 4.0's data URI.
        photos = [(text(v), p) for n, v, p in attributes if n == "PHOTO"]
        if not photos:
            card["photo"] = None
        elif version == 4:
            card["photo"] = data_uri(photos[0][0])
        else:
            card["photo"] = ("image/" + photos[0][1]["TYPE"][0], base64.b64decode(photos[0][0], validate=True))
        cards.append(card)
    return cards


def unescape_vcard(text):
    return re.sub(r"\\([\\,;nN])", lambda m: "\n" if m.group(1) in "nN" else m.group(1), text)


def read_icaljs(path, version, node_dir):
    if not node_dir or not os.path.isdir(os.path.join(node_dir, "node_modules", "ical.js")):
        skip("ical.js is not installed (npm ci in tests/export/node)")
    done = subprocess.run(["node", os.path.join(node_dir, "read_vcards.mjs"), path], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    cards = []
    for props in json.loads(done.stdout):
        def plain(p):
            # ical.js leaves the values it has no type for (X- properties) and URIs as
            # written, and reads 3.0 text with 4.0's rules, which know no "\;".
            values = p["values"]
            if p["type"] in ("unknown", "uri") or version == 3:
                values = [unescape_vcard(v) if isinstance(v, str) else
                          [unescape_vcard(x) for x in v] for v in values]
            return values

        def values(name):
            return [plain(p) for p in props if p["name"] == name]

        def one(name):
            found = values(name)
            return found[0][0] if found else None

        def types(p):
            t = p["params"].get("type", [])
            return tuple(x.lower() for x in ([t] if isinstance(t, str) else t))

        n = one("n")
        card = {"uid": one("uid"), "rev": one("rev"), "fn": one("fn"), "n": n, "nickname": one("nickname"),
                "kind": one("kind") or one("x-addressbookserver-kind"),
                "members": [plain(p)[0] for p in props if p["name"] in ("member", "x-addressbookserver-member")],
                "title": one("title"),
                "urls": [plain(p)[0] for p in props if p["name"] == "url"],
                "fns": [plain(p)[0] for p in props if p["name"] == "fn"],
                "ims": [plain(p)[0] for p in props if p["name"] == "x-ms-imaddress"],
                "emails": [plain(p)[0] for p in props if p["name"] == "email"],
                "phones": [(types(p), plain(p)[0]) for p in props if p["name"] == "tel"],
                "note": one("note"),
                "categories": [v for p in props if p["name"] == "categories" for v in plain(p)]}
        org = one("org")
        card["org"] = org if isinstance(org, list) else ([org] if org is not None else None)
        for p in props:
            if p["name"] == "adr":
                card["adr_" + types(p)[0]] = plain(p)[0]
        for key, prop in (("birthday", "bday"), ("anniversary", "anniversary" if version == 4 else "x-anniversary")):
            found = [p for p in props if p["name"] == prop]
            card[key] = (("text" if found[0]["type"] == "text" else "date"), plain(found[0])[0]) if found else None
        if version == 4:
            card["related"] = [(types(p)[0], plain(p)[0]) for p in props if p["name"] == "related"]
        else:
            card["related"] = [(p["name"].upper(), plain(p)[0]) for p in props
                               if p["name"].startswith("x-ms-") and p["name"] != "x-ms-imaddress"]
        photos = [p for p in props if p["name"] == "photo"]
        if not photos:
            card["photo"] = None
        elif version == 4:
            card["photo"] = data_uri(photos[0]["values"][0])
        else:  # 3.0's binary value as written
            card["photo"] = ("image/" + photos[0]["params"]["type"].lower(),
                             base64.b64decode(photos[0]["values"][0], validate=True))
        cards.append(card)
    return cards


def read_vcardparser(path, version, node_dir):
    """vcard-parser's reading of the cards. It joins a folded line's pieces trimmed of
    their blanks, so a fold next to a space loses it; it undoes "\\n", "\\," and "\\;" but
    leaves "\\\\" as written (undone here), and it splits a value at its unescaped ";" if
    it has one, else at its unescaped ",". Parameter values stay as written ("WORK,VOICE")."""
    if not node_dir or not os.path.isdir(os.path.join(node_dir, "node_modules", "vcard-parser")):
        skip("vcard-parser is not installed (npm ci in tests/export/node)")
    done = subprocess.run(["node", os.path.join(node_dir, "read_vcardparser.mjs"), path],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    cards = []
    for props in json.loads(done.stdout):
        def text(value):
            if isinstance(value, list):
                return [text(v) for v in value]
            return value.replace("\\\\", "\\")

        def plain(p, name):
            value = text(p["value"])
            if version == 4 and isinstance(value, list) and name not in ("n", "adr", "org", "categories"):
                return ";".join(value)  # 4.0 escapes every "," of a text: this was split at its ";"
            return value

        def values(name):
            return [plain(p, name) for p in props.get(name, [])]

        def one(name):
            found = values(name)
            return found[0] if found else None

        def types(p):
            return tuple(t.lower() for param in p.get("meta", {}).get("type", []) for t in param.split(","))

        card = {"uid": one("uid"), "rev": one("rev"), "fn": one("fn"), "n": one("n"), "nickname": one("nickname"),
                "title": one("title"), "urls": values("url"), "fns": values("fn"), "ims": values("X-MS-IMADDRESS"),
                "emails": values("email"), "note": one("note"),
                "phones": [(types(p), plain(p, "tel")) for p in props.get("tel", [])],
                "kind": one("kind") or one("X-ADDRESSBOOKSERVER-KIND"),
                "members": values("member") + values("X-ADDRESSBOOKSERVER-MEMBER")}
        org = one("org")
        card["org"] = org if isinstance(org, list) or org is None else [org]
        card["categories"] = [c for value in values("categories") for c in (value if isinstance(value, list) else [value])]
        for p in props.get("adr", []):
            card["adr_" + types(p)[0]] = text(p["value"])
        for key, prop in (("birthday", "bday"), ("anniversary", "anniversary" if version == 4 else "X-ANNIVERSARY")):
            found = props.get(prop)
            card[key] = (found[0].get("meta", {}).get("value", ["date"])[0].lower(), plain(found[0], prop)) \
                if found else None
        if version == 4:
            card["related"] = [(types(p)[0], plain(p, "related")) for p in props.get("related", [])]
        else:
            card["related"] = [(name, plain(p, name)) for name, found in props.items() for p in found
                               if name.startswith("X-MS-") and name != "X-MS-IMADDRESS"]
        photos = props.get("photo", [])
        if not photos:
            card["photo"] = None
        elif version == 4:
            card["photo"] = data_uri(plain(photos[0], "photo"))
        else:
            card["photo"] = ("image/" + photos[0].get("meta", {}).get("type", [""])[0].lower(),
                             base64.b64decode(plain(photos[0], "photo"), validate=True))
        cards.append(card)
    return cards


# ---------------------------------------------------------------- mailing lists

def resolved_groups(convert, book):
    """The address lists as `brenmoor-convert groups` resolves them: for each its name and
    its members as (kind, value): ("contact", position), ("group", name), ("outside",
    address) or ("unaddressed", name); "at" maps the position of a contact named by
    another of its addresses to that address."""
    out = subprocess.run([convert, "groups", book], capture_output=True, text=True, check=True).stdout
    groups = []
    for line in out.splitlines():
        if not line.startswith("\t"):
            if not line.endswith("not exported"):
                groups.append({"name": re.sub(r" \([^()]*\)$", "", line), "members": [], "at": {}})
            continue
        value, kind, at = re.fullmatch(r"\t(.*) \((contact \d+|group|outside the book|no Internet address)(?:, at (.*))?\)",
                                       line).groups()
        if kind.startswith("contact "):
            groups[-1]["members"].append(("contact", int(kind.split()[1])))
            if at:
                groups[-1]["at"][int(kind.split()[1])] = at
        else:
            groups[-1]["members"].append(({"group": "group", "outside the book": "outside"}.get(kind, "unaddressed"),
                                          value))
    return groups


def bare_uid(uid):
    return uid[len("urn:uuid:"):] if uid and uid.startswith("urn:uuid:") else uid


def check_group_cards(cards, contact_cards, groups, version):
    """Each list's card: a group, its name, a member for each contact (the UID of the
    contact's own card) and list of the book, outside addresses as mailto: members (4.0)
    or note lines (3.0), members without an address as note lines."""
    problems = []
    for group, card in zip(groups, cards):
        where = f"list {group['name']!r}"
        want, lines = [], []
        for kind, value in group["members"]:
            if kind == "contact":
                want.append(bare_uid(contact_cards[value - 1]["uid"]))
            elif kind == "group":
                want.append(bare_uid(cards[[g["name"] for g in groups].index(value)]["uid"]))
            elif kind == "outside" and version == 4:
                want.append("mailto:" + value)
            else:
                lines.append(value)
        got = {"kind": (card["kind"] or "").lower(), "fn": card["fn"], "members": [bare_uid(m) for m in card["members"]]}
        problems += compare(where, got, {"kind": "group", "fn": group["name"], "members": want})
        problems += [f"{where}: the note lacks {line!r}" for line in lines if line not in (card["note"] or "")]
    return problems


def check_vcards(reader, path, model, node_dir, groups):
    version = 3 if reader.endswith("3") else 4
    if reader == "vobject3":
        cards = read_vobject(path)
    elif reader.startswith("eds"):
        cards = read_eds(path, version)
    elif reader.startswith("vcardparser"):
        cards = read_vcardparser(path, version, node_dir)
    else:
        cards = read_icaljs(path, version, node_dir)
    if len(cards) != len(model) + len(groups):
        return [f"{len(cards)} cards read, the model has {len(model)} contacts and {len(groups)} lists"]
    problems = []
    uids = [card["uid"] for card in cards]
    if len(set(uids)) != len(uids):
        problems.append(f"UIDs repeat: {uids}")
    problems += check_group_cards(cards[len(model):], cards[:len(model)], groups, version)
    for i, (card, contact) in enumerate(zip(cards, model), 1):
        want = expected_card(contact, version)
        problems += lost_values(f"card {i}", contact, texts(want))
        if not reader.startswith("eds"):
            del want["evolution"]  # only Evolution reads these
        elif version == 4:
            # EDS splits a category at the ";" that RFC 6350 leaves unescaped in text
            # (ical.js would show "\;" were it escaped).
            want["categories"] = [part for category in want["categories"] for part in category.split(";")]
        if reader == "vcardparser4" and any(";" in category for category in want["categories"]):
            # vcard-parser splits a value at ";" where it has one unescaped (as RFC 6350
            # leaves it in a category), and then not at the commas between categories.
            want["categories"] = ",".join(want["categories"]).split(";")
        problems += compare(f"card {i}", card, want)
        if not card["fn"]:
            problems.append(f"card {i}: empty FN")
    return problems


# ---------------------------------------------------------------- LDIF

def first_page(c, place):
    return next((p for p in c["webPages"] if p["place"] == place), None)


LDIF_PHONES = [("telephoneNumber", {"WorkVoice"}), ("homePhone", {"HomeVoice"}),
               ("facsimiletelephonenumber", {"WorkFax", "HomeFax"}), ("pager", {"WorkPager"}),
               ("mobile", {"WorkCell", "PersonalCell"})]


def place_phones(phones, slots):
    """Each phone into the first free slot for its kind, then each one left into the first
    free slot that also takes it; returns the slots' numbers and the phones left over."""
    placed = {}

    def place(phone, which):
        name = next((slot[0] for slot in slots
                     if phone["kind"] in (slot[which:which + 1] or [()])[0] and slot[0] not in placed), None)
        if name:
            placed[name] = phone["number"]
        return name

    left = [phone for phone in phones if not place(phone, 1)]
    return placed, [phone for phone in left if not place(phone, 2)]


def split_street(street):
    m = re.search(r"\r\n|\r|\n", street)
    return (street, "") if not m else (street[:m.start()], street[m.end():])


def expected_entry(c):
    entry = {"objectclass": ["top", "person", "organizationalPerson", "inetOrgPerson", "mozillaAbPersonAlpha"]}

    def put(attribute, value):
        if value:
            entry[attribute] = [value]

    put("givenName", c["name"]["given"])
    put("sn", c["name"]["family"])
    put("cn", c["formattedName"])
    put("mozillaNickname", c["nickname"])
    emails = addresses(c)
    put("mail", emails[0] if emails else "")
    put("mozillaSecondEmail", emails[1] if len(emails) > 1 else "")
    placed, left = place_phones(c["phones"], LDIF_PHONES)
    for name, number in placed.items():
        put(name, number)
    for address, names in ((c["homeAddress"], ["mozillaHomeStreet", "mozillaHomeStreet2", "mozillaHomeLocalityName",
                                               "mozillaHomeState", "mozillaHomePostalCode", "mozillaHomeCountryName"]),
                           (c["workAddress"], ["street", "mozillaWorkStreet2", "l", "st", "postalCode", "c"])):
        if address:
            first, more = split_street(address["street"])
            for name, value in zip(names, [first, more, address["city"], address["region"], address["postalCode"],
                                           address["country"]]):
                put(name, value)
    put("title", c["jobTitle"])
    put("ou", c["unit"])
    put("o", c["organization"])
    work, home = first_page(c, "Work"), first_page(c, "Home")
    put("mozillaWorkUrl", work["url"] if work else "")
    put("mozillaHomeUrl", home["url"] if home else "")
    birthday = c["birthday"]
    if birthday and "date" in birthday:
        year, month, day = (int(x) for x in birthday["date"].split("-"))
        put("birthyear", str(year))
        put("birthmonth", str(month))
        put("birthday", str(day))

    extra = ""
    for key, label in (("middle", "Middle name"), ("prefix", "Name prefix"), ("suffix", "Name suffix")):
        if c["name"][key]:
            extra = note_line(extra, label, c["name"][key])
    if c["office"]:
        extra = note_line(extra, "Office", c["office"])
    for email in emails[2:]:
        extra = note_line(extra, "E-mail", email)
    for page in c["webPages"]:
        if page is not work and page is not home:
            extra = note_line(extra, WEB_LABELS[page["place"]], page["url"])
    for phone in left:
        extra = note_line(extra, PHONE_LABELS[phone["kind"]], phone["number"])
    if birthday and "text" in birthday:
        extra = note_line(extra, "Birthday", birthday["text"])
    if c["anniversary"]:
        extra = note_line(extra, "Anniversary", date_or_text(c["anniversary"]))
    for person in c["related"]:
        extra = note_line(extra, person["relation"], person["name"])
    if c["categories"]:
        extra = note_line(extra, "Categories", ", ".join(c["categories"]))
    jpeg = c["photo"] and c["photo"]["type"] == "image/jpeg"
    extra = common_lines(c, extra, photo_carried=jpeg)
    put("description", c["note"] + "\r\n" + extra if c["note"] and extra else c["note"] or extra)
    if jpeg:
        entry["jpegPhoto"] = [photo_bytes(c)]
    return entry


def check_ldif(path, model, groups):
    try:
        import ldif
    except ImportError:
        skip("python3-ldap is not installed")
    with open(path, "rb") as f:
        raw = f.read()
    assert raw.startswith(b"version: 1\n"), raw[:20]
    assert b"\r" not in raw, "a line ends in CR LF or a bare CR: LDIF lines end in LF alone"
    records = ldif.LDIFRecordList(io.BytesIO(raw))
    records.parse()
    entries = records.all_records
    lists = [(dn, e) for dn, e in entries if b"groupOfNames" in e.get("objectclass", [])]
    outside = {e["mail"][0].decode(): dn for dn, e in entries[len(model):] if b"groupOfNames" not in e["objectclass"]}
    # A groupOfNames needs a member: the lists without one, nor one inside them, are left out.
    kept = [any(kind in ("contact", "outside") for kind, _ in g["members"]) for g in groups]
    by_name = {g["name"]: n for n, g in enumerate(groups)}
    while True:
        more = [n for n, g in enumerate(groups) if not kept[n] and
                any(kind == "group" and kept[by_name[value]] for kind, value in g["members"])]
        if not more:
            break
        for n in more:
            kept[n] = True
    if len(entries) != len(model) + len(lists) + len(outside) or len(lists) != sum(kept):
        return [f"{len(entries)} entries read, the model has {len(model)} contacts and {sum(kept)} lists with members"]
    problems = []
    dns = [dn for dn, _ in entries]
    repeated = sorted(dn for dn, times in collections.Counter(dns).items() if times > 1)
    if repeated:
        problems.append(f"distinguished names repeat: {repeated}")
    list_dns = dict(zip([g["name"] for g, k in zip(groups, kept) if k], [dn for dn, _ in lists]))

    def contact_dn(group, position):
        """The dn of the contact's entry, with the address the list names it by where that is
        its second, which Thunderbird finds the card by."""
        dn, entry = entries[position - 1]
        at = group["at"].get(position)
        if at and [v.decode() for v in entry.get("mozillaSecondEmail", [])] == [at]:
            return re.match(r"(?:[^,\\]|\\.)*", dn).group(0) + ",mail=" + at
        return dn

    # Thunderbird's lists: members by the dns of entries of the file, a list inside a list
    # by the dn of its entry, each address outside the book an entry of its own.
    for group, (dn, entry) in zip([g for g, k in zip(groups, kept) if k], lists):
        where = f"list {group['name']!r}"
        members = group["members"]
        want = sorted(contact_dn(group, value) if kind == "contact" else
                      list_dns[value] if kind == "group" else outside.get(value, value)
                      for kind, value in members if kind != "unaddressed" and (kind != "group" or value in list_dns))
        got = sorted(m.decode() for m in entry.get("member", []))
        problems += compare(where, {"cn": entry["cn"][0].decode(), "members": got}, {"cn": group["name"], "members": want})
        description = entry.get("description", [b""])[0].decode()
        problems += [f"{where}: the description lacks {value!r}" for kind, value in members
                     if (kind == "unaddressed" or (kind == "group" and value in list_dns)) and value not in description]
    for i, ((dn, entry), contact) in enumerate(zip(entries, model), 1):
        if not dn.startswith("cn=" if contact["formattedName"] else "uid="):
            problems.append(f"entry {i}: dn {dn!r} is not Thunderbird's cn=...,mail=...")
        got = {name: values if name == "jpegPhoto" else [v.decode("utf-8") for v in values]
               for name, values in entry.items()}
        problems += [f"entry {i}: {name} of white space alone" for name, values in got.items()
                     if name != "jpegPhoto" and any(re.fullmatch(r"[\s,;]*", v) for v in values)]
        want = expected_entry(contact)
        for name in sorted(set(got) | set(want)):
            if got.get(name) != want.get(name):
                problems.append(f"entry {i}: {name}: read {got.get(name)!r}, the model says {want.get(name)!r}")
        fields = texts({k: v for k, v in want.items() if k != "jpegPhoto"})
        if "birthyear" in want:  # the birthday in its three attributes
            fields.append("-".join(f"{int(want[k][0]):0{w}d}" for k, w in
                                   (("birthyear", 4), ("birthmonth", 2), ("birthday", 2))))
        problems += lost_values(f"entry {i}", contact, fields)
    return problems


# abook's fields and the LDIF attributes its reader takes them from (the first of a name
# found wins, e-mail addresses are joined with ","). It takes the day of the month in
# "birthday" for its anniversary, and keeps 80 bytes of every field but the e-mails.
ABOOK_FIELDS = {"name": ["cn"], "email": ["mail", "mozillaSecondEmail"], "state": ["st"], "zip": ["postalCode"],
                "phone": ["homePhone"], "workphone": ["telephoneNumber"], "fax": ["facsimiletelephonenumber"],
                "mobile": ["mobile"], "nick": ["mozillaNickname"], "notes": ["description"],
                "anniversary": ["birthday"], "groups": ["ou"]}


def check_abook(path, model, raw):
    """abook's conversion of the LDIF file: a record for every entry (the mailing lists
    and their outside addresses after the contacts), the contacts' field by field."""
    if not shutil.which("abook"):
        skip("abook is not installed")
    form = "\x1e" + "\x1f".join("{%s}" % field for field in ABOOK_FIELDS)
    done = subprocess.run(["abook", "--convert", "--informat", "ldif", "--infile", path, "--outformat", "custom",
                           "--outformatstr", form, "--outfile", "-"], capture_output=True)
    assert done.returncode == 0, done.stderr
    records = done.stdout.split(b"\x1e")[1:]
    entries = raw.count(b"\ndn:")
    if len(records) != entries or entries < len(model):
        return [f"abook read {len(records)} of {entries} entries, the model has {len(model)} contacts"]
    problems = []
    for i, (record, contact) in enumerate(zip(records, model), 1):
        got = dict(zip(ABOOK_FIELDS, record.removesuffix(b"\n").split(b"\x1f")))
        entry = expected_entry(contact)
        for field, attributes in ABOOK_FIELDS.items():
            want = ",".join(v for a in attributes for v in entry.get(a, [])).encode("utf-8")
            want = want if field == "email" else want[:80]
            if got[field] != want:
                problems.append(f"entry {i}: {field}: abook read {got[field]!r}, the model says {want!r}")
    return problems


# ---------------------------------------------------------------- Outlook CSV

OUTLOOK_COLUMNS = [
    "Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company", "Department", "Job Title",
    "Business Street", "Business Street 2", "Business Street 3", "Business City", "Business State",
    "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2", "Home Street 3", "Home City",
    "Home State", "Home Postal Code", "Home Country/Region", "Other Street", "Other Street 2", "Other Street 3",
    "Other City", "Other State", "Other Postal Code", "Other Country/Region", "Assistant's Phone", "Business Fax",
    "Business Phone", "Business Phone 2", "Callback", "Car Phone", "Company Main Phone", "Home Fax", "Home Phone",
    "Home Phone 2", "ISDN", "Mobile Phone", "Other Fax", "Other Phone", "Pager", "Primary Phone", "Radio Phone",
    "TTY/TDD Phone", "Telex", "Account", "Anniversary", "Assistant's Name", "Billing Information", "Birthday",
    "Business Address PO Box", "Categories", "Children", "Directory Server", "E-mail Address", "E-mail Type",
    "E-mail Display Name", "E-mail 2 Address", "E-mail 2 Type", "E-mail 2 Display Name", "E-mail 3 Address",
    "E-mail 3 Type", "E-mail 3 Display Name", "Gender", "Government ID Number", "Hobby", "Home Address PO Box",
    "Initials", "Internet Free Busy", "Keywords", "Language", "Location", "Manager's Name", "Mileage", "Notes",
    "Office Location", "Organizational ID Number", "Other Address PO Box", "Priority", "Private", "Profession",
    "Referred By", "Sensitivity", "Spouse", "User 1", "User 2", "User 3", "User 4", "Web Page"]

OUTLOOK_PHONES = [("Business Phone", {"WorkVoice"}), ("Business Phone 2", {"WorkVoice"}),
                  ("Business Fax", {"WorkFax"}), ("Mobile Phone", {"WorkCell", "PersonalCell"}),
                  ("Pager", {"WorkPager"}), ("Home Phone", {"HomeVoice"}), ("Home Phone 2", {"HomeVoice"}),
                  ("Home Fax", {"HomeFax"}), ("Assistant's Phone", {"Assistant"}), ("Car Phone", {"Car"}),
                  ("Other Phone", {"OtherVoice"}, {"WorkCell", "PersonalCell", "WorkVoice", "HomeVoice", "Assistant",
                                                   "Car"}),
                  ("Other Fax", {"OtherFax"}, {"WorkFax", "HomeFax"})]


def expected_record(c):
    row = dict.fromkeys(OUTLOOK_COLUMNS, "")
    for column, key in (("Title", "prefix"), ("First Name", "given"), ("Middle Name", "middle"),
                        ("Last Name", "family"), ("Suffix", "suffix")):
        row[column] = c["name"][key]
    parts = [c["name"][k] for k in ("given", "middle", "family") if c["name"][k]]
    if not parts and not c["formattedNameMadeUp"] and \
            c["formattedName"] not in (c["organization"], (addresses(c) or [""])[0]):
        row["First Name"] = c["formattedName"]
    row.update({"Company": c["organization"], "Department": c["unit"], "Job Title": c["jobTitle"],
                "Office Location": c["office"], "Web Page": c["webPages"][0]["url"] if c["webPages"] else ""})
    for prefix, address in (("Business", c["workAddress"]), ("Home", c["homeAddress"])):
        if address:
            row.update({f"{prefix} Street": address["street"], f"{prefix} City": address["city"],
                        f"{prefix} State": address["region"], f"{prefix} Postal Code": address["postalCode"],
                        f"{prefix} Country/Region": address["country"]})
    extra = note_line("", "Nickname", c["nickname"]) if c["nickname"] else ""
    for i, email in enumerate(addresses(c)):
        if i < 3:
            row[["E-mail Address", "E-mail 2 Address", "E-mail 3 Address"][i]] = email
        else:
            extra = note_line(extra, "E-mail", email)
    for page in c["webPages"][1:]:
        extra = note_line(extra, WEB_LABELS[page["place"]], page["url"])
    placed, left = place_phones(c["phones"], OUTLOOK_PHONES)
    row.update(placed)
    row["Primary Phone"] = next((p["number"] for p in c["phones"] if p["preferred"]), "")
    if c["private"]:
        row.update({"Sensitivity": "Private", "Private": "True"})
    for phone in left:
        extra = note_line(extra, PHONE_LABELS[phone["kind"]], phone["number"])
    for key, column in (("birthday", "Birthday"), ("anniversary", "Anniversary")):
        value = c[key]
        if value and "date" in value:
            row[column] = value["date"]
        elif value:
            extra = note_line(extra, column, value["text"])
    columns = {"Spouse": "Spouse", "Manager": "Manager's Name", "Assistant": "Assistant's Name"}
    children = []
    for person in c["related"]:
        if person["relation"] == "Child":
            children.append(person["name"])
        elif not row[columns[person["relation"]]]:
            row[columns[person["relation"]]] = person["name"]
        else:
            extra = note_line(extra, person["relation"], person["name"])
    row["Children"] = ", ".join(children)
    # Outlook's import splits at every ";": a category holding one is a note line.
    row["Categories"] = ";".join(x for x in c["categories"] if ";" not in x)
    for category in c["categories"]:
        if ";" in category:
            extra = note_line(extra, "Category", category)
    extra = common_lines(c, extra, private_carried=True)
    row["Notes"] = c["note"] + "\r\n" + extra if c["note"] and extra else c["note"] or extra
    return row


def model_values(c):
    """Every value of the model that a format must carry somewhere, line by line (a
    format may give a street's lines places of their own). The formatted name counts
    only where the contact has no name parts (a format that keeps them keeps the person's
    name) and it is not the company or the e-mail address."""
    parts = " ".join(c["name"][k] for k in ("given", "middle", "family") if c["name"][k])
    derived = c["formattedNameMadeUp"] or bool(parts) or \
        c["formattedName"] in (c["organization"], (addresses(c) or [""])[0])
    values = [] if derived else [c["formattedName"]]
    values += [c["nickname"], c["organization"], c["unit"], c["jobTitle"], c["office"],
               c["note"], c["notesMailAddress"], c["alternateName"]] + list(c["name"].values()) + addresses(c)
    values += c["categories"] + c["imAddresses"] + [p["url"] for p in c["webPages"]]
    values += [f["value"] for f in c["otherFields"]] + [f["name"] for f in c["attachments"]]
    values += [p["number"] for p in c["phones"]] + [r["name"] for r in c["related"]]
    for address in (c["workAddress"], c["homeAddress"]):
        values += list((address or {}).values())
    values += [v for v in (date_or_text(c["birthday"]), date_or_text(c["anniversary"])) if v]
    return [line for v in values if v for line in re.split(r"\r\n|\r|\n", v) if line]


def texts(value):
    """Every text in an expected card, entry or record."""
    if isinstance(value, str):
        return [value]
    if isinstance(value, dict):
        value = value.values()
    return [t for v in value or () for t in texts(v)] if isinstance(value, (list, tuple, type({}.values()))) else []


def lost_values(where, contact, fields):
    """The model's values that the fields of a format's expected card, entry or record do
    not carry: what the file is compared with must itself keep every value of the book."""
    lost = [v for v in model_values(contact) if not any(v in field for field in fields)]
    return [f"{where}: lost {v!r}" for v in lost]


def check_outlook_csv(path, model):
    with open(path, "rb") as f:
        raw = f.read()
    assert raw.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte order mark"
    text = raw.decode("utf-8-sig")
    csv.field_size_limit(sys.maxsize)  # a note may be longer than the module's default
    rows = list(csv.reader(io.StringIO(text, newline="")))
    problems = []
    if rows[0] != OUTLOOK_COLUMNS:
        problems.append(f"header {rows[0]!r} is not Outlook's")
    records = rows[1:]
    if len(records) != len(model):
        return problems + [f"{len(records)} records read, the model has {len(model)} contacts"]
    for i, (record, contact) in enumerate(zip(records, model), 1):
        if len(record) != len(OUTLOOK_COLUMNS):
            problems.append(f"record {i}: {len(record)} fields")
            continue
        got = dict(zip(OUTLOOK_COLUMNS, record))
        problems += [f"record {i}: {column} of white space alone" for column, value in got.items()
                     if value and re.fullmatch(r"[\s,;]*", value)]
        want = expected_record(contact)
        for column in OUTLOOK_COLUMNS:
            if got[column] != want[column]:
                problems.append(f"record {i}: {column}: read {got[column]!r}, the model says {want[column]!r}")
        problems += lost_values(f"record {i}", contact, texts(want))
    # Every field quoted, every record ended by CR LF.
    if not text.startswith('"Title","First Name"') or not text.endswith('"\r\n'):
        problems.append("fields are not all quoted or the file does not end in CR LF")
    return problems


GOOGLE_LIMIT = 3000


def google_files(folder):
    """The Google CSV files of an export in their order: _Google.csv, _Google_2.csv, ..."""
    names = [n for n in os.listdir(folder) if re.fullmatch(r"Qalder_Notes_Contact_Google(_\d+)?\.csv", n)]
    return [os.path.join(folder, n) for n in sorted(names, key=lambda n: int(re.sub(r"\D", "", n) or 1))]


def check_google_csv(folder, model):
    """Every file starts with Google's header, holds at most 3,000 records (all but the last
    full), and the records in order are the model's contacts: each field as the rules put
    it where Google has a column, and every value of the contact somewhere in the record."""
    csv.field_size_limit(sys.maxsize)
    problems, records, header = [], [], None
    paths = google_files(folder)
    want_files = max(1, -(-len(model) // GOOGLE_LIMIT))
    if len(paths) != want_files:
        problems.append(f"{len(paths)} files for {len(model)} contacts, not {want_files}")
    for n, path in enumerate(paths, 1):
        with open(path, "rb") as f:
            raw = f.read()
        if raw.startswith(b"\xef\xbb\xbf") or not raw.endswith(b'"\r\n'):
            problems.append(f"{path}: a byte order mark, or not ended by a quoted field and CR LF")
        rows = list(csv.reader(io.StringIO(raw.decode("utf-8"), newline="")))
        header = header or rows[0]
        if rows[0] != header or not {"First Name", "Last Name", "Labels", "Notes", "E-mail 1 - Label",
                                     "E-mail 1 - Value", "Phone 1 - Value", "Address 1 - Formatted",
                                     "Organization Name", "Relation 1 - Value"} <= set(rows[0]):
            problems.append(f"{path}: header {rows[0][:4]!r}... lacks Google's columns")
        if len(rows) - 1 != (GOOGLE_LIMIT if n < len(paths) else len(model) - GOOGLE_LIMIT * (n - 1)):
            problems.append(f"{path}: {len(rows) - 1} records")
        records += rows[1:]
    if len(records) != len(model):
        return problems + [f"{len(records)} records read, the model has {len(model)} contacts"]
    for i, (record, contact) in enumerate(zip(records, model), 1):
        got = dict(zip(header, record))
        if len(record) != len(header):
            problems.append(f"record {i}: {len(record)} fields")
            continue
        labels = [label for label in got["Labels"].split(" ::: ") if label]
        emails = [got[f"E-mail {k} - Value"] for k in range(1, 5) if got[f"E-mail {k} - Value"]]
        for what, read, want in (("Labels", labels, [c for c in contact["categories"] if " ::: " not in c]),
                                 ("e-mail", emails, addresses(contact)[:4]),
                                 ("Last Name", got["Last Name"], contact["name"]["family"]),
                                 ("Organization Name", got["Organization Name"], contact["organization"]),
                                 ("phonetic names", [got["Phonetic First Name"], got["Phonetic Last Name"]],
                                  [contact["readingGiven"], contact["readingFamily"]]),
                                 ("private flag", [line for line in got["Notes"].split("\r\n")
                                                   if line in ("Private contact", "Private: yes")],
                                  ["Private contact"] if contact["private"] else [])):
            if read != want:
                problems.append(f"record {i}: {what}: read {read!r}, the model says {want!r}")
        problems += lost_values(f"record {i}", contact, record)
    return problems


# ---------------------------------------------------------------- main

def replicas_book(path, folder):
    """A generated book put together from two replicas: each document twice, with its
    universal ID."""
    generated = os.path.join(folder, "generated.dxl")
    subprocess.run([sys.executable, GENERATOR, "40", generated], check=True)
    with open(generated, encoding="utf-8") as f:
        text = f.read()
    start, end = text.index("<document"), text.rindex("</document>") + len("</document>\n")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text[:end] + text[start:end] + text[end:])


def check_vcard_lines(raw):
    """Folds within 75 octets, whole characters, never next to a blank; no property of
    white space alone (3.0's N, which the card must have, aside)."""
    unfolded = raw.replace(b"\r\n ", b"").decode("utf-8").split("\r\n")
    found = [f"a property of white space alone: {line!r}" for line in unfolded
             if ":" in line and not line.startswith("N:") and re.fullmatch(r"[ \t;,]*", line.split(":", 1)[1])]
    lines = raw.split(b"\r\n")
    found += [f"line of {len(line)} octets: {line[:40]!r}" for line in lines if len(line) > 75]
    found += [f"fold inside a UTF-8 sequence: {line[:20]!r}" for line in lines
              if line[:2].startswith(b" ") and len(line) > 1 and (line[1] & 0xC0) == 0x80]
    found += [f"fold next to a blank: {line[-20:]!r} / {after[:20]!r}" for line, after in zip(lines, lines[1:])
              if after.startswith(b" ") and (line[-1:] in (b" ", b"\t") or after[1:2] in (b" ", b"\t"))]
    return found


def main():
    reader, convert, dump, sample = sys.argv[1:5]
    node_dir = sys.argv[5] if len(sys.argv) > 5 else None
    fmt = READERS[reader]
    if reader.startswith("radicale") and not carddav_server.installed():
        skip("Radicale (radicale) is not installed")
    problems = []
    with tempfile.TemporaryDirectory() as tmp, contextlib.ExitStack() as stack:
        server = stack.enter_context(carddav_server.Radicale(tmp)) if reader.startswith("radicale") else None
        edge = os.path.join(tmp, "edge.dxl")
        importer_book.write_book(edge)
        replicas = os.path.join(tmp, "replicas.dxl")
        replicas_book(replicas, tmp)
        books = [sample, edge, REAL_BOOK, GROUPS_BOOK, replicas, MEDIA_BOOK, LONG_TAIL_BOOK]
        if fmt == "google-csv":
            books.append(os.path.join(tmp, "large.dxl"))
            subprocess.run([sys.executable, GENERATOR, str(2 * GOOGLE_LIMIT + 1), books[-1]], check=True)
        for book in books:
            name = os.path.basename(book)
            out = os.path.join(tmp, "out-" + name)
            done = subprocess.run([convert, "export", fmt, book, out], capture_output=True, text=True)
            # The media book holds files that cannot be written (compressed, damaged): status 3.
            assert done.returncode == (3 if book == MEDIA_BOOK else 0), done.stderr
            assert done.stdout.splitlines()[-1] == "Conversion Process Completed", done.stdout
            model = json.loads(subprocess.run([dump, book], capture_output=True, text=True, check=True).stdout)
            groups = resolved_groups(convert, book) if fmt in ("vcard3", "vcard4", "ldif") else []
            path = os.path.join(out, FILES[fmt])
            if fmt == "google-csv":
                found = check_google_csv(out, model)
                problems += [f"{name}: {p}" for p in found]
                print(f"{name}: {len(model)} contacts read by {reader}, {len(found)} problems")
                continue
            with open(path, "rb") as f:
                raw = f.read()
            if fmt.startswith("vcard"):  # (a CSV field keeps the line breaks of its value; LDIF has LF alone)
                assert b"\n" not in raw.replace(b"\r\n", b""), f"{path}: a line ends in a bare LF or CR"
            if server:
                cards = carddav_server.split_cards(raw.decode("utf-8"))
                found = [] if len(cards) == len(model) + len(groups) else [f"{len(cards)} cards, the model has {len(model)}"]
                if book == edge:  # a few of the many twins say what all of them would
                    cards = cards[:importer_book.DISTINCT + 5]
                found += server.store_and_read_back(os.path.splitext(name)[0], cards)
            elif fmt.startswith("vcard"):
                found = check_vcards(reader, path, model, node_dir, groups) + check_vcard_lines(raw)
            elif reader == "abook":
                found = check_abook(path, model, raw)
            elif fmt == "ldif":
                found = check_ldif(path, model, groups)
            else:
                found = check_outlook_csv(path, model)
            problems += [f"{name}: {p}" for p in found]
            print(f"{name}: {len(model)} contacts read by {reader}, {len(found)} problems")
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
