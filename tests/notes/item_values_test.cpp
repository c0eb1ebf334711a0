// Item values as the program reads them: every kind of DXL value, names without
// regard to case, the first of repeated items, and texts in the user's locale.
#include <QLocale>

#include "book_fixture.h"
#include "notes/address_book.h"
#include "notes/locale_text.h"

namespace brenmoor::notes {
namespace {

using testing::dxl;
using testing::person;
using testing::textItem;

class ItemValues : public testing::BookFiles {
protected:
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    // The first contact of a book holding one Person document with these items.
    ContactDocument contact(const std::string& items) {
        AddressBook book(write(dxl(person(items))));
        auto doc = book.firstDocument();
        EXPECT_TRUE(doc.has_value());
        return doc.value_or(ContactDocument{});
    }
};

TEST_F(ItemValues, EachKindGivesItsFirstValueAsText) {
    struct Case {
        const char* item;
        const char* expected;
    };
    ContactDocument doc = contact(
        "<item name='Plain'><text>Ann &amp; Lee &lt;x&gt; &#x00E9;</text></item>"
        "<item name='List'><textlist><text>Family</text><text>Friends</text></textlist></item>"
        "<item name='Whole'><number>42</number></item>"
        "<item name='Fraction'><number>3.50</number></item>"
        "<item name='Long'><number>0.1234567890123456789</number></item>"
        "<item name='Negative'><number>-2.5e3</number></item>"
        "<item name='Numbers'><numberlist><number>7</number><number>8</number></numberlist></item>"
        "<item name='Date'><datetime>19700102</datetime></item>"
        "<item name='Time'><datetime>T150405,00</datetime></item>"
        "<item name='Stamp'><datetime dst='true'>19700102T150405,00+01</datetime></item>"
        "<item name='Stamps'><datetimelist><datetime>19991231</datetime><datetime>20000101</datetime></datetimelist></item>"
        "<item name='Pair'><datetimepair><datetime>20010203</datetime><datetime>20010204</datetime></datetimepair></item>"
        "<item name='PairInList'><datetimelist><datetimepair><datetime>20020304</datetime>"
        "<datetime>20020305</datetime></datetimepair></datetimelist></item>"
        "<item name='Raw'><rawitemdata type='1'>AAEC</rawitemdata></item>"
        "<item name='Object'><object><file name='a.txt'/></object></item>"
        "<item name='Nothing'/>"
        "<item name='EmptyText'><text/></item>"
        "<item name='EmptyList'><textlist/></item>"
        "<item name='Broken'><text>line one<break/>line two</text></item>"
        "<item name='NotANumber'><number>n/a</number></item>"
        "<item name='NotADate'><datetime>sometime</datetime></item>");
    const Case cases[] = {
        {"Plain", "Ann & Lee <x> \xC3\xA9"},
        {"List", "Family"},
        {"Whole", "42"},
        {"Fraction", "3.5"},
        {"Long", "0.123456789012346"},
        {"Negative", "-2500"},
        {"Numbers", "7"},
        {"Date", "1970-01-02"},
        {"Time", "15:04:05"},
        {"Stamp", "1970-01-02 15:04:05"},
        {"Stamps", "1999-12-31"},
        {"Pair", "2001-02-03 - 2001-02-04"}, // a range keeps both ends
        {"PairInList", "2002-03-04 - 2002-03-05"},
        {"Raw", ""},
        {"Object", ""},
        {"Nothing", ""},
        {"EmptyText", ""},
        {"EmptyList", ""},
        {"Broken", "line one\r\nline two"},
        {"NotANumber", "n/a"},
        {"NotADate", "sometime"},
        {"Missing", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(doc.itemText(c.item), c.expected) << c.item;
}

TEST_F(ItemValues, ListsKeepEveryValueInOrder) {
    ContactDocument doc = contact(
        "<item name='List'><textlist><text>Family</text><text/><text>Friends, old</text></textlist></item>"
        "<item name='Numbers'><numberlist><number>7</number><number>8.50</number></numberlist></item>"
        "<item name='Stamps'><datetimelist><datetime>19991231</datetime><datetime>20000101</datetime></datetimelist></item>"
        "<item name='Pair'><datetimepair><datetime>20010203</datetime><datetime>20010204</datetime></datetimepair></item>"
        "<item name='PairInList'><datetimelist><datetimepair><datetime>20020304</datetime>"
        "<datetime>20020305</datetime></datetimepair><datetimepair><datetime>20020306T090000,00</datetime>"
        "<datetime>20020306T170000,00</datetime></datetimepair></datetimelist></item>"
        "<item name='Single'><text>one</text></item>"
        "<item name='EmptyList'><textlist/></item>");
    using Texts = std::vector<std::string>;
    EXPECT_EQ(doc.itemTexts("List"), (Texts{"Family", "", "Friends, old"}));
    EXPECT_EQ(doc.itemTexts("Numbers"), (Texts{"7", "8.5"}));
    EXPECT_EQ(doc.itemTexts("Stamps"), (Texts{"1999-12-31", "2000-01-01"}));
    EXPECT_EQ(doc.itemTexts("Pair"), (Texts{"2001-02-03 - 2001-02-04"}));
    EXPECT_EQ(doc.itemTexts("PairInList"), (Texts{"2002-03-04 - 2002-03-05", "2002-03-06 09:00:00 - 17:00:00"}));
    EXPECT_EQ(doc.itemTexts("Single"), (Texts{"one"}));
    EXPECT_EQ(doc.itemTexts("EmptyList"), Texts{});
    EXPECT_EQ(doc.itemTexts("Missing"), Texts{});
    EXPECT_EQ(doc.itemText("List"), "Family");
}

TEST_F(ItemValues, NoteInfoGivesTheUniversalIdAndTheLastChange) {
    AddressBook book(write(dxl(
        "<document form='Person'><noteinfo noteid='8f2' unid='CFCD208495D565EF66E7DFF9F98764DA' sequence='1'>"
        "<created><datetime>20120401T093012,45-04</datetime></created>"
        "<modified><datetime dst='true'>20140301T101530,12-04</datetime></modified>"
        "<revised><datetime>20140301T101530,11-04</datetime></revised></noteinfo>"
        "<item name='FirstName'><text>Ann</text></item></document>"
        "<document form='Person'><item name='FirstName'><text>Bea</text></item></document>")));
    auto first = book.firstDocument();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->noteInfo().unid, "CFCD208495D565EF66E7DFF9F98764DA");
    EXPECT_EQ(first->noteInfo().modified, "20140301T101530,12-04");
    EXPECT_EQ(first->itemText("FirstName"), "Ann");
    auto second = book.nextDocument();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->noteInfo().unid, "");
    EXPECT_EQ(second->noteInfo().modified, "");
    EXPECT_EQ(second->itemText("FirstName"), "Bea");
}

TEST_F(ItemValues, RichTextIsItsParagraphsJoinedByCrLf) {
    ContactDocument doc = contact(
        "<item name='Comment'><richtext>\n<pardef id='1'/>\n"
        "<par def='1'>First <run><font style='bold'/>bold</run> line</par>\n"
        "<par def='1'>Second<tab/>tabbed<break/>broken</par>\n"
        "<par def='1'><picture width='1in'><gif>R0lGODlh</gif></picture>After picture"
        "<attachmentref name='a.doc' displayname='a.doc'><picture><gif>R0lG</gif></picture></attachmentref></par>\n"
        "<par def='1'/>\n"
        "<par def='1'><computedtext><code event='value'><formula>@Now</formula></code></computedtext>end</par>"
        "</richtext></item>");
    EXPECT_EQ(doc.itemText("Comment"),
              "First bold line\r\nSecond\ttabbed\r\nbroken\r\nAfter picture\r\n\r\nend");
}

TEST_F(ItemValues, NamesMatchWithoutCaseAndTheFirstOfRepeatedItemsCounts) {
    ContactDocument doc = contact(textItem("firstname", "Ann") + textItem("FIRSTNAME", "Bea") +
                                  textItem("LastName", "Lee") + "<item name='lastname'><text>Other</text></item>");
    EXPECT_EQ(doc.itemText(ContactItem::FirstName), "Ann");
    EXPECT_EQ(doc.itemText("FirstName"), "Ann");
    EXPECT_EQ(doc.itemText("LASTNAME"), "Lee");
    EXPECT_EQ(doc.items().size(), 4u);

    // Catalogue items far down a document of many items are found as near the top.
    std::string many;
    for (int i = 0; i < 300; ++i) many += textItem("Other" + std::to_string(i), "x");
    ContactDocument crowded = contact(textItem("FirstName", "Ann") + many + textItem("lastname", "Lee") +
                                      textItem("LastName", "Later"));
    EXPECT_EQ(crowded.itemText(ContactItem::FirstName), "Ann");
    EXPECT_EQ(crowded.itemText(ContactItem::LastName), "Lee");
    EXPECT_EQ(crowded.itemText(ContactItem::Title), "");
}

TEST_F(ItemValues, ADocumentWithoutItemsGivesEmptyTextsForTheWholeCatalogue) {
    ContactDocument doc = contact("");
    for (const auto& item : kContactItems) EXPECT_EQ(doc.itemText(item.item), "") << item.notesName;
    EXPECT_EQ(displayName(doc), "");
}

TEST_F(ItemValues, ItemsOutsideTheDocumentOrInOtherNamespacesDoNotCount) {
    AddressBook book(write(dxl(
        "<document form='Person'><item name='FirstName' xmlns='urn:other'><text>Foreign</text></item>"
        "<noteinfo><item name='LastName'><text>Nested</text></item></noteinfo>"
        "<item name='Title'><x:text xmlns:x='urn:other'>Foreign value</x:text></item>"
        "<item name='Suffix'><d:text xmlns:d='http://www.lotus.com/dxl'>Prefixed</d:text></item></document>")));
    auto doc = book.firstDocument();
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->itemText("FirstName"), "");
    EXPECT_EQ(doc->itemText("LastName"), "");
    EXPECT_EQ(doc->itemText("Title"), "");
    EXPECT_EQ(doc->itemText("Suffix"), "Prefixed");
}

TEST_F(ItemValues, DisplayNameTrimsOnlyTheOuterSpaces) {
    struct Case {
        std::string items;
        const char* expected;
    };
    const Case cases[] = {
        {textItem("FirstName", "Ann") + textItem("LastName", "Lee"), "Ann  Lee"},
        {textItem("FirstName", "Ann") + textItem("MiddleInitial", "J") + textItem("LastName", "Lee"), "Ann J Lee"},
        {textItem("LastName", "Lee"), "Lee"},
        {textItem("FirstName", "Ann"), "Ann"},
        {textItem("FirstName", " Mary Ann ") + textItem("LastName", "Smith, Jr.  "), "Mary Ann   Smith, Jr."},
        {textItem("FirstName", "\tTab"), "\tTab"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(displayName(contact(c.items)), c.expected) << c.items;
}

TEST_F(ItemValues, DatesTimesAndNumbersFollowTheLocale) {
    ContactDocument doc = contact(
        "<item name='Date'><datetime>19700102</datetime></item>"
        "<item name='Time'><datetime>T150405,00</datetime></item>"
        "<item name='Stamp'><datetime>19700102T150405,00+01</datetime></item>"
        "<item name='Morning'><datetime>20311231T090000,00-05</datetime></item>"
        "<item name='Fraction'><number>1234.5</number></item>"
        "<item name='Whole'><number>1234</number></item>");
    struct Case {
        const char* locale;
        const char* date;
        const char* time;
        const char* stamp;
        const char* morning;
        const char* fraction;
    };
    const Case cases[] = {
        {"en_US", "1/2/1970", "3:04:05\u202FPM", "1/2/1970 3:04:05\u202FPM", "12/31/2031 9:00:00\u202FAM", "1234.5"},
        {"de_DE", "02.01.1970", "15:04:05", "02.01.1970 15:04:05", "31.12.2031 09:00:00", "1234,5"},
        {"C", "1970-01-02", "15:04:05", "1970-01-02 15:04:05", "2031-12-31 09:00:00", "1234.5"},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        std::string time = doc.itemText("Time");
        // Qt's en_US data may put a narrow no-break space before AM/PM; either space is the locale's own.
        auto normal = [](std::string text) {
            for (std::size_t at; (at = text.find("\u202F")) != std::string::npos;) text.replace(at, 3, " ");
            return text;
        };
        EXPECT_EQ(doc.itemText("Date"), c.date) << c.locale;
        EXPECT_EQ(normal(time), normal(c.time)) << c.locale;
        EXPECT_EQ(normal(doc.itemText("Stamp")), normal(c.stamp)) << c.locale;
        EXPECT_EQ(normal(doc.itemText("Morning")), normal(c.morning)) << c.locale;
        EXPECT_EQ(doc.itemText("Fraction"), c.fraction) << c.locale;
        EXPECT_EQ(doc.itemText("Whole"), "1234") << c.locale;
        EXPECT_EQ(normal(localeTimeText(15, 4, 5)), normal(c.time)) << c.locale;
    }
}

TEST_F(ItemValues, ItemDateReadsDateTimesAndDateTexts) {
    ContactDocument doc = contact(
        "<item name='Birthday'><datetime>19700102T150405,00+01</datetime></item>"
        "<item name='Anniversary'><text>2012-05-12</text></item>"
        "<item name='Local'><text>5/12/2012</text></item>"
        "<item name='Time'><datetime>T150405,00</datetime></item>"
        "<item name='Word'><text>soon</text></item>"
        "<item name='Number'><number>19700102</number></item>"
        "<item name='Leap'><datetime>19620229</datetime></item>");
    EXPECT_EQ(doc.itemDate(ContactItem::Birthday), (CalendarDate{1970, 1, 2}));
    EXPECT_EQ(doc.itemDate(ContactItem::Anniversary), (CalendarDate{2012, 5, 12}));
    EXPECT_EQ(doc.itemDate("Time"), std::nullopt);
    EXPECT_EQ(doc.itemDate("Word"), std::nullopt);
    EXPECT_EQ(doc.itemDate("Number"), std::nullopt);
    EXPECT_EQ(doc.itemDate("Missing"), std::nullopt);
    EXPECT_EQ(doc.itemDate("Leap"), std::nullopt) << "1962 has no 29 February";
    EXPECT_EQ(doc.itemText("Leap"), "19620229") << "an impossible date stays as written";
    EXPECT_EQ(doc.itemDate("Local"), std::nullopt) << "the C locale reads ISO dates only";
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(doc.itemDate("Local"), (CalendarDate{2012, 5, 12}));
}

TEST_F(ItemValues, OnlyPersonDocumentsOfTheRootAreContacts) {
    AddressBook book(write(dxl(
        "<databaseinfo numberofdocuments='6'/>\n"
        "<document form='Group'><item name='FirstName'><text>Group</text></item></document>\n"
        "<document form='PERSON'>" + textItem("FirstName", "Upper") + "</document>\n"
        "<document>" + textItem("FirstName", "No form") + "</document>\n"
        "<note><document form='Person'>" + textItem("FirstName", "Nested") + "</document></note>\n"
        "<document form='person'/>\n"
        "<document form=' Person'>" + textItem("FirstName", "Spaced") + "</document>\n"
        "<document form='Person'>" + textItem("FirstName", "Last") + "</document>\n")));
    EXPECT_EQ(book.entryCount(), 3);
    std::vector<std::string> names;
    for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) names.push_back(doc->itemText("FirstName"));
    EXPECT_EQ(names, (std::vector<std::string>{"Upper", "", "Last"}));
    EXPECT_EQ(book.documentAt(3)->itemText("FirstName"), "Last");
    EXPECT_EQ(book.documentAt(4), std::nullopt);
}

TEST_F(ItemValues, ABookWithoutContactsIsAnEmptyView) {
    for (const std::string& content : {std::string(""), std::string("<document form='Group'/>")}) {
        AddressBook book(write(dxl(content)));
        EXPECT_EQ(book.entryCount(), 0);
        EXPECT_EQ(book.firstDocument(), std::nullopt);
        EXPECT_EQ(book.nextDocument(), std::nullopt);
        EXPECT_EQ(book.documentAt(1), std::nullopt);
    }
    AddressBook selfClosed(write(std::string(testing::kProlog) + "<database xmlns='http://www.lotus.com/dxl'/>"));
    EXPECT_EQ(selfClosed.entryCount(), 0);
    EXPECT_EQ(selfClosed.firstDocument(), std::nullopt);
    EXPECT_EQ(selfClosed.documentAt(1), std::nullopt);
}

} // namespace
} // namespace brenmoor::notes
