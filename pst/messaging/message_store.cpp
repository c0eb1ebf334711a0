// The store: its fixed nodes and folders, default folders, and the flush that
// completes the file.
#include "pst/messaging/message_store.h"

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/property_context.h"
#include "pst/ltp/table_context.h"
#include "pst/messaging/contact_field.h"
#include "pst/messaging/property_tags.h"
#include "pst/messaging/store_error.h"
#include "pst/messaging/store_layout.h"
#include "pst/util/little_endian.h"
#include "text/translation.h"

namespace brenmoor::pst::messaging {

namespace {

using ltp::PropValue;
using ltp::makeTag;

// Which default folders the store object names (PidTagValidFolderMask bits).
constexpr std::int32_t kSubtreeValid = 0x01;
constexpr std::int32_t kWastebasketValid = 0x08;
constexpr std::int32_t kFinderValid = 0x80;

// The NID indexes of items with an identity: the lower half of the message NIDs, so
// that a program adding items to the store later has the upper half to go on in.
constexpr std::uint32_t kDerivedIndexes = 1u << 26;

// The client signature of the internal heap (bTypeReserved3).
constexpr std::uint8_t kClientInternalMap = 0x9C;

ndb::NodeContent emptyTable(const std::vector<ltp::PropTag>& columns) {
    return ltp::TableContextBuilder(columns).build();
}

} // namespace

MessageStore::MessageStore(const std::string& path, const std::string& displayName)
    : path_(path), displayName_(displayName), uid_(newStoreUid()),
      nextFolderIndex_(layout::kFirstUserFolderIndex), nextMessageIndex_(layout::kFirstMessageIndex) {}

MessageStore::~MessageStore() = default;

std::unique_ptr<MessageStore> MessageStore::create(const std::string& path, const std::string& displayName) {
    std::unique_ptr<MessageStore> store(new MessageStore(path, displayName));
    try {
        store->nodes_ = std::make_unique<ndb::NodeDatabaseWriter>(path);
    } catch (const std::exception& e) {
        throw StoreError(text::arg(text::translate("brenmoor::pst", "The store \"%1\" cannot be created: %2"),
                                   {path, e.what()}));
    }
    try {
        store->start();
    } catch (...) {
        // The file is ours and no store: leave nothing behind.
        store->nodes_.reset();
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        throw;
    }
    return store;
}

std::unique_ptr<MessageStore> MessageStore::create(int fd, const std::string& name, const std::string& displayName) {
    std::unique_ptr<MessageStore> store(new MessageStore(name, displayName));
    store->nodes_ = std::make_unique<ndb::NodeDatabaseWriter>(fd, name);
    store->start();
    return store;
}

void MessageStore::start() {
    auto& f = folders_;
    root_ = &f.emplace_back(*this, layout::kRootFolder, nullptr, "");
    ipmSubtree_ = &f.emplace_back(*this, layout::kIpmSubtree, root_, "Top of Personal Folders");
    searchRoot_ = &f.emplace_back(*this, layout::kSearchRoot, root_, "Search Root");
    spamSearch_ = &f.emplace_back(*this, layout::kSpamSearchFolder, root_, "SPAM Search Folder 2");
    deletedItems_ = &f.emplace_back(*this, layout::kDeletedItems, ipmSubtree_, "Deleted Items");
    root_->subfolders_ = {spamSearch_, ipmSubtree_, searchRoot_};
    ipmSubtree_->subfolders_ = {deletedItems_};
    defaults_[kDeletedItemsFolder] = deletedItems_;
    for (const PropertyName& name : contactPropertyNames()) names_.idOf(name);
    flush();
}

Folder& MessageStore::defaultFolder(int kind) {
    auto it = defaults_.find(kind);
    if (it == defaults_.end())
        throw StoreError("The store \"" + path_ + "\" has no default folder of kind " + std::to_string(kind) + ".");
    return *it->second;
}

void MessageStore::setDefaultFolder(int kind, Folder& folder) {
    if (kind != kContactsFolder && kind != kDeletedItemsFolder)
        throw StoreError("Default folders of kind " + std::to_string(kind) + " are not kept in this store.");
    defaults_[kind] = &folder;
}

Folder& MessageStore::newFolder(Folder& parent, const std::string& name) {
    if (nextFolderIndex_ >= (1u << 27)) throw StoreError("The store holds too many folders.");
    const ndb::Nid nid = ndb::makeNid(ndb::NID_TYPE_NORMAL_FOLDER, nextFolderIndex_++);
    return folders_.emplace_back(*this, nid, &parent, name);
}

void MessageStore::setIdentity(std::string_view identity) {
    if (!messageIndexes_.empty())
        throw StoreError("The store \"" + path_ + "\" holds items already: its identity cannot change.");
    uid_ = storeUidFor(identity);
}

ItemIdentity MessageStore::newItemIdentity(std::string_view identity) {
    if (messageIndexes_.size() >= kDerivedIndexes) throw StoreError("The store holds too many items.");
    ItemIdentity made{};
    std::uint32_t index = 0;
    if (identity.empty()) {
        while (messageIndexes_.count(nextMessageIndex_) != 0) ++nextMessageIndex_;
        if (nextMessageIndex_ >= (1u << 27)) throw StoreError("The store holds too many items.");
        index = nextMessageIndex_++;
        const ndb::Nid nid = ndb::makeNid(ndb::NID_TYPE_NORMAL_MESSAGE, index);
        made.searchKey = nameBasedGuid(uid_, "nid:" + std::to_string(nid));
    } else {
        const std::uint32_t repeat = identities_[std::hash<std::string_view>{}(identity)]++;
        made.searchKey = repeat == 0 ? nameBasedGuid(uid_, identity)
                                     : nameBasedGuid(uid_, std::string(identity) + "\n" + std::to_string(repeat + 1));
        std::uint32_t offset = getU32(made.searchKey.data() + 12) % kDerivedIndexes;
        while (messageIndexes_.count(layout::kFirstMessageIndex + offset) != 0) offset = (offset + 1) % kDerivedIndexes;
        index = layout::kFirstMessageIndex + offset;
    }
    messageIndexes_.insert(index);
    made.nid = ndb::makeNid(ndb::NID_TYPE_NORMAL_MESSAGE, index);
    return made;
}

void MessageStore::putNode(ndb::Nid nid, ndb::Nid parent, const ndb::NodeContent& content) {
    try {
        nodes_->putNode(nid, parent, content);
    } catch (const std::exception& e) {
        throw StoreError(text::arg(text::translate("brenmoor::pst", "The store \"%1\" cannot be written: %2"),
                                   {path_, e.what()}));
    }
}

ndb::NodeContent MessageStore::buildStoreProperties() const {
    ltp::PropertyContextBuilder pc;
    pc.set(tags::PidTagRecordKey, PropValue::binary(ltp::Bytes(uid_.begin(), uid_.end())));
    pc.set(tags::PidTagDisplayName, PropValue::unicode(displayName_));
    pc.set(tags::PidTagValidFolderMask, PropValue::int32(kSubtreeValid | kWastebasketValid | kFinderValid));
    pc.set(tags::PidTagIpmSubtreeEntryId, PropValue::binary(entryId(uid_, ipmSubtree_->nid())));
    pc.set(tags::PidTagIpmWastebasketEntryId, PropValue::binary(entryId(uid_, deletedItems_->nid())));
    pc.set(tags::PidTagFinderEntryId, PropValue::binary(entryId(uid_, searchRoot_->nid())));
    pc.set(tags::PidTagPstLrNoRestrictions, PropValue::boolean(true));
    pc.set(tags::PidTagPstPassword, PropValue::int32(0)); // none
    pc.set(tags::PidTagLatestPstEnsure, PropValue::int32(0x000E000D)); // as Outlook 2007 and later set it
    return pc.build();
}

ndb::NodeContent MessageStore::buildRootProperties() const {
    ltp::PropertyContextBuilder pc;
    for (auto& [tag, value] : root_->hierarchyRow())
        if (ltp::tagId(tag) < 0x67F0) pc.set(tag, value);
    // The root folder names the default folders Outlook looks for there.
    auto contacts = defaults_.find(kContactsFolder);
    if (contacts != defaults_.end())
        pc.set(tags::PidTagIpmContactEntryId, PropValue::binary(entryId(uid_, contacts->second->nid())));
    return pc.build();
}

void MessageStore::putFixedNodes() {
    const ndb::NodeContent none;
    for (ndb::Nid nid : {layout::kSearchManagementQueue, layout::kSearchDomainObject, layout::kSearchGathererQueue,
                         layout::kSearchGathererFolderQueue, layout::kSearchQueueReserved})
        putNode(nid, 0, none);
    // The search folders the indexer keeps up to date: the spam search folder.
    ndb::NodeContent activity;
    activity.blocks.push_back(ltp::Bytes(4));
    putU32(activity.blocks.back().data(), layout::kSpamSearchFolder);
    putNode(layout::kSearchActivityList, 0, activity);
    // The gatherer's descriptor as a new store starts it (88 bytes; three counters at 1).
    ndb::NodeContent gatherer;
    gatherer.blocks.push_back(ltp::Bytes(88));
    for (std::size_t at : {16, 24, 28}) putU32(gatherer.blocks.back().data() + at, 1);
    putNode(layout::kSearchGathererDescriptor, 0, gatherer);
    ltp::HeapOnNodeBuilder map(kClientInternalMap);
    const ltp::Hid root = map.reserve(4);
    const ltp::Hid tree = ltp::writeBTreeOnHeap(map, 16, 4, {});
    putU32(map.bytesAt(root).data(), tree);
    map.setUserRoot(root);
    putNode(layout::kEmptyInternalMap, 0, ndb::NodeContent{.blocks = map.takeBlocks(), .subnodes = {}});
    putNode(layout::kHierarchyTableTemplate, 0, emptyTable(layout::hierarchyColumns()));
    putNode(layout::kContentsTableTemplate, 0, emptyTable(layout::contentsColumns()));
    putNode(layout::kAssocContentsTableTemplate, 0, emptyTable(layout::assocContentsColumns()));
    putNode(layout::kSearchContentsTableTemplate, 0, emptyTable(layout::searchContentsColumns()));
    putNode(layout::kAttachmentTableTemplate, 0, emptyTable(layout::attachmentColumns()));
    putNode(layout::kRecipientTableTemplate, 0, emptyTable(layout::recipientColumns()));
    putNode(layout::kChangeHistoryTableTemplate, 0, emptyTable(layout::changeHistoryColumns()));
    // Mail of any class is received in the root folder: one row for the empty class.
    ltp::TableContextBuilder receive(layout::receiveFolderColumns());
    receive.setRow(1, {{tags::PidTagMessageClass, PropValue::unicode("")},
                       {tags::PidTagReceiveFolderNid, PropValue::int32(std::int32_t(root_->nid()))}});
    putNode(layout::kReceiveFolderTable, 0, receive.build());
    putNode(layout::kOutgoingQueueTable, 0, emptyTable(layout::outgoingQueueColumns()));
    putNode(layout::kConflictTableTemplate, 0, emptyTable(layout::conflictColumns()));
    putNode(layout::kSyncTableTemplate, 0, emptyTable(layout::syncColumns()));

    // The spam search folder: a search folder with its update queue, criteria and
    // (empty) search contents table.
    putNode(spamSearch_->nid(), root_->nid(), spamSearch_->buildProperties());
    putNode(layout::kSpamSearchUpdateQueue, 0, none);
    ltp::PropertyContextBuilder criteria;
    criteria.set(makeTag(0x660B, ltp::PT_LONG), PropValue::int32(0));
    putNode(layout::kSpamSearchCriteria, 0, criteria.build());
    putNode(layout::kSpamSearchContents, 0, emptyTable(layout::searchContentsColumns()));
}

void MessageStore::putFolder(const Folder& folder) {
    if (&folder == spamSearch_) return;
    const ndb::Nid parent = folder.parent() ? folder.parent()->nid() : folder.nid();
    putNode(folder.nid(), parent, &folder == root_ ? buildRootProperties() : folder.buildProperties());
    putNode(layout::hierarchyTableOf(folder.nid()), 0, folder.buildHierarchyTable());
    putNode(layout::contentsTableOf(folder.nid()), 0, folder.buildContentsTable());
    putNode(layout::assocContentsTableOf(folder.nid()), 0, folder.buildAssocContentsTable());
}

void MessageStore::flush() {
    putNode(layout::kMessageStore, 0, buildStoreProperties());
    putNode(layout::kNameToIdMap, 0, names_.build());
    putFixedNodes();
    for (const Folder& folder : folders_) putFolder(folder);
    try {
        nodes_->commit();
    } catch (const std::exception& e) {
        throw StoreError(text::arg(text::translate("brenmoor::pst", "The store \"%1\" cannot be completed: %2"),
                                   {path_, e.what()}));
    }
}

} // namespace brenmoor::pst::messaging
