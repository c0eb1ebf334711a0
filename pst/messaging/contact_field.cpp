// The property behind each contact field.
#include "pst/messaging/contact_field.h"

namespace brenmoor::pst::messaging {

FieldStorage storageOf(ContactField field) {
    auto tag = [](std::uint16_t id, ltp::PropType type = ltp::PT_UNICODE) {
        return FieldStorage{false, id, type};
    };
    auto named = [](std::uint32_t lid) { return FieldStorage{true, lid, ltp::PT_UNICODE}; };
    switch (field) {
    case ContactField::GivenName: return tag(0x3A06);
    case ContactField::MiddleName: return tag(0x3A44);
    case ContactField::Surname: return tag(0x3A11);
    case ContactField::DisplayNamePrefix: return tag(0x3A45);
    case ContactField::Generation: return tag(0x3A05);
    case ContactField::Email1Address: return named(lid::emailAddress(0));
    case ContactField::Email2Address: return named(lid::emailAddress(1));
    case ContactField::Email3Address: return named(lid::emailAddress(2));
    case ContactField::Email1DisplayName: return named(lid::kEmail1DisplayName);
    case ContactField::CompanyName: return tag(0x3A16);
    case ContactField::JobTitle: return tag(0x3A17);
    case ContactField::Department: return tag(0x3A18);
    case ContactField::OfficeLocation: return tag(0x3A19);
    case ContactField::ManagerName: return tag(0x3A4E);
    case ContactField::Assistant: return tag(0x3A30);
    case ContactField::WorkAddressStreet: return named(0x8045);
    case ContactField::WorkAddressCity: return named(0x8046);
    case ContactField::WorkAddressState: return named(0x8047);
    case ContactField::WorkAddressPostalCode: return named(0x8048);
    case ContactField::WorkAddressCountry: return named(0x8049);
    case ContactField::WorkAddress: return named(lid::kWorkAddress);
    case ContactField::BusinessPhone: return tag(0x3A08);
    case ContactField::BusinessFax: return tag(0x3A24);
    case ContactField::MobilePhone: return tag(0x3A1C);
    case ContactField::Pager: return tag(0x3A21);
    case ContactField::OtherPhone: return tag(0x3A1F);
    case ContactField::BusinessHomePage: return tag(0x3A51);
    case ContactField::HomeAddressStreet: return tag(0x3A5D);
    case ContactField::HomeAddressCity: return tag(0x3A59);
    case ContactField::HomeAddressState: return tag(0x3A5C);
    case ContactField::HomeAddressPostalCode: return tag(0x3A5B);
    case ContactField::HomeAddressCountry: return tag(0x3A5A);
    case ContactField::HomePhone: return tag(0x3A09);
    case ContactField::HomeFax: return tag(0x3A25);
    case ContactField::Spouse: return tag(0x3A48);
    case ContactField::Children: return tag(0x3A58, ltp::PT_MV_UNICODE);
    case ContactField::FullName: return tag(0x3001);
    case ContactField::Nickname: return tag(0x3A4F);
    case ContactField::PersonalHomePage: return tag(0x3A50);
    }
    return {};
}

std::vector<PropertyName> contactPropertyNames() {
    std::vector<PropertyName> names;
    auto address = [&](std::uint32_t l) { names.push_back(PropertyName{kPsetidAddress, l}); };
    auto common = [&](std::uint32_t l) { names.push_back(PropertyName{kPsetidCommon, l}); };
    names.push_back(PropertyName{kPsPublicStrings, std::string("Keywords")});
    for (std::uint32_t l : {lid::kFileUnder, lid::kFileUnderId, lid::kReferredBy, lid::kDepartment, lid::kHomeAddress,
                            lid::kWorkAddress, lid::kPostalAddressId, lid::kContactCharacterSet, lid::kAutoLog,
                            lid::kFileUnderList, lid::kEmailDisplayNameList, lid::kAddressBookProviderEmailList,
                            lid::kAddressBookProviderArrayType, std::uint32_t(0x8045), std::uint32_t(0x8046),
                            std::uint32_t(0x8047), std::uint32_t(0x8048), std::uint32_t(0x8049),
                            lid::kInstantMessagingAddress})
        address(l);
    for (int slot = 0; slot < 3; ++slot)
        for (std::uint32_t l : {lid::emailDisplayName(slot), lid::emailAddressType(slot), lid::emailAddress(slot),
                                lid::emailOriginalDisplayName(slot), lid::emailOriginalEntryId(slot)})
            address(l);
    for (int fax = 0; fax < 3; ++fax)
        for (std::uint32_t l : {lid::faxAddressType(fax), lid::faxAddress(fax), lid::faxOriginalDisplayName(fax),
                                lid::faxOriginalEntryId(fax)})
            address(l);
    address(lid::kBirthdayLocal);
    address(lid::kWeddingAnniversaryLocal);
    // Some readers (pst-extractor) skip the map's last entry: it names a property that no
    // reader shows.
    for (std::uint32_t l : {common::kReminderDelta, common::kReminderSet, common::kPrivate, common::kAgingDontAgeMe,
                            common::kSideEffects, common::kReferenceEntryId, common::kCurrentVersion,
                            common::kCurrentVersionName})
        common(l);
    return names;
}

} // namespace brenmoor::pst::messaging
