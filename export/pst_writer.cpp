// The PST export: the store and its contacts folder, and the contact items filled
// from the contact model.
#include "export/pst_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ctime>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "contact/contact_from_document.h"
#include "export/contact_text.h"
#include "export/export_error.h"
#include "export/output_file.h"
#include "export/pst_objects.h"
#include "notes/locale_text.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/store_clock.h"
#include "pst/messaging/store_error.h"
#include "text/translation.h"

namespace brenmoor::exporting {

namespace {

using pst::messaging::ContactDate;
using pst::messaging::ContactField;
using pst::messaging::Folder;
using pst::messaging::MessageStore;

constexpr const char* kStoreDisplayName = "Qalder Notes Contacts";
constexpr int kContactsKind = 10;

void removeAll(std::string& text, const std::string& what) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

std::string currentTimeText() {
    const std::time_t now = static_cast<std::time_t>(pst::messaging::unixTimeNow());
    std::tm local{};
    localtime_r(&now, &local);
    return notes::localeTimeText(local.tm_hour, local.tm_min, local.tm_sec);
}

// The innermost reason of a store library failure ("... : No space left on device"),
// without the paths the library names: the user hears of the store's final path only.
std::string reasonOf(const std::exception& e) {
    std::string text = e.what();
    const std::size_t colon = text.rfind(": ");
    if (colon != std::string::npos) text.erase(0, colon + 2);
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    return text;
}

// A value that is no date, or a day no item can hold, leaves the date unset and goes
// into the body as a line; the rest of the contact is written.
void setDate(pst::messaging::ContactItem& item, ContactDate which, const contact::DateOrText& value,
             std::string_view label, std::string& bodyLines) {
    if (value.date) {
        try {
            item.setDate(which, *value.date);
            return;
        } catch (const pst::messaging::StoreError&) {
        }
    }
    if (!value.empty()) appendNoteLine(bodyLines, label, value.date ? isoDate(*value.date) : value.text);
}

// The first spouse, manager and assistant in their fields, every further one as a line
// of the body (the store holds one of each); the children all in their list.
void setRelated(pst::messaging::ContactItem& item, const contact::Contact& contact, std::string& bodyLines) {
    const std::pair<contact::Relation, ContactField> fields[] = {{contact::Relation::Manager, ContactField::ManagerName},
                                                                 {contact::Relation::Assistant, ContactField::Assistant},
                                                                 {contact::Relation::Spouse, ContactField::Spouse}};
    for (const auto& [relation, field] : fields) {
        bool placed = false;
        for (const contact::Related& person : contact.related) {
            if (person.relation != relation) continue;
            if (!placed) item.setText(field, person.name);
            else appendNoteLine(bodyLines, relationLabel(relation), person.name);
            placed = true;
        }
    }
    std::vector<std::string> children;
    for (const contact::Related& person : contact.related)
        if (person.relation == contact::Relation::Child) children.push_back(person.name);
    item.setChildren(std::move(children));
}

void setNames(pst::messaging::ContactItem& item, const contact::Contact& contact) {
    item.setText(ContactField::GivenName, contact.name.given);
    item.setText(ContactField::MiddleName, contact.name.middle);
    item.setText(ContactField::Surname, contact.name.family);
    item.setText(ContactField::DisplayNamePrefix, contact.name.prefix);
    item.setText(ContactField::Generation, contact.name.suffix);
    item.setText(ContactField::Nickname, contact.nickname);
    const contact::StoreNames names = contact::storeNames(contact);
    using FileAs = contact::StoreNames::FileAs;
    using pst::messaging::FileUnder;
    item.setText(ContactField::DisplayName, names.displayName);
    item.setFileAs(names.fileAs, names.rule == FileAs::Organization  ? FileUnder::Company
                                 : names.rule == FileAs::DisplayName ? FileUnder::DisplayName
                                                                     : FileUnder::LastFirstMiddle);
}

void setWork(pst::messaging::ContactItem& item, const contact::Contact& contact) {
    item.setText(ContactField::CompanyName, contact.organization);
    item.setText(ContactField::JobTitle, contact.jobTitle);
    item.setText(ContactField::Department, contact.unit);
    item.setText(ContactField::OfficeLocation, contact.office);
}

// The business home page takes the first work page, the personal one "MailDomain" as
// the store's layout has it, else the first home page; every other page goes into the
// body.
void setWebPages(pst::messaging::ContactItem& item, const contact::Contact& contact, std::string& bodyLines) {
    const contact::WebPage* business = nullptr;
    const contact::WebPage* personal = nullptr;
    for (const contact::WebPage& page : contact.webPages) {
        if (!business && page.place == contact::Place::Work) business = &page;
        if (!personal && page.place == contact::Place::Home && contact.store.personalHomePage.empty()) personal = &page;
    }
    item.setText(ContactField::BusinessHomePage, business ? business->url : std::string());
    item.setText(ContactField::PersonalHomePage, personal ? personal->url : contact.store.personalHomePage);
    for (const contact::WebPage& page : contact.webPages)
        if (&page != business && &page != personal) appendNoteLine(bodyLines, webPageLabel(page.place), page.url);
}

void setAddresses(pst::messaging::ContactItem& item, const contact::Contact& contact) {
    // The item composes the whole addresses from these parts, as Outlook keeps them.
    if (const auto& work = contact.workAddress) {
        item.setText(ContactField::WorkAddressStreet, work->street);
        item.setText(ContactField::WorkAddressCity, work->city);
        item.setText(ContactField::WorkAddressState, work->region);
        item.setText(ContactField::WorkAddressPostalCode, work->postalCode);
        item.setText(ContactField::WorkAddressCountry, work->country);
    }
    if (const auto& home = contact.homeAddress) {
        item.setText(ContactField::HomeAddressStreet, home->street);
        item.setText(ContactField::HomeAddressCity, home->city);
        item.setText(ContactField::HomeAddressState, home->region);
        item.setText(ContactField::HomeAddressPostalCode, home->postalCode);
        item.setText(ContactField::HomeAddressCountry, home->country);
    }
}

// The store's phones in order of preference: a number goes into the first free one for
// its kind, a third of a kind into the other phone or fax where no other phone or fax took
// it, the rest into the body.
// The store has one mobile phone, taken by the work cell: the personal cell is the pager
// where there is no pager, else the other phone.
constexpr std::array<PhoneSlot, 12> kPhoneSlots{{
    {"", phoneKinds({contact::PhoneKind::WorkVoice})},
    {"", phoneKinds({contact::PhoneKind::WorkVoice})},
    {"", phoneKinds({contact::PhoneKind::WorkFax})},
    {"", phoneKinds({contact::PhoneKind::WorkCell})},
    {"", phoneKinds({contact::PhoneKind::WorkPager}), phoneKinds({contact::PhoneKind::PersonalCell})},
    {"", phoneKinds({contact::PhoneKind::HomeVoice})},
    {"", phoneKinds({contact::PhoneKind::HomeVoice})},
    {"", phoneKinds({contact::PhoneKind::HomeFax})},
    {"", phoneKinds({contact::PhoneKind::Assistant})},
    {"", phoneKinds({contact::PhoneKind::Car})},
    {"", phoneKinds({contact::PhoneKind::OtherVoice}),
     phoneKinds({contact::PhoneKind::PersonalCell, contact::PhoneKind::WorkCell, contact::PhoneKind::WorkVoice,
                 contact::PhoneKind::HomeVoice, contact::PhoneKind::Assistant, contact::PhoneKind::Car})},
    {"", phoneKinds({contact::PhoneKind::OtherFax}),
     phoneKinds({contact::PhoneKind::WorkFax, contact::PhoneKind::HomeFax})},
}};
constexpr ContactField kPhoneFields[kPhoneSlots.size()] = {
    ContactField::BusinessPhone, ContactField::Business2Phone, ContactField::BusinessFax, ContactField::MobilePhone,
    ContactField::Pager,         ContactField::HomePhone,      ContactField::Home2Phone,  ContactField::HomeFax,
    ContactField::AssistantPhone, ContactField::CarPhone,      ContactField::OtherPhone,  ContactField::OtherFax,
};

void setPhones(pst::messaging::ContactItem& item, const contact::Contact& contact, std::string& bodyLines) {
    // A personal cell that repeats the pager is the pager.
    std::vector<contact::Phone> phones;
    for (const contact::Phone& phone : contact.phones) {
        const bool repeatsPager =
            phone.kind == contact::PhoneKind::PersonalCell &&
            std::any_of(contact.phones.begin(), contact.phones.end(), [&](const contact::Phone& other) {
                return other.kind == contact::PhoneKind::WorkPager && other.number == phone.number;
            });
        if (!repeatsPager) phones.push_back(phone);
    }
    std::vector<std::string_view> numbers;
    for (const contact::Phone* phone : fillPhoneSlots(phones, kPhoneSlots, numbers))
        appendNoteLine(bodyLines, phoneLabel(phone->kind), phone->number);
    for (std::size_t slot = 0; slot < kPhoneSlots.size(); ++slot) item.setText(kPhoneFields[slot], numbers[slot]);
    for (const contact::Phone& phone : contact.phones)
        if (phone.preferred) item.setText(ContactField::PrimaryPhone, phone.number);
}

// E-mail 1 to 3 take the addresses in the contact's order of preference, each with the
// name written beside it (e-mail 1's display name is "NameDisplayPref" where it has
// one); a fourth goes into the body.
void setEmails(pst::messaging::ContactItem& item, const contact::Contact& contact, std::string& bodyLines) {
    static constexpr ContactField kSlots[] = {ContactField::Email1Address, ContactField::Email2Address,
                                              ContactField::Email3Address};
    static constexpr ContactField kDisplayNames[] = {ContactField::Email1DisplayName, ContactField::Email2DisplayName,
                                                     ContactField::Email3DisplayName};
    const std::vector<contact::Email>& emails = contact.emails;
    for (std::size_t slot = 0; slot < std::size(kSlots) && slot < emails.size(); ++slot) {
        item.setText(kSlots[slot], emails[slot].address);
        item.setText(kDisplayNames[slot], emails[slot].displayName);
    }
    item.setText(ContactField::Email1DisplayName, contact.store.emailDisplayName);
    for (std::size_t extra = std::size(kSlots); extra < emails.size(); ++extra)
        appendNoteLine(bodyLines, "E-mail " + std::to_string(extra + 1), emails[extra].address);
}

// The body: the briefcase, " Comments: " and the comment, then a line for each value
// the store has no place for. In pieces, the briefcase and the comment not copied: either
// may be huge.
void setBody(pst::messaging::ContactItem& item, const contact::Contact& contact, std::string& bodyLines) {
    for (std::size_t i = 1; i < contact.imAddresses.size(); ++i) appendNoteLine(bodyLines, "Sametime", contact.imAddresses[i]);
    appendCommonNoteLines(bodyLines, contact,
                          {.instantMessaging = true, .alternateName = false, .photo = true, .attachments = true, .privateFlag = true,
                           .nameReading = true});
    const std::string_view comment = contact.comment;
    if (!bodyLines.empty() && !comment.ends_with('\n')) bodyLines.insert(0, "\r\n");
    const std::string_view body[] = {contact.briefcase, " Comments: ", comment, bodyLines};
    item.setBody(body);
}

} // namespace

std::unique_ptr<FormatWriter> makePstWriter() { return std::make_unique<PstWriter>(); }

std::string pstFileName(const std::string& timeText) {
    std::string name = "names" + timeText + ".pst";
    removeAll(name, ":");
    removeAll(name, " AM");
    removeAll(name, " PM");
    return name;
}

PstWriter::PstWriter(std::function<std::string()> timeText)
    : timeText_(timeText ? std::move(timeText) : std::function<std::string()>(currentTimeText)) {}

PstWriter::~PstWriter() { abandon(); }

void PstWriter::prepare(const std::string& folder) {
    folder_ = folder;
    fileName_ = pstFileName(timeText_());
    // The name it would take now, for a message that says which store was not written.
    expectedName_ = firstFreeName(folder_, stem(), ".pst");
    const std::string expected = outputPath(folder_, expectedName_);
    if (OutputRecord* record = OutputRecord::current()) record->begun(expected);
    try {
        file_.create(expected);
        store_ = MessageStore::create(file_.duplicate(), expected, kStoreDisplayName);
        // The contacts folder: the store's default one, else "Contacts" under the root
        // folder, found or made, and made the default.
        if (!store_->hasDefaultFolder(kContactsKind)) {
            Folder& root = store_->rootFolder();
            Folder* contacts = root.subfolder("Contacts");
            if (!contacts) contacts = &root.addSubfolder("Contacts");
            contacts->SetAsDefaultFolder(kContactsKind);
        }
    } catch (const std::exception& e) {
        abandon();
        throw ExportError(text::arg(text::translate("brenmoor::exporting", "Could not create the PST store \"%1\": "
                                                                           "%2. Choose a folder you can write to."),
                                    {expected, reasonOf(e)}));
    }
}

void PstWriter::writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) {
    if (!store_) throw ExportError(text::translate("brenmoor::exporting", "The PST store was not created."));
    try {
        addContact(std::move(doc), runningNumber);
    } catch (const pst::messaging::FolderFullError&) {
        throw ExportError(text::translate("brenmoor::exporting", "The Contacts folder of the PST store is full: one "
                                                                 "folder holds about 3.5 million contacts at the most."));
    } catch (const ExportError&) {
        throw;
    } catch (const std::exception& e) {
        // The library names the store's temporary path; the user knows only the final one.
        std::string reason = reasonOf(e);
        // A failed write leaves a store that takes nothing more: no later contact can be
        // saved, so the export ends here, saying why.
        if (store_->writeFailed())
            throw OutputBroken(text::arg(text::translate("brenmoor::exporting",
                                                         "The PST store could not be written: %1. Make room on the "
                                                         "disk or choose another folder, then export again."),
                                         {reason}));
        if (!reason.empty()) reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
        throw ExportError(text::arg(
            text::translate("brenmoor::exporting", "The contact could not be saved in the PST store: %1."), {reason}));
    }
}

