// The PST export: the store and its contacts folder, and the contact items filled
// from the contact model.
#include "export/pst_writer.h"

#include <cctype>
#include <ctime>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "contact/contact_from_document.h"
#include "export/export_error.h"
#include "export/output_file.h"
#include "notes/locale_text.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/store_clock.h"
#include "pst/messaging/store_error.h"

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

void setDate(pst::messaging::ContactItem& item, ContactDate which, const contact::DateOrText& value) {
    // A value that is no date, or a day no item can hold, leaves the date unset; the
    // rest of the contact is written.
    if (!value.date) return;
    try {
        item.setDate(which, *value.date);
    } catch (const pst::messaging::StoreError&) {
    }
}

// The first number of a kind; empty where there is none.
const std::string& firstPhone(const contact::Contact& contact, contact::PhoneKind kind) {
    static const std::string kNone;
    for (const contact::Phone& phone : contact.phones)
        if (phone.kind == kind) return phone.number;
    return kNone;
}

// The first person of a relation; empty where there is none.
const std::string& firstRelated(const contact::Contact& contact, contact::Relation relation) {
    static const std::string kNone;
    for (const contact::Related& related : contact.related)
        if (related.relation == relation) return related.name;
    return kNone;
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
    item.setText(ContactField::BusinessHomePage, contact.webPage);
    item.setText(ContactField::ManagerName, firstRelated(contact, contact::Relation::Manager));
    item.setText(ContactField::Assistant, firstRelated(contact, contact::Relation::Assistant));
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

// The store has one mobile phone, taken by the work cell: the personal cell is the
// pager where there is no pager, and the other phone where there is one that differs.
void setPhones(pst::messaging::ContactItem& item, const contact::Contact& contact) {
    using contact::PhoneKind;
    item.setText(ContactField::BusinessPhone, firstPhone(contact, PhoneKind::WorkVoice));
    item.setText(ContactField::BusinessFax, firstPhone(contact, PhoneKind::WorkFax));
    item.setText(ContactField::MobilePhone, firstPhone(contact, PhoneKind::WorkCell));
    item.setText(ContactField::HomePhone, firstPhone(contact, PhoneKind::HomeVoice));
    item.setText(ContactField::HomeFax, firstPhone(contact, PhoneKind::HomeFax));
    const std::string& pager = firstPhone(contact, PhoneKind::WorkPager);
    const std::string& personalCell = firstPhone(contact, PhoneKind::PersonalCell);
    item.setText(ContactField::Pager, pager.empty() ? personalCell : pager);
    if (!pager.empty() && personalCell != pager) item.setText(ContactField::OtherPhone, personalCell);
}

// E-mail 1 to 3 take the addresses in the contact's order of preference; the store has
// no slot for a fourth, which goes into the body after the briefcase and the comment.
void setEmailsAndBody(pst::messaging::ContactItem& item, const contact::Contact& contact) {
    static constexpr ContactField kSlots[] = {ContactField::Email1Address, ContactField::Email2Address,
                                              ContactField::Email3Address};
    const std::vector<std::string>& addresses = contact.emails;
    for (std::size_t slot = 0; slot < std::size(kSlots) && slot < addresses.size(); ++slot)
        item.setText(kSlots[slot], addresses[slot]);
    item.setText(ContactField::Email1DisplayName, contact.store.emailDisplayName);
    // The body in pieces, the briefcase and the comment not copied: either may be huge.
    const std::string_view comment = contact.comment;
    std::string extras;
    for (std::size_t extra = std::size(kSlots); extra < addresses.size(); ++extra) {
        const bool onNewLine = extras.empty() ? comment.ends_with('\n') : extras.ends_with('\n');
        extras += (onNewLine ? "" : "\r\n") + std::string("E-mail ") + std::to_string(extra + 1) + ": " +
                  addresses[extra];
    }
    const std::string_view body[] = {contact.briefcase, " Comments: ", comment, extras};
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
        throw ExportError("Could not create the PST store \"" + expected + "\": " + reasonOf(e) +
                          ". Choose a folder you can write to.");
    }
}

void PstWriter::writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) {
    if (!store_) throw ExportError("The PST store was not created.");
    try {
        addContact(std::move(doc), runningNumber);
    } catch (const pst::messaging::FolderFullError&) {
        throw ExportError("The Contacts folder of the PST store is full: one folder holds about 3.5 million "
                          "contacts at the most.");
    } catch (const ExportError&) {
        throw;
    } catch (const std::exception& e) {
        // The library names the store's temporary path; the user knows only the final one.
        std::string reason = reasonOf(e);
        // A failed write leaves a store that takes nothing more: no later contact can be
        // saved, so the export ends here, saying why.
        if (store_->writeFailed())
            throw OutputBroken("The PST store could not be written: " + reason +
                               ". Make room on the disk or choose another folder, then export again.");
        if (!reason.empty()) reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
        throw ExportError("The contact could not be saved in the PST store: " + reason + ".");
    }
}

void PstWriter::addContact(notes::ContactDocument&& doc, std::int64_t runningNumber) {
    contact::readContact(std::move(doc), contact_, runningNumber);
    // A fresh item per document: a failed add leaves nothing of this document in
    // any other item.
    pst::messaging::ContactItem item = store_->defaultFolder(kContactsKind).Items().Add("IPM.Contact");
    setNames(item, contact_);
    setWork(item, contact_);
    setAddresses(item, contact_);
    setPhones(item, contact_);
    setEmailsAndBody(item, contact_);
    item.setText(ContactField::Spouse, firstRelated(contact_, contact::Relation::Spouse));
    item.setText(ContactField::Children, firstRelated(contact_, contact::Relation::Child));
    item.setText(ContactField::PersonalHomePage, contact_.store.personalHomePage);
    setDate(item, ContactDate::Birthday, contact_.birthday);
    setDate(item, ContactDate::Anniversary, contact_.anniversary);
    item.setCategories(contact_.store.categories);
    item.save();
}

std::string PstWriter::stem() const {
    return fileName_.substr(0, fileName_.size() >= 4 ? fileName_.size() - 4 : fileName_.size());
}

void PstWriter::close() {
    if (!store_) return;
    const std::string expected = outputPath(folder_, expectedName_);
    try {
        store_->flush();
    } catch (const std::exception& e) {
        abandon();
        throw ExportError("Could not complete the PST store \"" + expected + "\": " + reasonOf(e) + ".");
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
