#!/usr/bin/python3
"""Synthetic address books for the benchmarks: DXL as Notes exports it, with every
catalogue item of every contact filled, deterministic for a given size and seed.

    generate_book.py CONTACTS OUTPUT [--seed N] [--books N] [--markup]

With --books N, OUTPUT is a folder that gets N books (book-0001.dxl, ...) which hold,
between them and in order, the very contacts of the one book of CONTACTS.

--markup adds what a real export may hold around and inside the documents: comments,
processing instructions and CDATA sections, <folder> elements wrapping other notes (a
Person document inside one is no contact of the book), and one contact that declares a
namespace prefix of its own, which the byte-level position scan cannot judge.
"""
import argparse
import os
import random

FIRST = ["Ann", "Mary Ann", "John", "Zoë", "José", "Jürgen", "Łucja", "Priya", "Tom", "Élodie",
         "Sam", "Olivia", "Mehmet", "Grace", "Ivan", "Fatima", "Chen", "Liam", "Ana", "Noah",
         "Aisha", "Henrik", "Maria", "Hiroshi", "Søren", "Chloé", "Dmitri", "Nia", "Kofi", "Ingrid"]
LAST = ["Lee", "van Dyke", "Smith, Jr.", "Ångström", "Núñez", "Weiß", "Wiśniewska", "Raman",
        "O'Brien", "Lefèvre", "Carter", "Brown", "Yılmaz", "Nakamura-Hill", "Petrov", "Zahra",
        "Wei", "Murphy", "Silva", "Fischer", "Bello", "Dahl", "Rossi", "田中", "Kjær", "Dubois",
        "Ivanov", "Mensah", "Asante", "Lindqvist"]
COMPANY = ["Harbour Freight Lines", "Van Dyke & Daughters", "Smith, Smith & Partners",
           "Nordljus AB", "Müller & Söhne GmbH", "Coastline Software", "Atelier Lefèvre",
           "Pearl River Trading", "Bello Logistics, Ltd.", "Rossi Vini", "東京精機株式会社",
           "Hill Analytics", "Brown & Hart Solicitors"]
JOB = ["Dispatcher", "Junior Partner", "Engineering Manager", "Solicitor", "Director, Operations",
       "Geschäftsführer", "Buyer", "Account Manager", "Chief Accountant", "Forskare"]
CITY = [("Portland", "OR", "USA"), ("Leiden", "ZH", "Netherlands"), ("Stuttgart", "BW", "Deutschland"),
        ("Kraków", "MA", "Polska"), ("Bengaluru", "Karnataka", "India"), ("Lyon", "ARA", "France"),
        ("São Paulo", "SP", "Brasil"), ("Tromsø", "Troms", "Norge"), ("東京", "東京都", "日本"),
        ("İzmir", "İzmir", "Türkiye"), ("Boston", "MA", "USA"), ("Málaga", "AN", "España")]
STREET = ["Canal Street", "Königstraße", "Market Street", "Lake View Road", "Rue de la République",
          "Avenida Paulista", "Storgata", "Gray's Inn Square", "Via Roma", "Main Street"]
CATEGORY = ["Work", "Family", "Friends", "Suppliers", "Customers", "Conferences", "Wine", "Research"]
COMMENT = ["Met at the trade fair in Utrecht.", "Prefers e-mail to phone calls.",
           "Speaks Dutch, English & German.", "Quarterly review every March.",
           "Winter address differs; ask before sending parcels.", "Vegetarian.",
           "Contract draft v3 sent <by courier>.", "Kontakt prywatny — tylko e-mail.",
           "Tab\tseparated\tnotes", "Leads the platform team."]


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("'", "&apos;")


def text_item(name, value, attrs=""):
    return f"<item name='{name}'{attrs}><text>{esc(value)}</text></item>\n"


