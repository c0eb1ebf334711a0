// The PST export: the store and its contacts folder, and the contact items filled
// from the documents' items.
#include "export/pst_writer.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "export/export_error.h"
#include "notes/locale_text.h"
#include "pst/messaging/message_store.h"
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
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return notes::localeTimeText(local.tm_hour, local.tm_min, local.tm_sec);
}

bool pathTaken(const std::filesystem::path& path) {
    std::error_code ec;
    // A dangling link counts as taken: creating the file would follow it.
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
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

// The contact's e-mail addresses in the order of the store's slots: the non-empty
// distinct values of "MailAddress", "MiscPhone1", "MiscPhone2" and "MiscPhone3". The
// store has three slots; a fourth address is kept in the body.
std::vector<std::string> emailAddressesInSlotOrder(const notes::ContactDocument& doc) {
    std::vector<std::string> addresses;
    for (ContactItem source : {ContactItem::MailAddress, ContactItem::MiscPhone1, ContactItem::MiscPhone2,
                               ContactItem::MiscPhone3}) {
        std::string address = doc.itemText(source);
        if (!address.empty() && std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(std::move(address));
    }
    return addresses;
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

std::string freeStorePath(const std::string& folder, const std::string& fileName) {
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::string path = base + fileName;
    const std::string stem = fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : fileName;
    for (std::int64_t n = 2; pathTaken(path); ++n) path = base + stem + "_" + std::to_string(n) + ".pst";
    return path;
}

PstWriter::PstWriter(std::function<std::string()> timeText)
    : timeText_(timeText ? std::move(timeText) : std::function<std::string()>(currentTimeText)) {}

PstWriter::~PstWriter() = default;

void PstWriter::prepare(const std::string& folder) {
    const std::string path = freeStorePath(folder, pstFileName(timeText_()));
    try {
        store_ = MessageStore::create(path, kStoreDisplayName);
    } catch (const std::exception& e) {
        throw ExportError(std::string(e.what()) + " Choose a folder you can write to.");
    }
    path_ = path;

    // The contacts folder: the store's default one, else "Contacts" under the root
    // folder, found or made, and made the default.
    if (!store_->hasDefaultFolder(kContactsKind)) {
        Folder& root = store_->rootFolder();
        Folder* contacts = root.subfolder("Contacts");
        if (!contacts) contacts = &root.addSubfolder("Contacts");
        contacts->SetAsDefaultFolder(kContactsKind);
    }
}

void PstWriter::writeContact(const notes::ContactDocument& doc, std::int64_t) {
    if (!store_) throw ExportError("The PST store was not created.");
    // A fresh item per document: a failed add leaves nothing of this document in
    // any other item.
    pst::messaging::ContactItem item = store_->defaultFolder(kContactsKind).Items().Add("IPM.Contact");
    auto text = [&](ContactField field, ContactItem source) { item.setText(field, doc.itemText(source)); };

    text(ContactField::GivenName, ContactItem::FirstName);
    text(ContactField::MiddleName, ContactItem::MiddleInitial);
    text(ContactField::Surname, ContactItem::LastName);
    text(ContactField::DisplayNamePrefix, ContactItem::Title);
    text(ContactField::Generation, ContactItem::Suffix);
    // E-mail 1 to 3 in slot order; a fourth address goes into the body below.
    const std::vector<std::string> addresses = emailAddressesInSlotOrder(doc);
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
    if (addresses.size() > std::size(kSlots))
        body += (body.ends_with('\n') ? "" : "\r\n") + std::string("E-mail 4: ") + addresses[std::size(kSlots)];
    item.setBody(body);
    text(ContactField::FullName, ContactItem::FullName);
    text(ContactField::Nickname, ContactItem::ShortName);
    text(ContactField::PersonalHomePage, ContactItem::MailDomain);
    item.setCategories(doc.itemText(ContactItem::Categories));
    text(ContactField::Email1DisplayName, ContactItem::NameDisplayPref);
    item.save();
}

void PstWriter::close() {
    if (!store_) return;
    // Drop the store even when completing it fails: a second close must not retry.
    std::unique_ptr<MessageStore> store = std::move(store_);
    try {
        store->flush();
    } catch (const std::exception& e) {
        throw ExportError(std::string(e.what()) + " The store file is incomplete.");
    }
}

} // namespace brenmoor::exporting
