// The property behind each contact field, and the named properties contact items use.
#include "pst/messaging/contact_field.h"

namespace brenmoor::pst::messaging {

FieldStorage storageOf(ContactField field) {
    using namespace tags;
    switch (field) {
    case ContactField::GivenName: return PidTagGivenName;
    case ContactField::MiddleName: return PidTagMiddleName;
    case ContactField::Surname: return PidTagSurname;
    case ContactField::DisplayNamePrefix: return PidTagDisplayNamePrefix;
    case ContactField::Generation: return PidTagGeneration;
    case ContactField::Email1Address: return PidLidEmail1EmailAddress;
    case ContactField::Email2Address: return PidLidEmail2EmailAddress;
    case ContactField::Email3Address: return PidLidEmail3EmailAddress;
    case ContactField::Email1DisplayName: return PidLidEmail1DisplayName;
    case ContactField::CompanyName: return PidTagCompanyName;
    case ContactField::JobTitle: return PidTagTitle;
    case ContactField::Department: return PidTagDepartmentName;
    case ContactField::OfficeLocation: return PidTagOfficeLocation;
    case ContactField::ManagerName: return PidTagManagerName;
    case ContactField::Assistant: return PidTagAssistant;
    case ContactField::WorkAddressStreet: return PidLidWorkAddressStreet;
    case ContactField::WorkAddressCity: return PidLidWorkAddressCity;
    case ContactField::WorkAddressState: return PidLidWorkAddressState;
    case ContactField::WorkAddressPostalCode: return PidLidWorkAddressPostalCode;
    case ContactField::WorkAddressCountry: return PidLidWorkAddressCountry;
    case ContactField::WorkAddress: return PidLidWorkAddress;
    case ContactField::BusinessPhone: return PidTagBusinessTelephoneNumber;
    case ContactField::BusinessFax: return PidTagBusinessFaxNumber;
    case ContactField::MobilePhone: return PidTagMobileTelephoneNumber;
    case ContactField::Pager: return PidTagPagerTelephoneNumber;
    case ContactField::OtherPhone: return PidTagOtherTelephoneNumber;
    case ContactField::BusinessHomePage: return PidTagBusinessHomePage;
    case ContactField::HomeAddressStreet: return PidTagHomeAddressStreet;
    case ContactField::HomeAddressCity: return PidTagHomeAddressCity;
    case ContactField::HomeAddressState: return PidTagHomeAddressStateOrProvince;
    case ContactField::HomeAddressPostalCode: return PidTagHomeAddressPostalCode;
    case ContactField::HomeAddressCountry: return PidTagHomeAddressCountry;
    case ContactField::HomePhone: return PidTagHomeTelephoneNumber;
    case ContactField::HomeFax: return PidTagHomeFaxNumber;
    case ContactField::Spouse: return PidTagSpouseName;
    case ContactField::Children: return PidTagChildrensNames;
    case ContactField::DisplayName: return PidTagDisplayName;
    case ContactField::Nickname: return PidTagNickname;
    case ContactField::PersonalHomePage: return PidTagPersonalHomePage;
    case ContactField::AssistantPhone: return PidTagAssistantTelephoneNumber;
    case ContactField::Business2Phone: return PidTagBusiness2TelephoneNumber;
    case ContactField::CarPhone: return PidTagCarTelephoneNumber;
    case ContactField::Home2Phone: return PidTagHome2TelephoneNumber;
    case ContactField::OtherFax: return PidTagPrimaryFaxNumber;
    case ContactField::PrimaryPhone: return PidTagPrimaryTelephoneNumber;
    case ContactField::InstantMessagingAddress: return PidLidInstantMessagingAddress;
    case ContactField::Email2DisplayName: return PidLidEmail2DisplayName;
    case ContactField::Email3DisplayName: return PidLidEmail3DisplayName;
    case ContactField::YomiFirstName: return PidLidYomiFirstName;
    case ContactField::YomiLastName: return PidLidYomiLastName;
    }
    return ltp::PropTag{0};
}

std::vector<PropertyName> contactPropertyNames() {
    using namespace tags;
    std::vector<PropertyName> names;
    auto add = [&](const NamedTag& named) { names.push_back(PropertyName{named.set, named.lid}); };
    names.push_back(PropertyName{kPsPublicStrings, std::string(PidNameKeywords)});
    for (const NamedTag& named :
         {PidLidFileUnder, PidLidFileUnderId, PidLidReferredBy, PidLidDepartment, PidLidHomeAddress, PidLidWorkAddress,
          PidLidPostalAddressId, PidLidContactCharacterSet, PidLidAutoLog, PidLidFileUnderList, kEmailDisplayNameList,
          PidLidAddressBookProviderEmailList, PidLidAddressBookProviderArrayType, PidLidWorkAddressStreet,
          PidLidWorkAddressCity, PidLidWorkAddressState, PidLidWorkAddressPostalCode, PidLidWorkAddressCountry,
          PidLidInstantMessagingAddress, PidLidYomiFirstName, PidLidYomiLastName})
        add(named);
    for (const EmailSlot& slot : kEmailSlots)
        for (const NamedTag& named :
             {slot.displayName, slot.addressType, slot.address, slot.originalDisplayName, slot.originalEntryId})
            add(named);
    for (const FaxSlot& fax : kFaxSlots)
        for (const NamedTag& named : {fax.addressType, fax.address, fax.originalDisplayName, fax.originalEntryId})
            add(named);
    add(PidLidBirthdayLocal);
    add(PidLidWeddingAnniversaryLocal);
    // Some readers (pst-extractor) skip the map's last entry: it names a property that no
    // reader shows.
    for (const NamedTag& named : {PidLidReminderDelta, PidLidReminderSet, PidLidPrivate, PidLidAgingDontAgeMe,
                                  PidLidSideEffects, PidLidReferenceEntryId, PidLidCurrentVersion,
                                  PidLidCurrentVersionName})
        add(named);
    return names;
}

} // namespace brenmoor::pst::messaging
