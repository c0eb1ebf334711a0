// A new PST store written to one file: the message store object, the name-to-ID
// map, the root folder with "Top of Personal Folders", "Deleted Items", the search
// root and the spam search folder, every mandatory node and template table of a new
// store, the folders added to it and their items. Items are written as they are
// saved; the folders' tables, the store object and the maps when flushed. The file
// is a complete store after create() and after each flush().
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "pst/messaging/entry_id.h"
#include "pst/messaging/folder.h"
#include "pst/messaging/named_property_map.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

class MessageStore {
public:
    // Creates the store file with its display name. Throws StoreError (with the
    // system's reason) where the file cannot be created, also where it exists.
    static std::unique_ptr<MessageStore> create(const std::string& path, const std::string& displayName);
    // The same in fd, an empty file open for reading and writing (one without a name,
    // say), which the store takes over; name stands for the file in messages. Where the
    // store cannot be made, the file is closed and what to do with it is the caller's.
    static std::unique_ptr<MessageStore> create(int fd, const std::string& name, const std::string& displayName);
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    const std::string& path() const { return path_; }
    const std::string& displayName() const { return displayName_; }
    const StoreUid& uid() const { return uid_; }
    // Gives the store a lasting identity: a text naming it in every run (a book's replica
    // ID, its owner's mailbox). Its UID (record key, and the provider UID of every entry
    // ID) and its items' search keys are then derived from it, the same in every store
    // made with it; a store without one has a random UID. Before the first item is
    // added (StoreError after).
    void setIdentity(std::string_view identity);

    // The folder the user sees as the store's top: "Top of Personal Folders".
    Folder& rootFolder() { return *ipmSubtree_; }
    // The default folder of a kind; StoreError where the store has none.
    Folder& defaultFolder(int kind);
    bool hasDefaultFolder(int kind) const { return defaults_.count(kind) != 0; }

    // Writes everything not yet written and completes the file. StoreError on a
    // write failure. The store takes more items afterwards.
    void flush();
    // True once a write to the file failed: the store takes nothing more.
    bool writeFailed() const { return nodes_->failed(); }

    // For folders and items.
    Folder& newFolder(Folder& parent, const std::string& name);
    void setDefaultFolder(int kind, Folder& folder);
    // The NID and search key of a new item. Where identity names the item lastingly (a
    // document's universal ID), they follow from it and the store's UID: the search key
    // is its nameBasedGuid in the UID's namespace, the NID a hash of that into the lower
    // half of the message NIDs, or where an item of this store holds that NID the next
    // free one after it. A name given again in one store counts with its repeat number.
    // Without an identity: the next free NID in order, and a search key named after it.
    ItemIdentity newItemIdentity(std::string_view identity);
    NamedPropertyMap& names() { return names_; }
    ndb::NodeDatabaseWriter& nodeDatabase() { return *nodes_; }
    void putNode(ndb::Nid nid, ndb::Nid parent, const ndb::NodeContent& content);

private:
    MessageStore(const std::string& path, const std::string& displayName);
    // Lays out the fixed folders and names in the new file and completes it.
    void start();
    ndb::NodeContent buildStoreProperties() const;
    ndb::NodeContent buildRootProperties() const;
    void putFixedNodes();
    void putFolder(const Folder& folder);

    std::string path_;
    std::string displayName_;
    StoreUid uid_;
    std::unique_ptr<ndb::NodeDatabaseWriter> nodes_;
    NamedPropertyMap names_;
    std::deque<Folder> folders_;
    Folder* root_ = nullptr;
    Folder* ipmSubtree_ = nullptr;
    Folder* searchRoot_ = nullptr;
    Folder* deletedItems_ = nullptr;
    Folder* spamSearch_ = nullptr;
    std::map<int, Folder*> defaults_;
    std::uint32_t nextFolderIndex_;
    std::uint32_t nextMessageIndex_;
    std::unordered_set<std::uint32_t> messageIndexes_;           // every item's NID index
    std::unordered_map<std::uint64_t, std::uint32_t> identities_; // times each identity was given, by hash
};

} // namespace brenmoor::pst::messaging
