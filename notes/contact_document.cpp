// One contact's items: lookup by name without regard to case, and each value's
// text as the user's regional settings write it.
#include "notes/address_book.h"

#include <QDate>
#include <QLocale>
#include <QString>

#include "notes/dxl_datetime.h"
#include "notes/locale_text.h"
#include "notes/user_name.h"
#include "text/text_bytes.h"

namespace brenmoor::notes {

namespace {

std::string dateTimeText(std::string_view written, const std::optional<DxlDateTime>& from = std::nullopt) {
    // A range: both ends, the date of the end left out where it is the start's
    // ("2024-03-10 09:00 - 17:00").
    if (const std::size_t slash = written.find('/'); slash != std::string_view::npos && !from) {
        const std::string_view first = written.substr(0, slash);
        const auto start = parseDxlDateTime(first);
        if (!start) return std::string(written);
        return dateTimeText(first) + " - " + dateTimeText(written.substr(slash + 1), start);
    }
    auto parsed = parseDxlDateTime(written);
    if (!parsed) return std::string(written);
    std::string text;
    const bool sameDay = from && from->hasDate && parsed->hasDate && parsed->hasTime && from->year == parsed->year &&
                         from->month == parsed->month && from->day == parsed->day;
    if (parsed->hasDate && !sameDay) text = localeDateText(parsed->year, parsed->month, parsed->day);
    if (parsed->hasTime) {
        if (!text.empty()) text += ' ';
        text += localeTimeText(parsed->hour, parsed->minute, parsed->second);
    }
    return text;
}

std::optional<CalendarDate> dateFromText(const std::string& text) {
    QString value = QString::fromStdString(text).trimmed();
    if (value.isEmpty()) return std::nullopt;
    QDate date = QDate::fromString(value, Qt::ISODate);
    if (!date.isValid()) date = QDate::fromString(value, QStringLiteral("d.M.yyyy"));
    if (!date.isValid() && !isCLocale()) {
        QLocale locale;
        QString format = locale.dateFormat(QLocale::ShortFormat);
        QString wide = format;
        if (!wide.contains(QLatin1String("yyyy"))) wide.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        date = locale.toDate(value, wide);
        if (!date.isValid()) date = locale.toDate(value, format);
    }
    if (!date.isValid()) return std::nullopt;
    return CalendarDate{date.year(), date.month(), date.day()};
}

} // namespace

ContactDocument::ContactDocument() { catalogue_.fill(kAbsent); }

std::size_t ContactDocument::positionOf(ContactItem item) const {
    const std::uint8_t at = catalogue_[static_cast<std::size_t>(item)];
    if (at != kAbsent) return at;
    if (items_.size() < kAbsent) return items_.size();
    for (std::size_t i = kAbsent; i < items_.size(); ++i)
        if (text::equalsIgnoringCase(items_[i].first, notesName(item))) return i;
    return items_.size();
}

ContactDocument::ContactDocument(std::vector<std::pair<std::string, ItemValue>> items, NoteInfo info,
                                 std::vector<AttachedFile> files)
    : items_(std::move(items)), info_(std::move(info)), files_(std::move(files)) {
    catalogue_.fill(kAbsent);
    const std::size_t indexed = std::min<std::size_t>(items_.size(), kAbsent);
    for (std::size_t i = 0; i < indexed; ++i) {
        const std::optional<ContactItem> item = catalogueItem(items_[i].first);
        if (!item) continue;
        catalogued_.set(i);
        std::uint8_t& at = catalogue_[static_cast<std::size_t>(*item)];
        if (at == kAbsent) at = static_cast<std::uint8_t>(i);
    }
}

const ItemValue* ContactDocument::find(std::string_view name) const {
    for (const auto& [itemName, value] : items_)
        if (text::equalsIgnoringCase(itemName, name)) return &value;
    return nullptr;
}

ItemValue ContactDocument::takeValue(ContactItem item) {
    const std::size_t at = positionOf(item);
    return at < items_.size() ? std::exchange(items_[at].second, ItemValue{}) : ItemValue{};
}

namespace {

std::string valueText(ItemValue::Kind kind, const std::string& written) {
    switch (kind) {
    case ItemValue::Kind::Empty: return {};
    case ItemValue::Kind::Text: return shownName(written);
    case ItemValue::Kind::RichText: return written;
    case ItemValue::Kind::Number: return localeNumberText(written);
    case ItemValue::Kind::DateTime: return dateTimeText(written);
    }
    return {};
}

} // namespace

namespace {

std::string textOf(const ItemValue* value) { return value ? valueText(value->kind, value->text) : std::string(); }

std::vector<std::string> textsOf(const ItemValue* value) {
    if (!value || value->kind == ItemValue::Kind::Empty) return {};
    std::vector<std::string> texts;
    texts.reserve(1 + value->more.size());
    texts.push_back(valueText(value->kind, value->text));
    for (const std::string& written : value->more) texts.push_back(valueText(value->kind, written));
    return texts;
}

std::optional<CalendarDate> dateOf(const ItemValue* value) {
    if (!value) return std::nullopt;
    if (value->kind == ItemValue::Kind::DateTime) {
        // A range's date is its start's.
        auto parsed = parseDxlDateTime(std::string_view(value->text).substr(0, value->text.find('/')));
        if (!parsed || !parsed->hasDate) return std::nullopt;
        return CalendarDate{parsed->year, parsed->month, parsed->day};
    }
    if (value->kind == ItemValue::Kind::Text) return dateFromText(value->text);
    return std::nullopt;
}

} // namespace

std::string ContactDocument::itemText(std::string_view name) const { return textOf(find(name)); }
std::string ContactDocument::itemText(ContactItem item) const { return textOf(find(item)); }
std::vector<std::string> ContactDocument::itemTexts(std::string_view name) const { return textsOf(find(name)); }
std::vector<std::string> ContactDocument::itemTexts(ContactItem item) const { return textsOf(find(item)); }
std::optional<CalendarDate> ContactDocument::itemDate(std::string_view name) const { return dateOf(find(name)); }
std::optional<CalendarDate> ContactDocument::itemDate(ContactItem item) const { return dateOf(find(item)); }

std::string displayName(const ContactDocument& doc) {
    // A part of absurd length is shown by its start; the whole stays in its item.
    const auto part = [&](ContactItem item) {
        const ItemValue* value = doc.find(item);
        return value ? valueText(value->kind, std::string(text::cutBefore(value->text, text::kDerivedNameLimit)))
                     : std::string();
    };
    std::string name =
        part(ContactItem::FirstName) + " " + part(ContactItem::MiddleInitial) + " " + part(ContactItem::LastName);
    std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    std::size_t last = name.find_last_not_of(' ');
    return name.substr(first, last - first + 1);
}

std::vector<std::string> displayNameItems() {
    return {std::string(notesName(ContactItem::FirstName)), std::string(notesName(ContactItem::MiddleInitial)),
            std::string(notesName(ContactItem::LastName))};
}

void listContacts(AddressBook& book, const ListedContact& listed) {
    listContacts(book, {}, [&](const ContactDocument&, const std::string& name,
                               const std::optional<DocumentPlace>& place) { listed(name, place); });
}

void listContacts(AddressBook& book, const std::vector<std::string>& alsoItems, const ListedDocument& listed) {
    std::vector<std::string> items = displayNameItems();
    items.insert(items.end(), alsoItems.begin(), alsoItems.end());
    book.keepOnlyItems(std::move(items));
    for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) listed(*doc, displayName(*doc), book.place());
}

} // namespace brenmoor::notes
