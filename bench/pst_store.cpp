// The PST store benchmark: brenmoor-bench-pst-store CONTACTS FOLDER writes a store of
// CONTACTS contacts, each with every field a generated book fills, through the store
// library alone (no address book is read), and prints the peak resident memory and the
// time, so that the store's own memory is seen apart from the book's reading.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pst/messaging/message_store.h"

namespace {

using namespace brenmoor::pst::messaging;

std::string number(std::uint64_t n, int digits)
{
    std::string s = std::to_string(n % 10000000000ull);
    return std::string(s.size() < std::size_t(digits) ? std::size_t(digits) - s.size() : 0, '0') + s;
}

void fill(ContactItem& item, std::uint64_t n)
{
    const std::string id = std::to_string(n);
    const std::pair<ContactField, std::string> texts[] = {
        {ContactField::GivenName, "Given" + id}, {ContactField::MiddleName, "M"},
        {ContactField::Surname, "Surname" + id}, {ContactField::DisplayNamePrefix, "Dr."},
        {ContactField::Generation, "Jr."}, {ContactField::Email1Address, "given" + id + "@example.com"},
        {ContactField::Email2Address, "given" + id + "@work.example"},
        {ContactField::Email3Address, "given" + id + "@mail.example"}, {ContactField::Email1DisplayName, "1"},
        {ContactField::CompanyName, "Harbour Freight Lines"}, {ContactField::JobTitle, "Account Manager"},
        {ContactField::Department, "Logistics"}, {ContactField::OfficeLocation, "Building C, floor 4"},
        {ContactField::ManagerName, "Ingrid Lindqvist"}, {ContactField::Assistant, "Kofi Mensah"},
        {ContactField::WorkAddressStreet, "212 Canal Street"}, {ContactField::WorkAddressCity, "Portland"},
        {ContactField::WorkAddressState, "OR"}, {ContactField::WorkAddressPostalCode, number(n, 5)},
        {ContactField::WorkAddressCountry, "USA"}, {ContactField::BusinessPhone, "+1 503 555 " + number(n, 4)},
        {ContactField::BusinessFax, "+1 503 556 " + number(n, 4)}, {ContactField::MobilePhone, "+1 503 557 " + number(n, 4)},
        {ContactField::Pager, "+1 503 558 " + number(n, 4)}, {ContactField::OtherPhone, "+1 503 559 " + number(n, 4)},
        {ContactField::BusinessHomePage, "https://www.example.com/people/" + id},
        {ContactField::HomeAddressStreet, "17 Via Roma"}, {ContactField::HomeAddressCity, "Lyon"},
        {ContactField::HomeAddressState, "ARA"}, {ContactField::HomeAddressPostalCode, number(n + 7, 5)},
        {ContactField::HomeAddressCountry, "France"}, {ContactField::HomePhone, "+33 4 55 " + number(n, 6)},
        {ContactField::HomeFax, "+33 4 56 " + number(n, 6)}, {ContactField::Spouse, "Maria Surname" + id},
        {ContactField::Children, "Noah, Ana"}, {ContactField::DisplayName, "Given" + id + " Surname" + id + "/Brenmoor"},
        {ContactField::Nickname, "given" + id.substr(0, 3)}, {ContactField::PersonalHomePage, "BRENMOOR"},
    };
    for (const auto& [field, text] : texts) item.setText(field, text);
    item.setDate(ContactDate::Birthday, {1970 + int(n % 30), 1 + int(n % 12), 1 + int(n % 28)});
    item.setDate(ContactDate::Anniversary, {1995 + int(n % 20), 1 + int(n % 12), 1 + int(n % 28)});
    item.setBody("Prefers e-mail to phone calls. Comments: Met at the trade fair in Utrecht.\r\n"
                 "Quarterly review every March.\r\nE-mail 4: given" + id + "@example.org");
    item.setCategories({"Work"});
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: brenmoor-bench-pst-store CONTACTS FOLDER\n");
        return 2;
    }
    const std::uint64_t contacts = std::strtoull(argv[1], nullptr, 10);
    const std::string path = std::string(argv[2]) + "/bench-" + std::to_string(contacts) + ".pst";
    const auto start = std::chrono::steady_clock::now();
    try {
        auto store = MessageStore::create(path, "Benchmark");
        Folder& folder = store->rootFolder().addSubfolder("Contacts");
        folder.SetAsDefaultFolder(kContactsFolder);
        for (std::uint64_t n = 1; n <= contacts; ++n) {
            ContactItem item = store->defaultFolder(kContactsFolder).Items().Add("IPM.Contact");
            fill(item, n);
            item.save();
        }
        store->flush();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brenmoor-bench-pst-store: %s\n", e.what());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMiB = double(usage.ru_maxrss) / 1024.0;
    const double allowedMiB = 96.0 + 64.0 * double(contacts) / (1024.0 * 1024.0);
    std::printf("%s\n%llu contacts in %.1f s; peak resident %.1f MiB (allowed 96 MiB + 64 B per contact = %.1f MiB)%s\n",
                path.c_str(), static_cast<unsigned long long>(contacts), seconds, peakMiB, allowedMiB,
                peakMiB <= allowedMiB ? "" : "  OVER");
    return 0;
}
