// The PST export: the store and its contacts folder, and the contact items filled
// from the documents' items.
#include "export/pst_writer.h"

#include <cctype>
#include <ctime>
#include <stdexcept>
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

using notes::ContactItem;
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

void setDate(pst::messaging::ContactItem& item, ContactDate which, const notes::ContactDocument& doc,
             ContactItem source) {
    // A value that is no date, or a day no item can hold, leaves the date unset; the
    // rest of the contact is written.
    auto date = doc.itemDate(source);
    if (!date) return;
    try {
        item.setDate(which, {date->year, date->month, date->day});
    } catch (const pst::messaging::StoreError&) {
    }
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

void PstWriter::writeContact(const notes::ContactDocument& doc, std::int64_t) {
    if (!store_) throw ExportError("The PST store was not created.");
    try {
        addContact(doc);
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

void PstWriter::addContact(const notes::ContactDocument& doc) {
    // A fresh item per document: a failed add leaves nothing of this document in
    // any other item.
    pst::messaging::ContactItem item = store_->defaultFolder(kContactsKind).Items().Add("IPM.Contact");
    auto text = [&](ContactField field, ContactItem source) { item.setText(field, doc.itemText(source)); };

    text(ContactField::GivenName, ContactItem::FirstName);
    text(ContactField::MiddleName, ContactItem::MiddleInitial);
    text(ContactField::Surname, ContactItem::LastName);
    text(ContactField::DisplayNamePrefix, ContactItem::Title);
    text(ContactField::Generation, ContactItem::Suffix);
    // E-mail 1 to 3 take the addresses in the contact's order of preference; the store
    // has no slot for a fourth, which goes into the body below.
    const std::vector<std::string> addresses = contact::emailAddresses(doc);
    static constexpr ContactField kSlots[] = {ContactField::Email1Address, ContactField::Email2Address,
                                              ContactField::Email3Address};
    for (std::size_t slot = 0; slot < std::size(kSlots) && slot < addresses.size(); ++slot)
        item.setText(kSlots[slot], addresses[slot]);
    text(ContactField::CompanyName, ContactItem::CompanyName);
    text(ContactField::JobTitle, ContactItem::JobTitle);
    text(ContactField::WorkAddressStreet, ContactItem::OfficeStreetAddress);
    // The whole business address: the item composes it from the parts below, as
    // Outlook keeps it; the street alone would lose the rest of the address.
    text(ContactField::WorkAddressCity, ContactItem::OfficeCity);
    text(ContactField::WorkAddressState, ContactItem::OfficeState);
    text(ContactField::WorkAddressPostalCode, ContactItem::OfficeZip);
    text(ContactField::WorkAddressCountry, ContactItem::OfficeCountry);
    text(ContactField::BusinessPhone, ContactItem::OfficePhoneNumber);
    text(ContactField::BusinessFax, ContactItem::OfficeFaxPhoneNumber);
    text(ContactField::MobilePhone, ContactItem::CellPhoneNumber);
    // "PhoneNumber_6" is the pager; "PersPager" is the pager where that is empty, and the
    // other telephone number where both are filled and differ.
    const std::string pager = doc.itemText(ContactItem::PhoneNumber_6);
    const std::string personalPager = doc.itemText(ContactItem::PersPager);
    item.setText(ContactField::Pager, pager.empty() ? personalPager : pager);
    if (!pager.empty() && personalPager != pager) item.setText(ContactField::OtherPhone, personalPager);
    text(ContactField::OfficeLocation, ContactItem::Location);
    text(ContactField::BusinessHomePage, ContactItem::WebSite);
    text(ContactField::Department, ContactItem::Department);
    text(ContactField::ManagerName, ContactItem::Manager);
    text(ContactField::Assistant, ContactItem::Assistant);
    text(ContactField::HomeAddressStreet, ContactItem::StreetAddress);
    text(ContactField::HomeAddressCity, ContactItem::City);
    text(ContactField::HomeAddressState, ContactItem::State);
    text(ContactField::HomeAddressPostalCode, ContactItem::Zip);
    text(ContactField::HomeAddressCountry, ContactItem::Country);
    text(ContactField::Spouse, ContactItem::Spouse);
    text(ContactField::Children, ContactItem::Children);
    text(ContactField::HomePhone, ContactItem::PhoneNumber);
    text(ContactField::HomeFax, ContactItem::HomeFaxPhoneNumber);
    setDate(item, ContactDate::Birthday, doc, ContactItem::Birthday);
    setDate(item, ContactDate::Anniversary, doc, ContactItem::Anniversary);
    std::string body = doc.itemText(ContactItem::Briefcase) + " Comments: " + doc.itemText(ContactItem::Comment);
    for (std::size_t extra = std::size(kSlots); extra < addresses.size(); ++extra)
        body += (body.ends_with('\n') ? "" : "\r\n") + std::string("E-mail ") + std::to_string(extra + 1) + ": " +
                addresses[extra];
    item.setBody(body);
    text(ContactField::FullName, ContactItem::FullName);
    text(ContactField::Nickname, ContactItem::ShortName);
    text(ContactField::PersonalHomePage, ContactItem::MailDomain);
    item.setCategories(doc.itemText(ContactItem::Categories));
    text(ContactField::Email1DisplayName, ContactItem::NameDisplayPref);
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
