// Generated address books for comparing ways of reading a book: root children
// that a byte-level scan could take for documents or miss, in random order.
#pragma once

#include <random>
#include <string>

#include "book_fixture.h"
#include "notes/address_book.h"

namespace brenmoor::notes::testing {

inline bool same(const ContactDocument& a, const ContactDocument& b) {
    if (a.items().size() != b.items().size()) return false;
    for (std::size_t i = 0; i < a.items().size(); ++i) {
        const auto& [nameA, valueA] = a.items()[i];
        const auto& [nameB, valueB] = b.items()[i];
        if (nameA != nameB || valueA.kind != valueB.kind || valueA.text != valueB.text) return false;
    }
    return true;
}

// Root children that a byte-level scan could take for documents, or miss.
inline std::string randomChild(std::mt19937& random, int& serial) {
    std::string name = "C" + std::to_string(++serial);
    switch (random() % 20) {
    case 0: return "<!-- <document form='Person'>" + textItem("FirstName", "commented") + "</document> -->\n";
    case 1: return "<?marker </document> <document form='Person'> ?>\n";
    case 2: return "<![CDATA[ <document form='Person'></document> ]]>\n";
    case 3: return "<document form='Group'>" + textItem("FirstName", "group " + name) + "</document>\n";
    case 4: return "<note><document form='Person'>" + textItem("FirstName", "inner " + name) + "</document></note>\n";
    case 5: return "<document form='Person'/>\n";
    case 6:
        return "<document form = \"person\" note='a > b' other=\"x'y\">" + textItem("FirstName", name) +
               "</document >\n";
    case 7:
        return "<document form='Person'><item name='FirstName'><text><![CDATA[" + name +
               " </document> <document form='Person'>]]></text></item>"
               "<!-- </document> --><?pi </document>?></document>\n";
    case 8:
        return "<document form='Person'>" + textItem("FirstName", name) +
               "<item name='Nested'><document form='Person'><document/></document></item></document>\n";
    case 9: return "<documents form='Person'>" + textItem("FirstName", "not a document") + "</documents>\n";
    case 10: return "<document\nform='Person'\n>" + textItem("LastName", name) + "</document>";
    case 11: return "text &amp; <b>bold</b> between\n";
    // Conflicts, documents in note form, and a value that only speaks of a conflict.
    case 12: return "<document form='Person' conflict='true'>" + textItem("FirstName", "conflict " + name) + "</document>\n";
    case 13: return person(textItem("FirstName", "saved twice " + name) + "<item name='$CONFLICT'><text/></item>");
    case 14: return person(textItem("FirstName", name) + textItem("Comment", "no $Conflict item here"));
    case 15:
        return "<note class='document'>" + textItem("Form", "Person") + textItem("FirstName", "note " + name) +
               "</note>\n";
    case 16: return "<note class='document'>" + textItem("form", "Group") + textItem("FirstName", name) + "</note>\n";
    case 17: return "<note class='form'>" + textItem("Form", "Person") + "</note>\n";
    default: return person(textItem("FirstName", name) + textItem("LastName", "Lee") +
                           "<item name='Comment'><richtext><par>x &lt; y</par></richtext></item>");
    }
}

// Prologs that change what the bytes of the root's content mean: internal DTD
// subsets with entities and attribute declarations, comments and processing
// instructions. Children that use the entities are only written where declared.
struct Prolog {
    const char* text;
    bool declaresCompany; // &co;
    bool declaresDocument; // &doc;, a whole Person document
};

inline const Prolog kPrologs[] = {
    {"<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n", false, false},
    {"<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n<?pi before the root?><!-- c -->\n", false, false},
    {"<!DOCTYPE database [\n<!ENTITY co 'Harbour &amp; Sons'>\n]>\n", true, false},
    {"<!DOCTYPE database [\n<!ATTLIST document form NMTOKEN #IMPLIED>\n]>\n", false, false},
    {"<!DOCTYPE database [\n<!ATTLIST document form (Person|Group) #IMPLIED>\n<!ENTITY co 'Co'>\n]>\n", true, false},
    {"<!DOCTYPE database [\n<!ATTLIST document form CDATA #IMPLIED note CDATA #IMPLIED>\n]>\n", false, false},
    {"<!DOCTYPE database [\n<!ATTLIST item name ID #IMPLIED>\n]>\n", false, false},
    {"<!DOCTYPE database [\n<!ATTLIST document form CDATA 'Person'>\n]>\n", false, false},
    {"<!DOCTYPE database [\n<!ENTITY doc \"<document form='Person'><item name='FirstName'><text>from an "
     "entity</text></item></document>\">\n<!ENTITY co 'Co'>\n]>\n",
     true, true},
    // Declarations after an unread parameter entity are not read by expat, so this
    // attribute type changes nothing, for the walk and the scan alike.
    {"<!DOCTYPE database [\n<!ENTITY % p ''>\n%p;\n<!ATTLIST document form NMTOKEN #IMPLIED>\n]>\n", false, false},
};

// Root children that only mean something under some prologs.
inline std::string prologChild(std::mt19937& random, int& serial, const Prolog& prolog) {
    std::string name = "P" + std::to_string(++serial);
    switch (random() % 4) {
    case 0: return "<document form=' Person '>" + textItem("FirstName", "spaced " + name) + "</document>\n";
    case 1: return "<document form='\tPerson\n'>" + textItem("FirstName", "tabbed " + name) + "</document>\n";
    case 2:
        if (prolog.declaresCompany)
            return person(textItem("FirstName", name) + textItem("CompanyName", "&co; &amp; more"));
        return "<document>" + textItem("FirstName", "formless " + name) + "</document>\n";
    default:
        if (prolog.declaresDocument) return "&doc;\n";
        return "<document form='Person' note='x'>" + textItem("FirstName", name) + "</document>\n";
    }
}

inline std::string randomBook(std::mt19937& random, bool withPrologs = false) {
    const Prolog& prolog = withPrologs ? kPrologs[random() % std::size(kPrologs)] : kPrologs[0];
    int serial = 0;
    std::string content;
    int children = static_cast<int>(random() % 30);
    for (int i = 0; i < children; ++i)
        content += withPrologs && random() % 3 == 0 ? prologChild(random, serial, prolog) : randomChild(random, serial);
    return std::string("<?xml version='1.0' encoding='utf-8'?>\n") + prolog.text + kRootStart + content + "</database>\n";
}

// The book with one to three random bytes changed or cut out after its root start tag.
inline std::string damaged(std::string bytes, std::mt19937& random) {
    const char alphabet[] = "<>/!?-[]'\"= &;";
    std::size_t rootEnd = std::string(kProlog).size() + std::string(kRootStart).size();
    int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits && bytes.size() > rootEnd + 1; ++e) {
        std::size_t at = rootEnd + random() % (bytes.size() - rootEnd);
        if (random() % 2) bytes[at] = alphabet[random() % (sizeof alphabet - 1)];
        else bytes.erase(at, 1 + random() % 6);
    }
    return bytes;
}

} // namespace brenmoor::notes::testing
