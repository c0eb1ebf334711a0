// The properties the store, its folders and contact items carry, each named once with
// its name in [MS-OXPROPS]: a tag (ID and type) for a tagged property, the property
// set, LID and type for a named one. The rest of the messaging layer names properties
// only through these.
#pragma once

#include <cstdint>

#include "pst/ltp/property_value.h"
#include "pst/ltp/table_row_layout.h"
#include "pst/messaging/named_property_map.h"

namespace brenmoor::pst::messaging {

// {00062008-0000-0000-C000-000000000046}: properties common to all items.
inline constexpr Guid kPsetidCommon{0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// A named property with a numeric name: its property set, LID and type.
struct NamedTag {
    Guid set;
    std::uint32_t lid = 0;
    ltp::PropType type = ltp::PT_UNICODE;
};

namespace tags {

using ltp::makeTag;
using ltp::PropTag;
using enum ltp::PropType;

// Tagged properties of messages.
inline constexpr PropTag PidTagAlternateRecipientAllowed = makeTag(0x0002, PT_BOOLEAN);
inline constexpr PropTag PidTagImportance = makeTag(0x0017, PT_LONG);
inline constexpr PropTag PidTagMessageClass = makeTag(0x001A, PT_UNICODE);
inline constexpr PropTag PidTagOriginatorDeliveryReportRequested = makeTag(0x0023, PT_BOOLEAN);
inline constexpr PropTag PidTagPriority = makeTag(0x0026, PT_LONG);
inline constexpr PropTag PidTagReadReceiptRequested = makeTag(0x0029, PT_BOOLEAN);
inline constexpr PropTag PidTagSensitivity = makeTag(0x0036, PT_LONG);
inline constexpr PropTag PidTagSubject = makeTag(0x0037, PT_UNICODE);
inline constexpr PropTag PidTagClientSubmitTime = makeTag(0x0039, PT_SYSTIME);
inline constexpr PropTag PidTagConversationTopic = makeTag(0x0070, PT_UNICODE);
inline constexpr PropTag PidTagConversationIndex = makeTag(0x0071, PT_BINARY);
inline constexpr PropTag PidTagDeleteAfterSubmit = makeTag(0x0E01, PT_BOOLEAN);
inline constexpr PropTag PidTagMessageDeliveryTime = makeTag(0x0E06, PT_SYSTIME);
inline constexpr PropTag PidTagMessageFlags = makeTag(0x0E07, PT_LONG);
inline constexpr PropTag PidTagMessageSize = makeTag(0x0E08, PT_LONG);
inline constexpr PropTag PidTagHasAttachments = makeTag(0x0E1B, PT_BOOLEAN);
inline constexpr PropTag PidTagBody = makeTag(0x1000, PT_UNICODE);
inline constexpr PropTag PidTagIconIndex = makeTag(0x1080, PT_LONG);
inline constexpr PropTag PidTagDisplayName = makeTag(0x3001, PT_UNICODE);
inline constexpr PropTag PidTagCreationTime = makeTag(0x3007, PT_SYSTIME);
inline constexpr PropTag PidTagLastModificationTime = makeTag(0x3008, PT_SYSTIME);
inline constexpr PropTag PidTagSearchKey = makeTag(0x300B, PT_BINARY);
inline constexpr PropTag PidTagSendInternetEncoding = makeTag(0x3A71, PT_LONG);
inline constexpr PropTag PidTagMessageLocaleId = makeTag(0x3FF1, PT_LONG);

// Tagged properties of contacts.
inline constexpr PropTag PidTagAccount = makeTag(0x3A00, PT_UNICODE);
inline constexpr PropTag PidTagGeneration = makeTag(0x3A05, PT_UNICODE);
inline constexpr PropTag PidTagGivenName = makeTag(0x3A06, PT_UNICODE);
inline constexpr PropTag PidTagBusinessTelephoneNumber = makeTag(0x3A08, PT_UNICODE);
inline constexpr PropTag PidTagHomeTelephoneNumber = makeTag(0x3A09, PT_UNICODE);
inline constexpr PropTag PidTagInitials = makeTag(0x3A0A, PT_UNICODE);
inline constexpr PropTag PidTagCallbackTelephoneNumber = makeTag(0x3A0B, PT_UNICODE);
inline constexpr PropTag PidTagLanguage = makeTag(0x3A0C, PT_UNICODE);
inline constexpr PropTag PidTagLocation = makeTag(0x3A0D, PT_UNICODE);
inline constexpr PropTag PidTagSurname = makeTag(0x3A11, PT_UNICODE);
inline constexpr PropTag PidTagPostalAddress = makeTag(0x3A15, PT_UNICODE);
inline constexpr PropTag PidTagCompanyName = makeTag(0x3A16, PT_UNICODE);
inline constexpr PropTag PidTagTitle = makeTag(0x3A17, PT_UNICODE);
inline constexpr PropTag PidTagDepartmentName = makeTag(0x3A18, PT_UNICODE);
inline constexpr PropTag PidTagOfficeLocation = makeTag(0x3A19, PT_UNICODE);
inline constexpr PropTag PidTagMobileTelephoneNumber = makeTag(0x3A1C, PT_UNICODE);
inline constexpr PropTag PidTagPrimaryTelephoneNumber = makeTag(0x3A1A, PT_UNICODE);
inline constexpr PropTag PidTagBusiness2TelephoneNumber = makeTag(0x3A1B, PT_UNICODE);
inline constexpr PropTag PidTagCarTelephoneNumber = makeTag(0x3A1E, PT_UNICODE);
inline constexpr PropTag PidTagOtherTelephoneNumber = makeTag(0x3A1F, PT_UNICODE);
inline constexpr PropTag PidTagPagerTelephoneNumber = makeTag(0x3A21, PT_UNICODE);
inline constexpr PropTag PidTagPrimaryFaxNumber = makeTag(0x3A23, PT_UNICODE);
inline constexpr PropTag PidTagBusinessFaxNumber = makeTag(0x3A24, PT_UNICODE);
inline constexpr PropTag PidTagHomeFaxNumber = makeTag(0x3A25, PT_UNICODE);
inline constexpr PropTag PidTagCountry = makeTag(0x3A26, PT_UNICODE);
inline constexpr PropTag PidTagLocality = makeTag(0x3A27, PT_UNICODE);
inline constexpr PropTag PidTagStateOrProvince = makeTag(0x3A28, PT_UNICODE);
inline constexpr PropTag PidTagStreetAddress = makeTag(0x3A29, PT_UNICODE);
inline constexpr PropTag PidTagPostalCode = makeTag(0x3A2A, PT_UNICODE);
inline constexpr PropTag PidTagAssistantTelephoneNumber = makeTag(0x3A2E, PT_UNICODE);
inline constexpr PropTag PidTagHome2TelephoneNumber = makeTag(0x3A2F, PT_UNICODE);
inline constexpr PropTag PidTagAssistant = makeTag(0x3A30, PT_UNICODE);
inline constexpr PropTag PidTagWeddingAnniversary = makeTag(0x3A41, PT_SYSTIME);
inline constexpr PropTag PidTagBirthday = makeTag(0x3A42, PT_SYSTIME);
inline constexpr PropTag PidTagMiddleName = makeTag(0x3A44, PT_UNICODE);
inline constexpr PropTag PidTagDisplayNamePrefix = makeTag(0x3A45, PT_UNICODE);
inline constexpr PropTag PidTagSpouseName = makeTag(0x3A48, PT_UNICODE);
inline constexpr PropTag PidTagManagerName = makeTag(0x3A4E, PT_UNICODE);
inline constexpr PropTag PidTagNickname = makeTag(0x3A4F, PT_UNICODE);
inline constexpr PropTag PidTagPersonalHomePage = makeTag(0x3A50, PT_UNICODE);
inline constexpr PropTag PidTagBusinessHomePage = makeTag(0x3A51, PT_UNICODE);
inline constexpr PropTag PidTagChildrensNames = makeTag(0x3A58, PT_MV_UNICODE);
inline constexpr PropTag PidTagHomeAddressCity = makeTag(0x3A59, PT_UNICODE);
inline constexpr PropTag PidTagHomeAddressCountry = makeTag(0x3A5A, PT_UNICODE);
inline constexpr PropTag PidTagHomeAddressPostalCode = makeTag(0x3A5B, PT_UNICODE);
inline constexpr PropTag PidTagHomeAddressStateOrProvince = makeTag(0x3A5C, PT_UNICODE);
inline constexpr PropTag PidTagHomeAddressStreet = makeTag(0x3A5D, PT_UNICODE);

// Tagged properties of attachments.
inline constexpr PropTag PidTagAttachSize = makeTag(0x0E20, PT_LONG);
inline constexpr PropTag PidTagAttachDataBinary = makeTag(0x3701, PT_BINARY);
inline constexpr PropTag PidTagAttachExtension = makeTag(0x3703, PT_UNICODE);
inline constexpr PropTag PidTagAttachFilename = makeTag(0x3704, PT_UNICODE);
inline constexpr PropTag PidTagAttachMethod = makeTag(0x3705, PT_LONG);
inline constexpr PropTag PidTagAttachLongFilename = makeTag(0x3707, PT_UNICODE);
inline constexpr PropTag PidTagRenderingPosition = makeTag(0x370B, PT_LONG);
inline constexpr PropTag PidTagAttachMimeTag = makeTag(0x370E, PT_UNICODE);
inline constexpr PropTag PidTagAttachmentContactPhoto = makeTag(0x7FFF, PT_BOOLEAN);

// Tagged properties of folders and of table rows.
inline constexpr PropTag PidTagContentCount = makeTag(0x3602, PT_LONG);
inline constexpr PropTag PidTagContentUnreadCount = makeTag(0x3603, PT_LONG);
inline constexpr PropTag PidTagSubfolders = makeTag(0x360A, PT_BOOLEAN);
inline constexpr PropTag PidTagContainerClass = makeTag(0x3613, PT_UNICODE);
inline constexpr PropTag PidTagPstHiddenCount = makeTag(0x6635, PT_LONG);
inline constexpr PropTag PidTagPstHiddenUnread = makeTag(0x6636, PT_LONG);
inline constexpr PropTag PidTagLtpRowId = ltp::kLtpRowId;
inline constexpr PropTag PidTagLtpRowVer = ltp::kLtpRowVer;

// Tagged properties of the message store.
inline constexpr PropTag PidTagRecordKey = makeTag(0x0FF9, PT_BINARY);
inline constexpr PropTag PidTagValidFolderMask = makeTag(0x35DF, PT_LONG);
inline constexpr PropTag PidTagIpmSubtreeEntryId = makeTag(0x35E0, PT_BINARY);
inline constexpr PropTag PidTagIpmWastebasketEntryId = makeTag(0x35E3, PT_BINARY);
inline constexpr PropTag PidTagFinderEntryId = makeTag(0x35E7, PT_BINARY);
inline constexpr PropTag PidTagIpmContactEntryId = makeTag(0x36D1, PT_BINARY);
inline constexpr PropTag PidTagPstLrNoRestrictions = makeTag(0x6633, PT_BOOLEAN);
inline constexpr PropTag PidTagPstPassword = makeTag(0x67FF, PT_LONG);
inline constexpr PropTag PidTagLatestPstEnsure = makeTag(0x66FA, PT_LONG);
inline constexpr PropTag PidTagReceiveFolderNid = makeTag(0x6605, PT_LONG); // receive folder table

// Named properties of contacts (PSETID_Address).
inline constexpr NamedTag PidLidFileUnder{kPsetidAddress, 0x8005, PT_UNICODE};
inline constexpr NamedTag PidLidFileUnderId{kPsetidAddress, 0x8006, PT_LONG};
inline constexpr NamedTag PidLidHasPicture{kPsetidAddress, 0x8015, PT_BOOLEAN};
inline constexpr NamedTag PidLidReferredBy{kPsetidAddress, 0x800E, PT_UNICODE};
inline constexpr NamedTag PidLidDepartment{kPsetidAddress, 0x8010, PT_UNICODE};
inline constexpr NamedTag PidLidHomeAddress{kPsetidAddress, 0x801A, PT_UNICODE};
inline constexpr NamedTag PidLidWorkAddress{kPsetidAddress, 0x801B, PT_UNICODE};
inline constexpr NamedTag PidLidPostalAddressId{kPsetidAddress, 0x8022, PT_LONG}; // 1 home, 2 work
inline constexpr NamedTag PidLidContactCharacterSet{kPsetidAddress, 0x8023, PT_LONG};
inline constexpr NamedTag PidLidAutoLog{kPsetidAddress, 0x8025, PT_BOOLEAN};
inline constexpr NamedTag PidLidFileUnderList{kPsetidAddress, 0x8026, PT_MV_LONG};
// Not in [MS-OXPROPS]: Outlook writes it on every contact, the LIDs of the three
// e-mail display names.
inline constexpr NamedTag kEmailDisplayNameList{kPsetidAddress, 0x8027, PT_MV_LONG};
inline constexpr NamedTag PidLidAddressBookProviderEmailList{kPsetidAddress, 0x8028, PT_MV_LONG};
inline constexpr NamedTag PidLidAddressBookProviderArrayType{kPsetidAddress, 0x8029, PT_LONG};
inline constexpr NamedTag PidLidHtml{kPsetidAddress, 0x802B, PT_UNICODE}; // the business web page
inline constexpr NamedTag PidLidWorkAddressStreet{kPsetidAddress, 0x8045, PT_UNICODE};
inline constexpr NamedTag PidLidWorkAddressCity{kPsetidAddress, 0x8046, PT_UNICODE};
inline constexpr NamedTag PidLidWorkAddressState{kPsetidAddress, 0x8047, PT_UNICODE};
inline constexpr NamedTag PidLidWorkAddressPostalCode{kPsetidAddress, 0x8048, PT_UNICODE};
inline constexpr NamedTag PidLidWorkAddressCountry{kPsetidAddress, 0x8049, PT_UNICODE};
inline constexpr NamedTag PidLidDistributionListChecksum{kPsetidAddress, 0x804C, PT_LONG};
inline constexpr NamedTag PidLidDistributionListName{kPsetidAddress, 0x8053, PT_UNICODE};
inline constexpr NamedTag PidLidDistributionListOneOffMembers{kPsetidAddress, 0x8054, PT_MV_BINARY};
inline constexpr NamedTag PidLidDistributionListMembers{kPsetidAddress, 0x8055, PT_MV_BINARY};
inline constexpr NamedTag PidLidDistributionListStream{kPsetidAddress, 0x8064, PT_BINARY};
inline constexpr NamedTag PidLidInstantMessagingAddress{kPsetidAddress, 0x8062, PT_UNICODE};
inline constexpr NamedTag PidLidYomiFirstName{kPsetidAddress, 0x802C, PT_UNICODE};
inline constexpr NamedTag PidLidYomiLastName{kPsetidAddress, 0x802D, PT_UNICODE};
inline constexpr NamedTag PidLidBirthdayLocal{kPsetidAddress, 0x80DE, PT_SYSTIME};
inline constexpr NamedTag PidLidWeddingAnniversaryLocal{kPsetidAddress, 0x80DF, PT_SYSTIME};

// The e-mail addresses: display name, address type, address, original display name and
// original entry ID of e-mail 1, 2 and 3.
inline constexpr NamedTag PidLidEmail1DisplayName{kPsetidAddress, 0x8080, PT_UNICODE};
inline constexpr NamedTag PidLidEmail1AddressType{kPsetidAddress, 0x8082, PT_UNICODE};
inline constexpr NamedTag PidLidEmail1EmailAddress{kPsetidAddress, 0x8083, PT_UNICODE};
inline constexpr NamedTag PidLidEmail1OriginalDisplayName{kPsetidAddress, 0x8084, PT_UNICODE};
inline constexpr NamedTag PidLidEmail1OriginalEntryId{kPsetidAddress, 0x8085, PT_BINARY};
inline constexpr NamedTag PidLidEmail2DisplayName{kPsetidAddress, 0x8090, PT_UNICODE};
inline constexpr NamedTag PidLidEmail2AddressType{kPsetidAddress, 0x8092, PT_UNICODE};
inline constexpr NamedTag PidLidEmail2EmailAddress{kPsetidAddress, 0x8093, PT_UNICODE};
inline constexpr NamedTag PidLidEmail2OriginalDisplayName{kPsetidAddress, 0x8094, PT_UNICODE};
inline constexpr NamedTag PidLidEmail2OriginalEntryId{kPsetidAddress, 0x8095, PT_BINARY};
inline constexpr NamedTag PidLidEmail3DisplayName{kPsetidAddress, 0x80A0, PT_UNICODE};
inline constexpr NamedTag PidLidEmail3AddressType{kPsetidAddress, 0x80A2, PT_UNICODE};
inline constexpr NamedTag PidLidEmail3EmailAddress{kPsetidAddress, 0x80A3, PT_UNICODE};
inline constexpr NamedTag PidLidEmail3OriginalDisplayName{kPsetidAddress, 0x80A4, PT_UNICODE};
inline constexpr NamedTag PidLidEmail3OriginalEntryId{kPsetidAddress, 0x80A5, PT_BINARY};

// The fax entries: address type, address, original display name and original entry ID
// of fax 1 (business), 2 (home) and 3 (primary).
inline constexpr NamedTag PidLidFax1AddressType{kPsetidAddress, 0x80B2, PT_UNICODE};
inline constexpr NamedTag PidLidFax1EmailAddress{kPsetidAddress, 0x80B3, PT_UNICODE};
inline constexpr NamedTag PidLidFax1OriginalDisplayName{kPsetidAddress, 0x80B4, PT_UNICODE};
inline constexpr NamedTag PidLidFax1OriginalEntryId{kPsetidAddress, 0x80B5, PT_BINARY};
inline constexpr NamedTag PidLidFax2AddressType{kPsetidAddress, 0x80C2, PT_UNICODE};
inline constexpr NamedTag PidLidFax2EmailAddress{kPsetidAddress, 0x80C3, PT_UNICODE};
inline constexpr NamedTag PidLidFax2OriginalDisplayName{kPsetidAddress, 0x80C4, PT_UNICODE};
inline constexpr NamedTag PidLidFax2OriginalEntryId{kPsetidAddress, 0x80C5, PT_BINARY};
inline constexpr NamedTag PidLidFax3AddressType{kPsetidAddress, 0x80D2, PT_UNICODE};
inline constexpr NamedTag PidLidFax3EmailAddress{kPsetidAddress, 0x80D3, PT_UNICODE};
inline constexpr NamedTag PidLidFax3OriginalDisplayName{kPsetidAddress, 0x80D4, PT_UNICODE};
inline constexpr NamedTag PidLidFax3OriginalEntryId{kPsetidAddress, 0x80D5, PT_BINARY};

// Named properties common to all items (PSETID_Common).
inline constexpr NamedTag PidLidReminderDelta{kPsetidCommon, 0x8501, PT_LONG};
inline constexpr NamedTag PidLidReminderSet{kPsetidCommon, 0x8503, PT_BOOLEAN};
inline constexpr NamedTag PidLidPrivate{kPsetidCommon, 0x8506, PT_BOOLEAN};
inline constexpr NamedTag PidLidAgingDontAgeMe{kPsetidCommon, 0x850E, PT_BOOLEAN};
inline constexpr NamedTag PidLidSideEffects{kPsetidCommon, 0x8510, PT_LONG};
inline constexpr NamedTag PidLidCurrentVersion{kPsetidCommon, 0x8552, PT_LONG};
inline constexpr NamedTag PidLidCurrentVersionName{kPsetidCommon, 0x8554, PT_UNICODE};
inline constexpr NamedTag PidLidReferenceEntryId{kPsetidCommon, 0x85BD, PT_BINARY};

// Named by string in PS_PUBLIC_STRINGS: the categories.
inline constexpr const char* PidNameKeywords = "Keywords";

// The same kinds of entry by slot, in the address book provider's numbering.
struct EmailSlot {
    NamedTag displayName, addressType, address, originalDisplayName, originalEntryId;
};
inline constexpr EmailSlot kEmailSlots[] = {
    {PidLidEmail1DisplayName, PidLidEmail1AddressType, PidLidEmail1EmailAddress, PidLidEmail1OriginalDisplayName,
     PidLidEmail1OriginalEntryId},
    {PidLidEmail2DisplayName, PidLidEmail2AddressType, PidLidEmail2EmailAddress, PidLidEmail2OriginalDisplayName,
     PidLidEmail2OriginalEntryId},
    {PidLidEmail3DisplayName, PidLidEmail3AddressType, PidLidEmail3EmailAddress, PidLidEmail3OriginalDisplayName,
     PidLidEmail3OriginalEntryId},
};
struct FaxSlot {
    NamedTag addressType, address, originalDisplayName, originalEntryId;
};
inline constexpr FaxSlot kFaxSlots[] = {
    {PidLidFax1AddressType, PidLidFax1EmailAddress, PidLidFax1OriginalDisplayName, PidLidFax1OriginalEntryId},
    {PidLidFax2AddressType, PidLidFax2EmailAddress, PidLidFax2OriginalDisplayName, PidLidFax2OriginalEntryId},
    {PidLidFax3AddressType, PidLidFax3EmailAddress, PidLidFax3OriginalDisplayName, PidLidFax3OriginalEntryId},
};

} // namespace tags

} // namespace brenmoor::pst::messaging