def contact(rng, n, markup=False):
    first, last = rng.choice(FIRST), rng.choice(LAST)
    middle = rng.choice(["", "", "A", "J", "M", "R", "T"])
    company = rng.choice(COMPANY)
    city, state, country = rng.choice(CITY)
    hcity, hstate, hcountry = rng.choice(CITY)
    mail = f"{first}.{last}".lower().replace(" ", "").replace(",", "").replace("'", "")
    phone = lambda: f"+{rng.randint(1, 99)} {rng.randint(10, 999)} {rng.randint(100, 999)} {rng.randint(1000, 9999)}"
    day = lambda y0, y1: f"{rng.randint(y0, y1)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}"
    unid = f"{rng.getrandbits(128):032X}"
    declares = " xmlns:x='urn:example:brenmoor'" if markup == "namespace" else ""
    out = [f"<document form='Person'{declares}>\n<noteinfo noteid='{0x8f2 + 4 * n:x}' unid='{unid}' sequence='{rng.randint(1, 9)}'>\n"
           f"<created><datetime dst='true'>{day(2005, 2013)}T{rng.randint(0, 23):02d}3012,45-04</datetime></created>\n"
           f"<modified><datetime dst='true'>{day(2014, 2016)}T101530,12-04</datetime></modified>\n"
           f"<revised><datetime dst='true'>{day(2014, 2016)}T101530,11-04</datetime></revised>\n"
           f"<lastaccessed><datetime dst='true'>{day(2014, 2016)}T101530,12-04</datetime></lastaccessed>\n"
           f"<addedtofile><datetime dst='true'>{day(2005, 2013)}T093012,47-04</datetime></addedtofile></noteinfo>\n"
           "<updatedby><name>CN=Ann Lee/O=Brenmoor</name></updatedby>\n",
           text_item("Type", "Person")]
    values = [
        ("FirstName", first), ("MiddleInitial", middle), ("LastName", last),
        ("Title", rng.choice(["Mr.", "Ms.", "Dr.", "Prof."])), ("Suffix", rng.choice(["Jr.", "Sr.", "III", "PhD"])),
        ("MailAddress", f"{mail}@example.com"), ("CompanyName", company), ("JobTitle", rng.choice(JOB)),
        ("OfficeStreetAddress", f"{rng.randint(1, 400)} {rng.choice(STREET)}"), ("OfficeCity", city),
        ("OfficeState", state), ("OfficeZip", f"{rng.randint(10000, 99999)}"), ("OfficeCountry", country),
        ("OfficePhoneNumber", phone()), ("OfficeFaxPhoneNumber", phone()), ("CellPhoneNumber", phone()),
        ("PhoneNumber_6", phone()), ("MiscPhone1", f"{mail}@work.example"), ("MiscPhone2", f"{mail}@mail.example"),
        ("MiscPhone3", f"{mail}{n}@example.org"), ("Location", f"Building {rng.choice('ABCDE')}, floor {rng.randint(1, 9)}"),
        ("WebSite", f"https://www.example.com/people/{n}"), ("Department", rng.choice(["Sales", "Platform", "Logistics", "Einkauf"])),
        ("Manager", f"{rng.choice(FIRST)} {rng.choice(LAST)}"), ("Assistant", f"{rng.choice(FIRST)} {rng.choice(LAST)}"),
        ("StreetAddress", f"{rng.randint(1, 99)} {rng.choice(STREET)}"), ("City", hcity), ("State", hstate),
        ("Zip", f"{rng.randint(10000, 99999)}"), ("Country", hcountry), ("Spouse", f"{rng.choice(FIRST)} {last}"),
        ("Children", f"{rng.choice(FIRST)}, {rng.choice(FIRST)}"), ("PhoneNumber", phone()),
        ("HomeFaxPhoneNumber", phone()), ("PersPager", phone()),
    ]
    out += [text_item(name, value) for name, value in values]
    if markup:
        # The job title in CDATA sections (the second one holds the "]]>" the first cannot).
        out[out.index(text_item("JobTitle", values[7][1]))] = (
            f"<item name='JobTitle'><text><![CDATA[{values[7][1]} <R&D> ]]]]><![CDATA[>]]></text></item>\n")
        out.append(f"<!-- contact {n} --><?brenmoor step='{n}'?>\n")
    out.append(f"<item name='Birthday'><datetime>{day(1940, 2000)}</datetime></item>\n")
    out.append(f"<item name='Anniversary'><datetime>{day(1965, 2015)}</datetime></item>\n")
    out.append("<item name='Briefcase'><richtext>\n<pardef id='1'/>\n"
               f"<par def='1'>{esc(rng.choice(COMMENT))}</par></richtext></item>\n")
    lines = rng.sample(COMMENT, rng.randint(1, 4))
    out.append("<item name='Comment'><richtext>\n<pardef id='1' leftmargin='1in'/>\n" +
               "\n".join(f"<par def='1'>{esc(line)}</par>" for line in lines) + "</richtext></item>\n")
    full = f"{first} {last}"
    out.append(f"<item name='FullName' names='true'><textlist><text>{esc(full)}/Brenmoor</text>"
               f"<text>{esc(full)}</text></textlist></item>\n")
    out.append(text_item("ShortName", mail[:8]))
    out.append(text_item("AltFullNameSort", full.upper()))
    out.append(text_item("MailDomain", "BRENMOOR"))
    cats = rng.sample(CATEGORY, 2)
    out.append(f"<item name='Categories'><textlist><text>{cats[0]}</text><text>{cats[1]}</text></textlist></item>\n")
    out.append(f"<item name='Prev'><number>{rng.randint(0, 1)}</number></item>\n")
    out.append(text_item("NameDisplayPref", str(rng.randint(0, 2))))
    out.append(text_item("PublicKey", f"{rng.getrandbits(96):024X}", " sign='true'"))
    out.append(text_item("Certificate", f"{rng.getrandbits(256):064X}", " sign='true'"))
    out.append("</document>\n")
    return "".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("contacts", type=int)
    parser.add_argument("output")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--books", type=int, default=0)
    parser.add_argument("--markup", action="store_true")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    head = ("<?xml version='1.0' encoding='utf-8'?>\n"
            "<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
            "<database xmlns='http://www.lotus.com/dxl' version='9.0' maintenanceversion='1.0'"
            " replicaid='85257C3A004F2B11' path='names.nsf' title='Synthetic Address Book'>\n"
            "<databaseinfo dbid='85257C3A004F2B11' odsversion='51' numberofdocuments='0'/>\n")
    books = max(args.books, 1)
    per_book = -(-args.contacts // books)
    if args.books:
        os.makedirs(args.output, exist_ok=True)
    out = None
    for n in range(1, args.contacts + 1):
        if (n - 1) % per_book == 0:
            if out:
                out.write("</database>\n")
                out.close()
            path = os.path.join(args.output, "book-%04d.dxl" % ((n - 1) // per_book + 1)) if args.books else args.output
            out = open(path, "w", encoding="utf-8", newline="\n")
            # Books of their own are replicas of databases of their own: the PST stores made of
            # them take their identities from the replica ID.
            out.write(head.replace("85257C3A004F2B11", "85257C3A%08X" % ((n - 1) // per_book + 1)) if args.books
                      else head)
        if n % 1000 == 500:
            out.write("<!-- a group among the contacts: <document form='Person'> -->\n"
                      "<document form='Group'><item name='ListName'><text>Group</text></item></document>\n")
        if args.markup and n % 20 == 10:
            out.write(f"<?brenmoor folder='{n}'?>\n<folder name='Folder {n}'><!-- wraps a note -->\n"
                      f"<![CDATA[<document form='Person'>]]>{contact(rng, 0)}</folder>\n")
        if args.markup and n % 25 == 0:
            out.write("<![CDATA[ </document> between the documents ]]>\n")
        namespace = args.markup and n == (args.contacts + 1) // 2
        out.write(contact(rng, n, "namespace" if namespace else args.markup))
    if out is None:  # no contacts: an empty book
        out = open(args.output, "w", encoding="utf-8", newline="\n")
        out.write(head)
    out.write("</database>\n")
    out.close()


if __name__ == "__main__":
    main()
