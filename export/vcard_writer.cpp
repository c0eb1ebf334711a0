// The vCard export. Values go in as they are, with no folding and no escaping but that of
// ";" and "\" in the parts of compound values (N, ORG, ADR); a line whose
// values hold a line break is written quoted-printable (the address labels always are),
// and a line whose values hold non-ASCII text says CHARSET=UTF-8, so vCard readers get
// every value back whole.
#include "export/vcard_writer.h"

#include <array>
#include <vector>

#include "export/item_view.h"
#include "export/line_breaks.h"
#include "export/contact_file_name.h"
#include "export/output_file.h"
#include "export/split_output.h"
#include "notes/locale_text.h"
#include "notes/user_name.h"

namespace brenmoor::exporting {

namespace {

using notes::ContactItem;

// How an item's value goes into a line: its text as the viewer shows it, the common name
// of a person's name, or the day alone of a date that has a time too.
enum class Reading { Text, CommonName, DateAlone };

// A piece of a card line: fixed text, or the value of an item.
struct Piece {
    std::string_view text;
    ContactItem item = ContactItem::FirstName;
    bool isItem = false;
    Reading reading = Reading::Text;
};

Piece text(std::string_view t) { return {t, ContactItem::FirstName, false}; }
Piece item(ContactItem i, Reading reading = Reading::Text) { return {{}, i, true, reading}; }

struct CardLine {
    std::string_view property;   // name and type parameters, before ":"
    bool quotedPrintable;        // always written quoted-printable
    std::vector<Piece> pieces;   // the value part after ":"
};

// The lines whose value is made of parts between ";": a ";" or "\" in a part is
// escaped with a backslash, as vCard 2.1 escapes them in compound values.
bool isCompound(std::string_view property) {
    return property == "N" || property == "ORG" || property.starts_with("ADR;");
}

// The card, line by line, between BEGIN:VCARD/VERSION:2.1 and END:VCARD.
const std::vector<CardLine>& cardLines() {
    using I = ContactItem;
    static const std::vector<CardLine> lines{
        {"N", false, {item(I::LastName), text(";"), item(I::FirstName), text("; "), item(I::MiddleInitial)}},
        {"FN", false, {item(I::FullName, Reading::CommonName)}},
        {"ORG", false, {item(I::CompanyName), text(";"), item(I::Department)}},
        {"TITLE", false, {item(I::Title)}},
        {"NOTE", false, {item(I::Comment)}},
        {"ADR;WORK", false,
         {text(";"), item(I::Location), text(";"), item(I::OfficeStreetAddress), text(" ;"),
          item(I::OfficeCity), text(";"), item(I::OfficeState), text("; "), item(I::OfficeZip),
          text(";"), item(I::OfficeCountry)}},
        {"LABEL;WORK", true,
         {text("BusinessOffice=0D=0A"), item(I::OfficeStreetAddress), text("=0D=0A"),
          item(I::OfficeCity), text(", "), item(I::OfficeState), text(" "), item(I::OfficeZip),
          text("=0D=0A"), item(I::OfficeCountry)}},
        {"ADR;HOME", false,
         {text(";;"), item(I::StreetAddress), text(";"), item(I::City), text(";"), item(I::State),
          text(";"), item(I::Zip), text(";"), item(I::Country), text(" ")}},
        {"LABEL;HOME", true,
         {item(I::StreetAddress), text("=0D=0A"), item(I::City), text(","), item(I::State),
          text(" "), item(I::Zip), text("=0D=0A"), item(I::Country), text(" ")}},
        {"TEL;WORK;VOICE", false, {item(I::OfficePhoneNumber)}},
        {"TEL;HOME;VOICE", false, {item(I::PhoneNumber)}},
        {"TEL;CELL;VOICE", false, {item(I::CellPhoneNumber)}},
        {"TEL;PAGER;VOICE", false, {item(I::PersPager)}},
        {"TEL;WORK;FAX", false, {item(I::OfficeFaxPhoneNumber)}},
        {"TEL;HOME;FAX", false, {item(I::HomeFaxPhoneNumber)}},
        {"URL;HOME", false, {item(I::WebSite)}},
        {"URL;WORK", false, {item(I::WebSite)}},
        {"BDAY", false, {item(I::Birthday, Reading::DateAlone)}},
        {"EMAIL;PREF;INTERNET", false, {item(I::MailAddress), text(" ")}},
    };
    return lines;
}

std::string_view pieceValue(const notes::ContactDocument& doc, const Piece& piece, std::string& scratch) {
    switch (piece.reading) {
    case Reading::Text: break;
    case Reading::CommonName:
        scratch = notes::commonName(doc.itemText(piece.item));
        return scratch;
    case Reading::DateAlone: {
        const notes::ItemValue* value = doc.find(piece.item);
        if (!value || value->kind != notes::ItemValue::Kind::DateTime) break;
        const auto date = doc.itemDate(piece.item); // a range's is its start's, as in every format
        if (!date) break;
        scratch = notes::localeDateText(date->year, date->month, date->day);
        return scratch;
    }
    }
    return itemView(doc, piece.item, scratch);
}

bool holdsNonAscii(std::string_view value) {
    for (char c : value)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

void appendQuotedPrintable(std::string& out, std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < value.size(); ++i) {
        auto c = static_cast<unsigned char>(value[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += "=0D=0A";
        } else if (c == '=' || c < 0x20 || c >= 0x7F) {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
}

class VcardWriter final : public FormatWriter {
public:
    void open(const std::string& folder) override { files_.open(folder, {}); }
    void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) override {
        const std::string card = vcardCard(doc);
        files_.beginContact(card.size(), files_.split().perContact
                                             ? contactFileName(doc.itemText(notes::ContactItem::FirstName),
                                                               doc.itemText(notes::ContactItem::LastName),
                                                               runningNumber, files_.extension())
                                             : std::string());
        files_.append(card);
    }
    void close() override { files_.close(); }
    void abandon() noexcept override { files_.abandon(); }
    std::string summary() const override { return files_.account(); }
    bool setSplit(const FileSplit& split) override {
        files_.setSplit({split.maxContacts, split.maxBytes, split.perContact, true});
        return true;
    }
    const ItemSet* carriedItems() const override {
        static const ItemSet carried = [] {
            ItemSet items;
            for (const CardLine& line : cardLines())
                for (const Piece& piece : line.pieces)
                    if (piece.isItem) items.set(static_cast<std::size_t>(piece.item));
            return items;
        }();
        return &carried;
    }

private:
    SplitOutput files_{kVcardFileName, {}};
};

} // namespace

std::string vcardCard(const notes::ContactDocument& doc) {
    std::string card;
    card.reserve(1024);
    card += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
    // A line has at most kMostItems values; each is read once, as a view of the item's
    // text where it is text, else of its formatted text in scratch.
    constexpr std::size_t kMostItems = 8;
    std::array<std::string, kMostItems> scratch;
    std::array<std::string_view, kMostItems> values;
    for (const CardLine& line : cardLines()) {
        bool quoted = line.quotedPrintable;
        const bool compound = isCompound(line.property);
        bool utf8 = false;
        std::size_t count = 0;
        for (const Piece& piece : line.pieces) {
            if (!piece.isItem) continue;
            std::string_view value = pieceValue(doc, piece, scratch.at(count));
            if (compound && value.find_first_of(";\\") != std::string_view::npos) {
                std::string escaped;
                for (char c : value) {
                    if (c == ';' || c == '\\') escaped += '\\';
                    escaped += c;
                }
                scratch.at(count) = std::move(escaped);
                value = scratch.at(count);
            }
            values.at(count++) = value;
            quoted = quoted || holdsLineBreak(value);
            utf8 = utf8 || holdsNonAscii(value);
        }

        card += line.property;
        if (utf8) card += ";CHARSET=UTF-8";
        if (quoted) card += ";ENCODING=QUOTED-PRINTABLE";
        card += ':';
        std::size_t next = 0;
        for (const Piece& piece : line.pieces) {
            if (piece.isItem) roomFor(card, values[next].size());
            if (!piece.isItem)
                card += piece.text;
            else if (quoted)
                appendQuotedPrintable(card, values[next++]);
            else
                card += values[next++];
        }
        card += "\r\n";
    }
    card += "END:VCARD\r\n";
    return card;
}

std::unique_ptr<FormatWriter> makeVcardWriter() { return std::make_unique<VcardWriter>(); }

} // namespace brenmoor::exporting