void PstWriter::setBookIdentity(const std::string& identity) {
    if (store_) store_->setIdentity(identity);
}

void PstWriter::addContact(notes::ContactDocument&& doc, std::int64_t runningNumber) {
    const std::string identity = itemIdentity(doc.noteInfo().unid, "contact", runningNumber);
    contact::readContact(std::move(doc), contact_, runningNumber);
    // A fresh item per document: a failed add leaves nothing of this document in
    // any other item.
    pst::messaging::ContactItem item = store_->defaultFolder(kContactsKind).Items().Add("IPM.Contact", identity);
    std::string bodyLines; // what the store has no place for, in the order of the steps
    setNames(item, contact_);
    setWork(item, contact_);
    setWebPages(item, contact_, bodyLines);
    setAddresses(item, contact_);
    setPhones(item, contact_, bodyLines);
    setEmails(item, contact_, bodyLines);
    if (!contact_.imAddresses.empty()) item.setText(ContactField::InstantMessagingAddress, contact_.imAddresses.front());
    if (!contact_.readingFamily.empty()) {
        item.setText(ContactField::YomiFirstName, contact_.readingGiven);
        item.setText(ContactField::YomiLastName, contact_.readingFamily);
    }
    setRelated(item, contact_, bodyLines);
    setDate(item, ContactDate::Birthday, contact_.birthday, "Birthday", bodyLines);
    setDate(item, ContactDate::Anniversary, contact_.anniversary, "Anniversary", bodyLines);
    item.setCategories(contact_.categories);
    item.setPrivate(contact_.isPrivate);
    setBody(item, contact_, bodyLines);
    attachFiles(item, contact_);
    item.save();
    if (groups_ && groups_->look(doc, contact_, runningNumber)) listed_[runningNumber] = item.nid();
}

std::string PstWriter::stem() const {
    return fileName_.substr(0, fileName_.size() >= 4 ? fileName_.size() - 4 : fileName_.size());
}

void PstWriter::close() {
    if (!store_) return;
    const std::string expected = outputPath(folder_, expectedName_);
    try {
        if (groups_) {
            groups_->resolve();
            writeLists(store_->defaultFolder(kContactsKind), *groups_, listed_);
        }
        store_->flush();
    } catch (const std::exception& e) {
        abandon();
        throw ExportError(text::arg(text::translate("brenmoor::exporting", "Could not complete the PST store \"%1\": %2."),
                                    {expected, reasonOf(e)}));
    }
    store_.reset(); // closes the store's descriptor of the file
    try {
        path_ = file_.publish(folder_, stem(), ".pst");
    } catch (...) {
        abandon();
        throw;
    }
    if (OutputRecord* record = OutputRecord::current()) record->finished(expected, path_);
}

void PstWriter::abandon() noexcept {
    store_.reset();
    file_.abandon();
}

} // namespace brenmoor::exporting
