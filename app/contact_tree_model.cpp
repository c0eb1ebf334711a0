// The contact tree's model: one root, the scanned contacts under it, rows made on demand.
#include "app/contact_tree_model.h"

#include "app/artwork.h"

namespace brenmoor::app {

namespace {

const QString kRootKey = QStringLiteral("TQalder");
const QString kRootText = QStringLiteral("Notes Address Book");
const QString kContactKeyPrefix = QStringLiteral("T_");

// Room reserved per name: untouched room costs address space, not memory.
constexpr std::size_t kNameRoom = 32;

} // namespace

void ScannedContacts::reserve(std::size_t count) {
    names_.reserve(count * kNameRoom);
    nameEnds_.reserve(count);
    offsets_.reserve(count);
}

void ScannedContacts::add(std::string_view name, const std::optional<notes::DocumentPlace>& place) {
    // Names past 4 GiB in all would not be addressed; such a contact is listed unnamed.
    if (names_.size() + name.size() <= UINT32_MAX) names_.append(name);
    nameEnds_.push_back(static_cast<std::uint32_t>(names_.size()));
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

std::optional<notes::DocumentPlace> ScannedContacts::place(std::size_t i) const {
    if (!book_ || offsets_[i] == kNoPlace) return std::nullopt;
    return notes::DocumentPlace{*book_, offsets_[i]};
}

ContactTreeModel::ContactTreeModel(QObject* parent)
    : QAbstractItemModel(parent), bookPicture_(addressBookPicture()), cardPicture_(contactCardPicture()) {}

void ContactTreeModel::setContacts(ScannedContacts contacts) {
    beginResetModel();
    contacts_ = std::move(contacts);
    endResetModel();
}

std::optional<notes::DocumentPlace> ContactTreeModel::place(const QModelIndex& contact) const {
    if (!isContact(contact)) return std::nullopt;
    return contacts_.place(static_cast<std::size_t>(contact.row()));
}

QModelIndex ContactTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? rootIndex() : QModelIndex();
    if (parent.internalId() != kRootId || static_cast<std::size_t>(row) >= contacts_.size()) return {};
    return createIndex(row, 0, kContactId);
}

QModelIndex ContactTreeModel::parent(const QModelIndex& child) const {
    return isContact(child) ? rootIndex() : QModelIndex();
}

int ContactTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    if (parent.internalId() == kRootId) return static_cast<int>(std::min<std::size_t>(contacts_.size(), INT_MAX));
    return 0;
}

int ContactTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ContactTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const bool contact = isContact(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        if (!contact) return kRootText;
        std::string_view name = contacts_.name(static_cast<std::size_t>(index.row()));
        return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    }
    case Qt::DecorationRole: return contact ? cardPicture_ : bookPicture_;
    case kNodeKeyRole: return contact ? kContactKeyPrefix + QString::number(runningNumber(index)) : kRootKey;
    case kNodePictureRole: return contact ? 2 : 1;
    default: return {};
    }
}

} // namespace brenmoor::app
