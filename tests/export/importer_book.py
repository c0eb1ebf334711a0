"""A DXL address book whose values break careless writers: non-ASCII text (accents, CJK,
characters beyond U+FFFF), values with line breaks of every kind, commas, semicolons,
colons, backslashes and quotes, leading and trailing spaces, values long enough to be
folded, list items, dates that are only text, a hierarchical full name, documents
without a universal ID, identical documents (two, and 530 more at the end; also two
with a name that holds ",mail="), two documents of one universal ID, a last change in
year 9999 that is in year 10000 in UTC, control characters and line separators in
values, a note of some hundred kilobytes, contacts known only by a phone number or by
nothing at all, and the items of real books: a contact of the current contacts template
(typed e-mail items, further phones and web pages, Sametime, private, a name in another
language, items of the user's own, bookkeeping and secrets) and a Domino Directory
person (canonical names, a Notes mail address, the Internet address apart).

    write_book(path)
"""
from xml.sax.saxutils import escape

LONG = "Überlänge " + "日本語テキスト" * 12 + " 🎉 end"

TWIN = (None, [("FirstName", "Twin"), ("LastName", "Same"), ("MailAddress", "twin@example.com")])

CONTACTS = [
    # (noteinfo or None, [(item, value)]) where value is a str, a list (textlist),
    # ("date", "yyyymmdd"), ("number", "..."), or ("rich", [paragraphs]).
    ({"unid": "0123456789ABCDEF0123456789ABCDEF", "modified": "20140301T101530,12-04"}, [
        ("Title", "Dr."), ("FirstName", "Zoë"), ("MiddleInitial", "Q"), ("LastName", "Ångström, Jr."),
        ("Suffix", "III"), ("MailAddress", ["zoe@example.se", "ZOE@example.se", "z.a@example.org"]),
        ("MiscPhone1", "  extra1@example.com  "), ("MiscPhone2", ""), ("MiscPhone3", "z.a@EXAMPLE.org"),
        ("CompanyName", "Müller; Söhne, GmbH"), ("Department", "R&D; Labs"), ("JobTitle", "Chief \\ Scientist"),
        ("OfficeStreetAddress", "Königstraße 17\r\nHinterhaus, 2. OG"), ("OfficeCity", "Stuttgart"),
        ("OfficeState", "BW"), ("OfficeZip", "70173"), ("OfficeCountry", "Deutschland"),
        ("OfficePhoneNumber", ["+49 711 1", "+49 711 2", "+49 711 3"]), ("OfficeFaxPhoneNumber", "+49 711 9"),
        ("CellPhoneNumber", "+49 170 1"), ("PhoneNumber_6", "+49 711 8"),
        ("Location", "Bau 4; Raum 2, links"), ("WebSite", "https://example.de/a,b;c"),
        ("Manager", ["CN=Boss One/O=Acme", "Boss Two"]), ("Assistant", "Asa Assist"),
        ("StreetAddress", ["Line one", "Line two; with, marks"]), ("City", "Zürich"), ("State", ""),
        ("Zip", "8001"), ("Country", "Schweiz"),
        ("Spouse", "Sam \"Sunny\" Ångström"), ("Children", ["Kid One", "Kid, Two"]),
        ("PhoneNumber", "+41 44 1"), ("HomeFaxPhoneNumber", "+41 44 2"), ("PersPager", "+41 79 3"),
        ("Birthday", ("date", "19700102")), ("Anniversary", ("date", "19990909")),
        ("Briefcase", ("rich", ["Case line 1", "Case; line, 2"])),
        ("Comment", ("rich", ["Comment: first", "back\\slash and \"quotes\"", LONG])),
        ("FullName", ["CN=Zoë Ångström/O=Acme", "Zoë"]), ("ShortName", "Zo, Z"),
        ("Categories", ["Work", "Friends, close", "Golf"]), ("MailDomain", "ACME"),
    ]),
    ({"unid": "fedcba9876543210FEDCBA9876543210", "modified": "20200630T235959,00+0530"}, [
        ("FullName", "CN=Ann Lee/OU=Sales/O=Acme"), ("Comment", "one\nLF two\rCR three\r\nCRLF four"),
        ("Birthday", "sometime in May"), ("Anniversary", "spring, 1990; maybe"),
        ("Categories", "Work, Family; Golf ;  ; Chess"),
        ("OfficeCity", " leading space"), ("City", "trailing space "), ("Zip", "<angle"),
        ("Country", ":colon first"), ("JobTitle", LONG),
    ]),
    (None, [
        ("CompanyName", "Only A Company Ltd."), ("Birthday", "1980-05-17"),
        ("PersPager", "+1 555 0101"), ("CellPhoneNumber", ""), ("Location", "Tower 2"),
    ]),
    (None, [("MiscPhone2", "only.mail@example.com"), ("Spouse", ["First", "Second"]),
            ("Manager", "M1"), ("Assistant", ["A1", "A2"])]),
    ({"unid": "not-a-unid", "modified": "garbage"}, []),
    TWIN,
    TWIN,
    (None, [("FirstName", "a,mail=b"), ("MailAddress", "x@y.z")]),
    (None, [("FirstName", "a,mail=b"), ("MailAddress", "x@y.z")]),
    ({"unid": "99990000AAAABBBBCCCCDDDDEEEEFFFF", "modified": "99991231T230000,00-05"},
     [("LastName", "Replica"), ("PhoneNumber", "+1 555 0199")]),
    ({"unid": "99990000AAAABBBBCCCCDDDDEEEEFFFF", "modified": "00010101T010000,00+05"},
     [("LastName", "Replica"), ("Comment", "del\x7f and\u0085 c1\u009f kept\ttab\u2028next\u2029para")]),
    (None, [("CellPhoneNumber", "+1 555 0123"), ("JobTitle", "\x7f\u0080")]),
    ({"unid": "AAAABBBBCCCCDDDDEEEEFFFF00001111", "modified": "20100101T000000,00Z"}, [
        ("FirstName", "Грета"), ("LastName", "Δοκιμή"), ("MailAddress", "greta@example.gr"),
        ("MiscPhone1", "a@example.gr"), ("MiscPhone2", "b@example.gr"), ("MiscPhone3", "c@example.gr"),
        ("OfficeStreetAddress", "Only street"), ("HomeFaxPhoneNumber", ["+30 1", "+30 2", "+30 3"]),
        ("PersPager", ["+30 69 1", "+30 69 2"]), ("CellPhoneNumber", "+30 69 0"),
        ("Comment", "x" * 74 + "é" + "y" * 73 + "田" + "z" * 72 + "🎉"),
    ]),
    # A note longer than the pieces the writers pass it on in (a 64 KiB piece ends inside
    # a CR LF, then inside a character), after a briefcase that ends in a CR, with a
    # control character between a CR and an LF, and labelled lines after it.
    ({"unid": "0000111122223333444455556666777F", "modified": "20200202T020202,00Z"}, [
        ("FirstName", "Long"), ("MiddleInitial", "N"), ("LastName", "Note"), ("ShortName", "Longy"),
        ("Birthday", "some day"), ("Briefcase", "Case\r"),
        ("Comment", "L" * 65535 + "\r\nx" + "日本" * 22000 + "a\r\x7f\nb\u2028" + "é, ;\\\"" * 20000 + "end"),
    ]),
    ({"unid": "11112222333344445555666677778888", "modified": "20230405T060708,00+02"}, [
        ("Form", "Person"), ("Type", "Person"), ("$Revisions", ("date", "20230405")),
        ("FirstName", "Kim"), ("LastName", "Lee"), ("FullName", "Kim Lee"), ("Comment", "Met at the fair"),
        ("InternetAddress", "kim@acme.example"), ("MailAddress", "Kim Lee/Sales/Acme@ACME"),
        ("HomeEmail", '"Kim Lee" <kim.lee@example.com>'), ("work1email", "KIM@acme.example"),
        ("Work3Email", "kim.w3@acme.example"), ("OtherEmail", "kim@other.example"),
        ("SchoolEmail", "kim@school.example"), ("mobileEmail", "kim@mobile.example"),
        ("OfficePhoneNumber", "+1 555 0100"), ("Work2Phone", "+1 555 0102"), ("Work3Phone", "+1 555 0103"),
        ("PhoneNumber", "+1 555 0200"), ("Home2Phone", "+1 555 0202"), ("Home3Phone", "+1 555 0203"),
        ("OfficeFaxPhoneNumber", "+1 555 0109"), ("WorkFax2Phone", "+1 555 0119"),
        ("AssistantPhone", "+1 555 0300"), ("CarPhone", "+1 555 0400"), ("OtherPhone", "+1 555 0500"),
        ("OtherFaxPhone", "+1 555 0509"), ("primaryPhoneNumber", "CarPhone"),
        ("WebSite", "https://acme.example/kim"), ("HomeURL", "https://kim.example"),
        ("Work2URL", "https://blog.acme.example/kim"), ("OtherURL", "https://social.example/kim"),
        ("SametimeLogin", "CN=Kim Lee/OU=Sales/O=Acme"), ("Confidential", "1"),
        ("AltFullName", "李金"), ("AltFullNameLanguage", "zh"), ("Birthday", "14.03.1978"),
        ("Hobby", ["Chess", "Sailing"]), ("ShoeSize", ("number", "42")),
        ("HTTPPassword", "(355E98E7C7B59BD810ED845AD0FD2FC4)"), ("PhoneFldsDisplayed", "1"),
        ("CompanyNameSort", "ACME"), ("MailFile", "mail/klee.nsf"),
    ]),
    ({"unid": "99998888777766665555444433332222", "modified": "20221231T235959,00Z"}, [
        ("Form", "Person"), ("Type", "Person"), ("LastName", "Admin"),
        ("FullName", ["CN=Notes Admin/O=Acme", "Notes Admin", "nadmin"]),
        ("MailAddress", ""), ("InternetAddress", "notes.admin@acme.example"),
        ("Manager", "CN=Jane Doe/OU=IT/O=Acme"), ("Assistant", "CN=Bo Ek/O=Acme"),
        ("MailServer", "CN=Mail01/O=Acme"), ("MailDomain", "ACME"), ("Certificate", "(certificate)"),
        ("PublicKey", "(key)"), ("Birthday", "not a date"),
    ]),
]
# Values of white space alone (no field for them), a note whose folds would fall next to
# spaces, a birthday of text, related people as Evolution reads them, a third work number
# beside a real other phone, a category holding ";", a language tag LANGUAGE cannot hold.
CONTACTS += [
    ({"unid": "ABCDEF0123456789ABCDEF0123456789", "modified": "20240101T120000,00Z"}, [
        ("FirstName", "Wes"), ("LastName", "Blank"), ("JobTitle", "   "), ("CompanyName", "  "),
        ("Department", " \t "), ("ShortName", "  "), ("OfficeCity", "   "), ("City", "  "), ("Zip", " "),
        ("Suffix", ["", "  "]), ("OfficeCountry", [" ", "\t"]),
        ("Comment", "word " * 40 + "end"), ("Birthday", "around Easter"), ("Anniversary", ("date", "20050607")),
        ("Spouse", "Sol Blank"), ("Manager", "CN=Mia Boss/O=Acme"), ("Assistant", "Al Aide"),
        ("Children", ["Pablo, Inés", "Lu"]), ("OfficePhoneNumber", ["+1 555 0701", "+1 555 0702", "+1 555 0703"]),
        ("OtherPhone", "+1 555 0709"), ("Categories", ["Friends; close", "Work"]),
        ("AltFullName", "Wes Leer"), ("AltFullNameLanguage", "de DE!"),
    ]),
    (None, [("LastName", "Quiet"), ("Title", " "), ("Briefcase", " \r\n "), ("Comment", "   ")]),
]
# The twin again and again, last in the book: more distinguished names than the LDIF
# writer's table of names first holds (512), so a table that forgot names as it grew
# would give a late twin a name an earlier one has.
DISTINCT = len(CONTACTS)  # the contacts before the many twins
CONTACTS += [TWIN] * 530


