// Folders: subfolders, default-folder roles, items and the folder's tables.
#include "pst/messaging/folder.h"

#include <algorithm>

#include "pst/ltp/property_context.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/property_tags.h"
#include "pst/messaging/store_error.h"
#include "pst/messaging/store_layout.h"
#include "text/text_bytes.h"
#include "text/translation.h"

namespace brenmoor::pst::messaging {

namespace {

using ltp::PropValue;

using text::equalsIgnoringCase;

bool isUserFolder(ndb::Nid nid) {
    return ndb::nidIndex(nid) >= layout::kFirstUserFolderIndex;
}

} // namespace

Folder::Folder(MessageStore& store, ndb::Nid nid, Folder* parent, std::string name)
    : store_(&store), nid_(nid), parent_(parent), name_(std::move(name)) {}

Folder* Folder::subfolder(std::string_view name) const {
    for (Folder* f : subfolders_)
        if (equalsIgnoringCase(f->name(), name)) return f;
    return nullptr;
}

Folder& Folder::addSubfolder(const std::string& name) {
    if (name.empty()) throw StoreError("A folder needs a name.");
    if (subfolder(name))
        throw StoreError("The folder \"" + name_ + "\" already has a subfolder \"" + name + "\".");
    Folder& child = store_->newFolder(*this, name);
    subfolders_.push_back(&child);
    return child;
}

void Folder::SetAsDefaultFolder(int kind) {
    if (kind == kContactsFolder && containerClass_.empty()) containerClass_ = "IPF.Contact";
    store_->setDefaultFolder(kind, *this);
}

ContactItem Folder::ItemCollection::Add(std::string_view messageClass, std::string_view identity) {
    return Add(messageClass, reserve(identity));
}

ItemIdentity Folder::ItemCollection::reserve(std::string_view identity) {
    return folder_->store().newItemIdentity(identity);
}

ContactItem Folder::ItemCollection::Add(std::string_view messageClass, const ItemIdentity& reserved) {
    if (messageClass != "IPM.Contact" && messageClass.rfind("IPM.Contact.", 0) != 0 && messageClass != "IPM.DistList")
        throw StoreError("This store holds contacts and distribution lists only, not \"" + std::string(messageClass) +
                         "\".");
    return ContactItem(*folder_, reserved.nid, std::string(messageClass), reserved.searchKey);
}

std::int64_t Folder::ItemCollection::count() const { return folder_->itemCount(); }

void Folder::recordItem(ndb::Nid item, std::map<ltp::PropTag, ltp::PropValue> values, bool isNew) {
    if (!contents_)
        contents_ = std::make_unique<ltp::StreamedTableContext>(layout::contentsColumns(), store_->nodeDatabase());
    values[tags::PidTagLtpRowId] = PropValue::int32(static_cast<std::int32_t>(item));
    values[tags::PidTagLtpRowVer] = PropValue::int32(static_cast<std::int32_t>(++rowVersion_));
    try {
        if (isNew) contents_->appendRow(item, values);
        else contents_->setRow(item, values);
    } catch (const FormatLimitError&) {
        throw FolderFullError(text::arg(
            text::translate("brenmoor::pst", "The folder \"%1\" is full: its contents table holds no more items."),
            {name_}));
    }
    if (isNew) ++itemCount_;
}

std::map<ltp::PropTag, ltp::PropValue> Folder::hierarchyRow() const {
    std::map<ltp::PropTag, ltp::PropValue> row;
    row[tags::PidTagDisplayName] = PropValue::unicode(name_);
    row[tags::PidTagContentCount] = PropValue::int32(static_cast<std::int32_t>(itemCount_));
    row[tags::PidTagContentUnreadCount] = PropValue::int32(0);
    row[tags::PidTagSubfolders] = PropValue::boolean(!subfolders_.empty());
    if (!containerClass_.empty()) row[tags::PidTagContainerClass] = PropValue::unicode(containerClass_);
    if (isUserFolder(nid_)) {
        row[tags::PidTagPstHiddenCount] = PropValue::int32(0);
        row[tags::PidTagPstHiddenUnread] = PropValue::int32(0);
    }
    row[tags::PidTagLtpRowId] = PropValue::int32(static_cast<std::int32_t>(nid_));
    row[tags::PidTagLtpRowVer] = PropValue::int32(1);
    return row;
}

ndb::NodeContent Folder::buildProperties() const {
    ltp::PropertyContextBuilder pc;
    for (auto& [tag, value] : hierarchyRow())
        if (ltp::tagId(tag) < 0x67F0) pc.set(tag, value);
    return pc.build();
}

ndb::NodeContent Folder::buildHierarchyTable() const {
    ltp::TableContextBuilder table(layout::hierarchyColumns());
    for (const Folder* child : subfolders_) table.setRow(child->nid(), child->hierarchyRow());
    return table.build();
}

ndb::NodeContent Folder::buildContentsTable() const {
    if (contents_) return contents_->build();
    return ltp::TableContextBuilder(layout::contentsColumns()).build();
}

ndb::NodeContent Folder::buildAssocContentsTable() const {
    return ltp::TableContextBuilder(layout::assocContentsColumns()).build();
}

} // namespace brenmoor::pst::messaging
