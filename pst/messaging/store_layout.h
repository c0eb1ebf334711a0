// The fixed layout of a new store: the NIDs of its special nodes and folders, and
// the columns of the template tables that every folder's hierarchy, contents and
// associated contents tables copy.
#pragma once

#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging::layout {

using ndb::Nid;

inline constexpr Nid kMessageStore = 0x21;
inline constexpr Nid kNameToIdMap = 0x61;
inline constexpr Nid kRootFolder = 0x122;
inline constexpr Nid kSearchManagementQueue = 0x1E1;
inline constexpr Nid kSearchActivityList = 0x201;
inline constexpr Nid kSearchDomainObject = 0x261;
inline constexpr Nid kSearchGathererQueue = 0x281;
inline constexpr Nid kSearchGathererDescriptor = 0x2A1;
inline constexpr Nid kSearchGathererFolderQueue = 0x321;
inline constexpr Nid kHierarchyTableTemplate = 0x60D;
inline constexpr Nid kContentsTableTemplate = 0x60E;
inline constexpr Nid kAssocContentsTableTemplate = 0x60F;
inline constexpr Nid kSearchContentsTableTemplate = 0x610;
inline constexpr Nid kAttachmentTableTemplate = 0x671;
inline constexpr Nid kRecipientTableTemplate = 0x692;
inline constexpr Nid kChangeHistoryTableTemplate = 0x6B6;
inline constexpr Nid kReceiveFolderTable = 0x62B;
inline constexpr Nid kOutgoingQueueTable = 0x64C;
inline constexpr Nid kConflictTableTemplate = 0x6D7;
inline constexpr Nid kSyncTableTemplate = 0x6F8;
inline constexpr Nid kSearchQueueReserved = 0xE41;
// An internal heap Outlook writes in every new store: an empty BTree-on-heap of 16-byte
// keys and 4-byte entries behind a root that points at its header.
inline constexpr Nid kEmptyInternalMap = 0xC01;

// The spam search folder Outlook expects beside the root's other children.
inline constexpr Nid kSpamSearchFolder = 0x2223;
inline constexpr Nid kSpamSearchUpdateQueue = 0x2226;
inline constexpr Nid kSpamSearchCriteria = 0x2227;
inline constexpr Nid kSpamSearchContents = 0x2230;

inline constexpr Nid kIpmSubtree = 0x8022;    // "Top of Personal Folders"
inline constexpr Nid kSearchRoot = 0x8042;    // the finder
inline constexpr Nid kDeletedItems = 0x8062;  // the wastebasket
inline constexpr std::uint32_t kFirstUserFolderIndex = 0x404; // NID 0x8082
inline constexpr std::uint32_t kFirstMessageIndex = 0x10001;  // NID 0x200024

// A folder's three tables share its NID index.
constexpr Nid hierarchyTableOf(Nid folder) { return ndb::makeNid(ndb::NID_TYPE_HIERARCHY_TABLE, ndb::nidIndex(folder)); }
constexpr Nid contentsTableOf(Nid folder) { return ndb::makeNid(ndb::NID_TYPE_CONTENTS_TABLE, ndb::nidIndex(folder)); }
constexpr Nid assocContentsTableOf(Nid folder) { return ndb::makeNid(ndb::NID_TYPE_ASSOC_CONTENTS_TABLE, ndb::nidIndex(folder)); }

// Template columns, as Outlook lays out a new store.
const std::vector<ltp::PropTag>& hierarchyColumns();
const std::vector<ltp::PropTag>& contentsColumns();
const std::vector<ltp::PropTag>& assocContentsColumns();
const std::vector<ltp::PropTag>& searchContentsColumns();
const std::vector<ltp::PropTag>& attachmentColumns();
const std::vector<ltp::PropTag>& recipientColumns();
const std::vector<ltp::PropTag>& changeHistoryColumns();
const std::vector<ltp::PropTag>& receiveFolderColumns();
const std::vector<ltp::PropTag>& outgoingQueueColumns();
const std::vector<ltp::PropTag>& conflictColumns();
const std::vector<ltp::PropTag>& syncColumns();

} // namespace brenmoor::pst::messaging::layout