def item_xml(name, value):
    if isinstance(value, list):
        body = "<textlist>" + "".join(f"<text>{text_xml(v)}</text>" for v in value) + "</textlist>"
    elif isinstance(value, tuple) and value[0] == "date":
        body = f"<datetime>{value[1]}</datetime>"
    elif isinstance(value, tuple) and value[0] == "number":
        body = f"<number>{value[1]}</number>"
    elif isinstance(value, tuple) and value[0] == "rich":
        body = "<richtext>" + "".join(f"<par>{text_xml(p)}</par>" for p in value[1]) + "</richtext>"
    else:
        body = f"<text>{text_xml(value)}</text>"
    return f"<item name={quote(name)}>{body}</item>"


def text_xml(text):
    # A CR would become an LF when the XML is read; the character reference keeps it.
    return escape(text).replace("\r", "&#13;")


def quote(value):
    return "'" + escape(value, {"'": "&apos;"}) + "'"


def write_book(path):
    parts = ["<?xml version='1.0' encoding='utf-8'?>\n",
             "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Edge book'>\n"]
    for info, items in CONTACTS:
        parts.append("<document form='Person'>")
        if info is not None:
            parts.append(f"<noteinfo noteid='1' unid={quote(info['unid'])}>"
                         f"<modified><datetime>{info['modified']}</datetime></modified></noteinfo>")
        parts.extend(item_xml(name, value) for name, value in items)
        parts.append("</document>\n")
    parts.append("</database>\n")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("".join(parts))


if __name__ == "__main__":
    import sys
    write_book(sys.argv[1])
