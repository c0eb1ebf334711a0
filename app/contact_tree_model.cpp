// The contact tree's model: one root, the scanned contacts under it, rows made on demand.
#include "app/contact_tree_model.h"

#include "app/artwork.h"

#include <QCoreApplication>

#include <algorithm>

namespace brenmoor::app {

namespace {

const QString kRootKey = QStringLiteral("TQalder");
const QString kContactKeyPrefix = QStringLiteral("T_");

// Room reserved per name: untouched room costs address space, not memory.
constexpr std::size_t kNameRoom = 32;

} // namespace

void ScannedContacts::reserve(std::size_t count) {
    names_.reserve(count * kNameRoom);
    nameEnds_.reserve(count);
    alsoEnds_.reserve(count);
    offsets_.reserve(count);
}

void ScannedContacts::add(std::string_view name, const std::optional<notes::DocumentPlace>& place,
                          std::string_view also) {
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

std::optional<notes::DocumentPlace> ScannedContacts::place(std::size_t i) const {
    if (!book_ || offsets_[i] == kNoPlace) return std::nullopt;
    return notes::DocumentPlace{*book_, offsets_[i]};
}

ContactTreeModel::ContactTreeModel(QObject* parent)
    : QAbstractItemModel(parent), bookPicture_(addressBookPicture()), cardPicture_(contactCardPicture()) {}

void ContactTreeModel::setContacts(ScannedContacts contacts) {
    beginResetModel();
    contacts_ = std::move(contacts);
    filtered_ = false;
    shown_ = {};
    endResetModel();
}

namespace {

// Whether text holds needle, ASCII letters compared without regard to case; needle is
// folded already. Other letters compare as they are, unless the caller folded both.
bool holdsFolded(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; };
    const char first = needle.front();
    const std::size_t last = text.size() - needle.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (lower(text[i]) != first) continue;
        std::size_t k = 1;
        while (k < needle.size() && lower(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether text holds the folded needle, which has a letter beyond ASCII: text of ASCII
// alone folds to ASCII alone and cannot, and is not decoded.
bool holdsUnicode(std::string_view text, const QString& needle) {
    return !isAscii(text) && utf8(text).contains(needle, Qt::CaseInsensitive);
}

} // namespace

// An ASCII filter compares bytes, folding only ASCII letters, which is all it takes for
// ASCII text to match without regard to case; other text is folded as Unicode first.
void ContactTreeModel::setFilter(const QString& text) {
    beginResetModel();
    shown_ = {};
    filtered_ = !text.isEmpty();
    if (filtered_) {
        const QString folded = text.toCaseFolded();
        const std::string needle = folded.toStdString();
        const bool ascii = isAscii(needle);
        for (std::size_t i = 0; i < contacts_.size() && i <= UINT32_MAX; ++i) {
            const bool match = ascii ? holdsFolded(contacts_.name(i), needle) || holdsFolded(contacts_.also(i), needle)
                                     : holdsUnicode(contacts_.name(i), folded) || holdsUnicode(contacts_.also(i), folded);
            if (match) shown_.push_back(static_cast<std::uint32_t>(i));
        }
    }
    endResetModel();
}

void ContactTreeModel::appendRunningNumbers(int first, int last, std::vector<std::int64_t>& numbers) const {
    for (int row = std::max(first, 0); row <= last && std::size_t(row) < shownCount(); ++row)
        numbers.push_back(std::int64_t(contactAt(row)) + 1);
}

std::optional<notes::DocumentPlace> ContactTreeModel::place(const QModelIndex& contact) const {
    if (!isContact(contact)) return std::nullopt;
    return contacts_.place(contactAt(contact.row()));
}

QModelIndex ContactTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? rootIndex() : QModelIndex();
    if (parent.internalId() != kRootId || static_cast<std::size_t>(row) >= shownCount()) return {};
    return createIndex(row, 0, kContactId);
}

QModelIndex ContactTreeModel::parent(const QModelIndex& child) const {
    return isContact(child) ? rootIndex() : QModelIndex();
}

int ContactTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    if (parent.internalId() == kRootId) return static_cast<int>(std::min<std::size_t>(shownCount(), INT_MAX));
    return 0;
}

int ContactTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ContactTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
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
