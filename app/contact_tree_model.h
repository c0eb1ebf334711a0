// The contact tree's model: the root "Notes Address Book" (key "TQalder", picture 1)
// and under it one node per contact of the last scan (key "T_" and its running
// number, picture 2, its display name), with where the scan found each contact in
// the book. A book with mailing lists has a second top row, "Mailing Lists" (key
// "TQlists"), with one node per list (key "L_" and its number, picture 2) whose members
// the window shows on click; lists are no contacts: never filtered, selected or counted.
// Names sit in one buffer and rows are made when the view asks for them,
// so a million contacts cost a few bytes each beyond their names.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QItemSelection>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/address_book.h"

namespace brenmoor::app {

// Data roles of a tree node: its key ("TQalder" or "T_<running number>") and the number
// of its picture (1 the address book, 2 a contact card).
inline constexpr int kNodeKeyRole = Qt::UserRole;
inline constexpr int kNodePictureRole = Qt::UserRole + 1;

// The contacts a scan found, in walk order: display names, what else the filter looks
// at (company and e-mail), and places in the book.
class ScannedContacts {
public:
    // Room for count contacts (the book's entry count); more may still be added.
    void reserve(std::size_t count);
    void add(std::string_view name, const std::optional<notes::DocumentPlace>& place, std::string_view also = {},
             std::string_view unid = {});

    std::size_t size() const { return nameEnds_.size(); }
    std::string_view name(std::size_t i) const;
    std::string_view also(std::size_t i) const;
    std::optional<notes::DocumentPlace> place(std::size_t i) const;
    // Whether document is the contact the scan found at i, as far as the book's UNIDs
    // tell: true where either has none.
    bool isSameDocument(std::size_t i, std::string_view unid) const;

private:
    static constexpr std::uint64_t kNoPlace = UINT64_MAX;
    std::string names_;
    std::vector<std::uint32_t> nameEnds_;
    std::string also_;
    std::vector<std::uint32_t> alsoEnds_;
    std::vector<std::uint64_t> offsets_; // kNoPlace where the walk gave none
    std::vector<std::uint64_t> unids_;   // a hash of each contact's UNID, 0 where it has none
    std::optional<notes::BookIdentity> book_;
};

// A mailing list of the book as the tree shows it: its name and its members, each as a
// line to read.
struct ListedList {
    QString name;
    QStringList members;
};

class ContactTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit ContactTreeModel(QObject* parent = nullptr);

    // Replaces the contacts under the root, all shown, and the mailing lists (the heading
    // is there only where the book has some); the root stays.
    void setContacts(ScannedContacts contacts, std::vector<ListedList> lists = {});
    const ScannedContacts& contacts() const { return contacts_; }

    // Shows only the contacts whose name, company or e-mail holds text as the user reads
    // it: case, accents and runs of white space make no difference (both sides are
    // brought to Unicode's compatibility decomposition, marks dropped, case folded).
    // All of them for a text of white space alone. Keys and running numbers stay.
    void setFilter(const QString& text);
    bool isFiltered() const { return filtered_; }
    // The filter's form of a text: what setFilter compares.
    static QString folded(const QString& text);

    // The contacts in the book and those the filter shows.
    std::size_t contactCount() const { return contacts_.size(); }
    std::size_t shownCount() const { return filtered_ ? shown_.size() : contacts_.size(); }

    // The contacts the user selected, kept here so that a selection outlives the filter:
    // contacts it hides stay selected. Rows are those shown now.
    void setChosen(int firstRow, int lastRow, bool chosen);
    void clearChosen();
    std::size_t chosenCount() const { return chosenCount_; }
    // The shown rows whose contacts are selected, as ranges of rows for the view.
    QItemSelection chosenShownRows() const;
    // The running numbers of the selected contacts, and of the contacts shown, in book order.
    std::vector<std::int64_t> chosenRunningNumbers() const;
    std::vector<std::int64_t> shownRunningNumbers() const;

    QModelIndex rootIndex() const { return createIndex(0, 0, kRootId); }
    // The heading of the mailing lists; invalid where the book has none.
    QModelIndex listsIndex() const { return lists_.empty() ? QModelIndex() : createIndex(1, 0, kListsId); }
    std::size_t listCount() const { return lists_.size(); }
    bool isList(const QModelIndex& index) const { return index.isValid() && index.internalId() == kListId; }
    const ListedList* list(const QModelIndex& index) const {
        return isList(index) ? &lists_[std::size_t(index.row())] : nullptr;
    }
    bool isContact(const QModelIndex& index) const { return index.isValid() && index.internalId() == kContactId; }
    // A contact node's running number (1 for the first): its position in the book.
    std::int64_t runningNumber(const QModelIndex& contact) const { return std::int64_t(contactAt(contact.row())) + 1; }
    std::optional<notes::DocumentPlace> place(const QModelIndex& contact) const;
    bool isSameDocument(const QModelIndex& contact, std::string_view unid) const {
        return isContact(contact) && contacts_.isSameDocument(contactAt(contact.row()), unid);
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    static constexpr quintptr kRootId = 0;
    static constexpr quintptr kContactId = 1;
    static constexpr quintptr kListsId = 2;
    static constexpr quintptr kListId = 3;

    std::size_t contactAt(int row) const { return filtered_ ? shown_[std::size_t(row)] : std::size_t(row); }

    ScannedContacts contacts_;
    std::vector<bool> chosen_; // per contact of the book
    std::size_t chosenCount_ = 0;
    bool filtered_ = false;
    std::vector<std::uint32_t> shown_; // the contacts the filter lets through, in book order
    std::vector<ListedList> lists_;
    QIcon bookPicture_;
    QIcon cardPicture_;
};

} // namespace brenmoor::app
