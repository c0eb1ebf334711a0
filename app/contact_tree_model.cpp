// The contact tree's model: one root, the scanned contacts under it, rows made on demand.
#include "app/contact_tree_model.h"

#include "app/artwork.h"

#include <QCoreApplication>

#include <algorithm>
#include <functional>

namespace brenmoor::app {

namespace {

const QString kRootKey = QStringLiteral("TQalder");
const QString kContactKeyPrefix = QStringLiteral("T_");
const QString kListsKey = QStringLiteral("TQlists");
const QString kListKeyPrefix = QStringLiteral("L_");

// Room reserved per name: untouched room costs address space, not memory.
constexpr std::size_t kNameRoom = 32;

} // namespace

void ScannedContacts::reserve(std::size_t count) {
    names_.reserve(count * kNameRoom);
    nameEnds_.reserve(count);
    alsoEnds_.reserve(count);
    offsets_.reserve(count);
    unids_.reserve(count);
}

namespace {

// Eight bytes for a UNID's 32 digits: enough to tell a document from the one before it.
std::uint64_t unidHash(std::string_view unid) {
    if (unid.empty()) return 0;
    return std::max<std::uint64_t>(std::hash<std::string_view>{}(unid), 1);
}

} // namespace

void ScannedContacts::add(std::string_view name, const std::optional<notes::DocumentPlace>& place,
                          std::string_view also, std::string_view unid) {
    unids_.push_back(unidHash(unid));
    // Names past 4 GiB in all would not be addressed; such a contact is listed unnamed.
    if (names_.size() + name.size() <= UINT32_MAX) names_.append(name);
    nameEnds_.push_back(static_cast<std::uint32_t>(names_.size()));
    if (also_.size() + also.size() <= UINT32_MAX) also_.append(also);
    alsoEnds_.push_back(static_cast<std::uint32_t>(also_.size()));
    if (place && (!book_ || *book_ == place->book)) {
        book_ = place->book;
        offsets_.push_back(place->offset);
    } else {
        offsets_.push_back(kNoPlace);
    }
}

std::string_view ScannedContacts::name(std::size_t i) const {
    std::size_t start = i == 0 ? 0 : nameEnds_[i - 1];
    return std::string_view(names_).substr(start, nameEnds_[i] - start);
}

std::string_view ScannedContacts::also(std::size_t i) const {
    std::size_t start = i == 0 ? 0 : alsoEnds_[i - 1];
    return std::string_view(also_).substr(start, alsoEnds_[i] - start);
}

bool ScannedContacts::isSameDocument(std::size_t i, std::string_view unid) const {
    const std::uint64_t listed = unids_[i];
    return listed == 0 || unid.empty() || listed == unidHash(unid);
}

std::optional<notes::DocumentPlace> ScannedContacts::place(std::size_t i) const {
    if (!book_ || offsets_[i] == kNoPlace) return std::nullopt;
    return notes::DocumentPlace{*book_, offsets_[i]};
}

ContactTreeModel::ContactTreeModel(QObject* parent)
    : QAbstractItemModel(parent), bookPicture_(addressBookPicture()), cardPicture_(contactCardPicture()) {}

void ContactTreeModel::setContacts(ScannedContacts contacts, std::vector<ListedList> lists) {
    beginResetModel();
    contacts_ = std::move(contacts);
    lists_ = std::move(lists);
    clearChosen();
    filtered_ = false;
    shown_ = {};
    endResetModel();
}

namespace {

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The folded form of ASCII text, into out: letters in lower case, each run of white space
// one space, none at either end. The same as ContactTreeModel::folded for such text.
void foldAscii(std::string_view text, std::string& out) {
    out.clear();
    bool space = false;
    for (char c : text) {
        if (isAsciiSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
    }
}

// Whether one line of text, folded, holds the folded needle. ASCII text is folded byte by
// byte in scratch; other text goes through Unicode.
bool lineHolds(std::string_view text, const std::string& needle, const QString& unicodeNeedle, std::string& scratch) {
    if (isAscii(text)) {
        foldAscii(text, scratch);
        return scratch.find(needle) != std::string::npos;
    }
    return ContactTreeModel::folded(utf8(text)).contains(unicodeNeedle);
}

// Company and e-mail addresses stand a line each: a match does not run from one to the next.
bool holds(std::string_view text, const std::string& needle, const QString& unicodeNeedle, std::string& scratch) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (lineHolds(text.substr(0, end), needle, unicodeNeedle, scratch)) return true;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return false;
}

} // namespace

QString ContactTreeModel::folded(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    bool space = false;
    for (const QChar c : decomposed) {
        if (c.isSpace()) {
            space = !out.isEmpty();
            continue;
        }
        // The marks decomposition split off the letters: accents, cedillas, umlauts.
        if (c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_Enclosing) continue;
        if (space) out += QLatin1Char(' ');
        space = false;
        out += c;
    }
    return out.toCaseFolded();
}

// A filter is folded once; each contact's name, company and addresses as the filter runs.
void ContactTreeModel::setFilter(const QString& text) {
    beginResetModel();
    shown_ = {};
    const QString needle = folded(text);
    filtered_ = !needle.isEmpty();
    if (filtered_) {
        const std::string bytes = needle.toStdString();
        std::string scratch;
        for (std::size_t i = 0; i < contacts_.size() && i <= UINT32_MAX; ++i)
            if (holds(contacts_.name(i), bytes, needle, scratch) || holds(contacts_.also(i), bytes, needle, scratch))
                shown_.push_back(static_cast<std::uint32_t>(i));
    }
    endResetModel();
}

void ContactTreeModel::setChosen(int firstRow, int lastRow, bool chosen) {
    for (int row = std::max(firstRow, 0); row <= lastRow && std::size_t(row) < shownCount(); ++row) {
        const std::size_t i = contactAt(row);
        if (chosen_[i] == chosen) continue;
        chosen_[i] = chosen;
        chosen ? ++chosenCount_ : --chosenCount_;
    }
}

void ContactTreeModel::clearChosen() {
    chosen_.assign(contacts_.size(), false);
    chosenCount_ = 0;
}

QItemSelection ContactTreeModel::chosenShownRows() const {
    QItemSelection rows;
    if (chosenCount_ == 0) return rows;
    const int shown = static_cast<int>(std::min<std::size_t>(shownCount(), INT_MAX));
    for (int row = 0; row < shown; ++row) {
        if (!chosen_[contactAt(row)]) continue;
        int last = row;
        while (last + 1 < shown && chosen_[contactAt(last + 1)]) ++last;
        rows.append(QItemSelectionRange(index(row, 0, rootIndex()), index(last, 0, rootIndex())));
        row = last;
    }
    return rows;
}

std::vector<std::int64_t> ContactTreeModel::chosenRunningNumbers() const {
    std::vector<std::int64_t> numbers;
    numbers.reserve(chosenCount_);
    for (std::size_t i = 0; i < chosen_.size(); ++i)
        if (chosen_[i]) numbers.push_back(std::int64_t(i) + 1);
    return numbers;
}

std::vector<std::int64_t> ContactTreeModel::shownRunningNumbers() const {
    std::vector<std::int64_t> numbers;
    numbers.reserve(shownCount());
    for (std::size_t row = 0; row < shownCount(); ++row) numbers.push_back(std::int64_t(contactAt(int(row))) + 1);
    return numbers;
}

std::optional<notes::DocumentPlace> ContactTreeModel::place(const QModelIndex& contact) const {
    if (!isContact(contact)) return std::nullopt;
    return contacts_.place(contactAt(contact.row()));
}

QModelIndex ContactTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? rootIndex() : row == 1 ? listsIndex() : QModelIndex();
    if (parent.internalId() == kListsId)
        return std::size_t(row) < lists_.size() ? createIndex(row, 0, kListId) : QModelIndex();
    if (parent.internalId() != kRootId || static_cast<std::size_t>(row) >= shownCount()) return {};
    return createIndex(row, 0, kContactId);
}

