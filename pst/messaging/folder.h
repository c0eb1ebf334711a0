// A folder of the store: its name and container class, its subfolders, and the
// items saved into it, with the counts and table rows the format keeps for them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pst/ltp/streamed_table.h"
#include "pst/ltp/table_context.h"
#include "pst/messaging/contact_item.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

class MessageStore;

// Outlook's default-folder kinds that a store answers for.
enum DefaultFolderKind : int {
    kDeletedItemsFolder = 3,
    kContactsFolder = 10,
};

class Folder {
public:
    Folder(MessageStore& store, ndb::Nid nid, Folder* parent, std::string name);
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    ndb::Nid nid() const { return nid_; }
    const std::string& name() const { return name_; }
    const std::string& containerClass() const { return containerClass_; }
    void setContainerClass(std::string containerClass) { containerClass_ = std::move(containerClass); }
    Folder* parent() const { return parent_; }

    // The subfolder of that name (compared without regard to ASCII case), or null.
    Folder* subfolder(std::string_view name) const;
    const std::vector<Folder*>& subfolders() const { return subfolders_; }
    // Adds a subfolder; StoreError where one of that name exists or the name is empty.
    Folder& addSubfolder(const std::string& name);

    // Makes this folder the store's default folder of the kind (kContactsFolder:
    // also gives it the container class "IPF.Contact").
    void SetAsDefaultFolder(int kind);

    // The folder's items: a new one is added with Items().Add(...).
    class ItemCollection {
    public:
        explicit ItemCollection(Folder& folder) : folder_(&folder) {}
        // A new contact item or distribution list ("IPM.DistList"); StoreError for any
        // other message class. identity: a name that stays with the item from one
        // store to the next (see MessageStore::newItemIdentity); "" for none.
        ContactItem Add(std::string_view messageClass, std::string_view identity = {});
        // The NID and search key of an item to add later by the second Add, for items
        // that name each other (distribution lists) without all being held at once.
        ItemIdentity reserve(std::string_view identity = {});
        ContactItem Add(std::string_view messageClass, const ItemIdentity& reserved);
        std::int64_t count() const;

    private:
        Folder* folder_;
    };
    ItemCollection Items() { return ItemCollection(*this); }
    std::int64_t itemCount() const { return itemCount_; }

    MessageStore& store() const { return *store_; }

    // Records a saved item in the contents table (its row replaced on a re-save).
    void recordItem(ndb::Nid item, std::map<ltp::PropTag, ltp::PropValue> row, bool isNew);

    // The folder's property context and its three tables.
    ndb::NodeContent buildProperties() const;
    ndb::NodeContent buildHierarchyTable() const;
    ndb::NodeContent buildContentsTable() const;
    ndb::NodeContent buildAssocContentsTable() const;
    // The folder's row in its parent's hierarchy table.
    std::map<ltp::PropTag, ltp::PropValue> hierarchyRow() const;

private:
    friend class MessageStore; // lays out the fixed folders of a new store

    MessageStore* store_;
    ndb::Nid nid_;
    Folder* parent_;
    std::string name_;
    std::string containerClass_;
    std::vector<Folder*> subfolders_;
    // The contents table, written out as items are saved into the folder.
    std::unique_ptr<ltp::StreamedTableContext> contents_;
    std::int64_t itemCount_ = 0;
    std::uint32_t rowVersion_ = 0;
};

} // namespace brenmoor::pst::messaging