QModelIndex ContactTreeModel::parent(const QModelIndex& child) const {
    if (isList(child)) return listsIndex();
    return isContact(child) ? rootIndex() : QModelIndex();
}

int ContactTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return lists_.empty() ? 1 : 2;
    if (parent.internalId() == kRootId) return static_cast<int>(std::min<std::size_t>(shownCount(), INT_MAX));
    if (parent.internalId() == kListsId) return static_cast<int>(std::min<std::size_t>(lists_.size(), INT_MAX));
    return 0;
}

int ContactTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ContactTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.internalId() == kListsId || isList(index)) {
        const bool heading = !isList(index);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return heading ? QCoreApplication::translate("brenmoor::app::ContactTreeModel", "Mailing Lists")
                           : lists_[std::size_t(index.row())].name;
        case Qt::DecorationRole: return heading ? bookPicture_ : cardPicture_;
        case kNodeKeyRole: return heading ? kListsKey : kListKeyPrefix + QString::number(index.row() + 1);
        case kNodePictureRole: return heading ? 1 : 2;
        default: return {};
        }
    }
    const bool contact = isContact(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        if (!contact) return QCoreApplication::translate("brenmoor::app::ContactTreeModel", "Notes Address Book");
        return utf8(contacts_.name(contactAt(index.row())));
    }
    case Qt::DecorationRole: return contact ? cardPicture_ : bookPicture_;
    case kNodeKeyRole: return contact ? kContactKeyPrefix + QString::number(runningNumber(index)) : kRootKey;
    case kNodePictureRole: return contact ? 2 : 1;
    default: return {};
    }
}

} // namespace brenmoor::app
