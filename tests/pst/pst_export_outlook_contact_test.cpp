// The contact the PST export writes, property by property against the contact Outlook
// saved in the reference store: every property Outlook writes is ours too, with
// Outlook's value, except those listed here with the reason they are left out or
// differ. Named properties are compared by their names, as each store numbers them.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <unistd.h>

#include "export/pst_writer.h"
#include "notes/address_book.h"
#include "pst_names.h"
#include "pst_tables.h"

namespace {

namespace fs = std::filesystem;
namespace check = brenmoor::pstcheck;

const std::string kReference = BRENMOOR_REFERENCE_DIR "/outlook-contacts.pst";
constexpr std::uint32_t kOutlookContact = 0x200064; // "contact name 1"

struct Property {
    std::uint16_t type = 0;
    check::Bytes value;
};

// A message's properties keyed by tag id ("0x3A06") or name ("PSETID_Address:0x8005").
std::map<std::string, Property> propertiesOf(const std::string& path, std::uint32_t nid)
{
    check::Findings findings;
    check::PstFile file(path, findings);
    const auto names = check::readPropertyNames(file);
    const check::NodeEntry* node = file.node(nid);
    if (!node) return {};
    const auto frame = check::readFrame(file, node->bidData, node->bidSub, "contact");
    const auto props = check::readPropertyContext(frame, "contact", findings);
    if (!props) return {};
    std::map<std::string, Property> out;
    for (const auto& [id, p] : *props) {
        auto name = names.find(id);
        const std::string key = id < 0x8000 || name == names.end() ? check::hexNumber(id, 4)
                                                                   : check::propertyNameText(name->second);
        out[key] = Property{p.type, p.value};
    }
    return out;
}

// The NID of a store's first item (an item's NID follows from its identity).
std::uint32_t firstItemOf(const std::string& path)
{
    check::Findings findings;
    check::PstFile file(path, findings);
    for (const auto& [nid, entry] : file.nodes())
        if (check::nidType(nid) == 0x04) return static_cast<std::uint32_t>(nid);
    return 0;
}

// Outlook's properties that our contacts do not carry, and why.
const std::map<std::string, std::string> kLeftOut = [] {
    const std::string sender = "the sender Outlook stamps from its own mail profile (here \"Unknown\"); "
                               "a contact converted from an address book has no sender";
    const std::string replication = "replication state (item ID, change number, version history) that "
                                    "Outlook's store provider keeps for synchronisation; no client writes it";
    const std::string flag = "follow-up flag state that Outlook 2007 stamps on items of its contact form; an "
                             "item that is not flagged goes without it ([MS-OXOFLAG])";
    std::map<std::string, std::string> out;
    for (const char* id : {"0x003B", "0x0041", "0x0042", "0x0064", "0x0065", "0x0C19", "0x0C1A", "0x0C1D",
                           "0x0C1E", "0x0C1F"})
        out[id] = sender;
    for (const char* id : {"0x0E30", "0x0E33", "0x0E34"}) out[id] = replication;
    for (const char* lid : {"0x8101", "0x8102", "0x8103", "0x8110", "0x8111", "0x8112", "0x8113", "0x811C",
                            "0x8121", "0x8123", "0x8124", "0x8126", "0x8127", "0x8129", "0x812A", "0x812C"})
        out[std::string("PSETID_Task:") + lid] = flag;
    out["PSETID_Common:0x8518"] = flag; // task mode
    out["PSETID_Common:0x85BF"] = flag; // valid flag string proof
    out["PSETID_Address:0x80DD"] = "not named in the property catalogue [MS-OXPROPS]; Outlook writes it empty";
    return out;
}();

// Properties we write with a value of their own, and why.
const std::map<std::string, std::string> kOwnValue = {
    {"0x0039", "the time the contact was converted"},
    {"0x0E06", "the time the contact was converted"},
    {"0x3007", "the time the contact was converted"},
    {"0x3008", "the time the contact was converted"},
    {"0x300B", "a search key of the item's own"},
    {"0x0071", "a conversation index of the item's own (its time and GUID)"},
    {"0x0E08", "the size of the item's own properties"},
    {"PSETID_Common:0x85BD", "the entry ID of the item itself, in its own store"},
};

TEST(OutlookContact, OurContactCarriesWhatOutlookWritesWithOutlooksValues)
{
    if (!fs::exists(kReference)) GTEST_SKIP() << "no Outlook store at " << kReference;
    const auto outlook = propertiesOf(kReference, kOutlookContact);
    ASSERT_FALSE(outlook.empty());

    // The same contact through the export: "contact name 1" with its one address.
    const fs::path dir = fs::temp_directory_path() / ("brenmoor-outlook-contact-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    brenmoor::exporting::PstWriter writer([] { return std::string("1:02:03"); });
    writer.prepare(dir.string());
    using brenmoor::notes::ItemValue;
    std::vector<std::pair<std::string, ItemValue>> items;
    for (auto [name, text] : {std::pair{"FirstName", "contact"}, {"MiddleInitial", "name"}, {"LastName", "1"},
                              {"MailAddress", "contact1@rjohnson.id.au"}})
        items.push_back({name, ItemValue{ItemValue::Kind::Text, text, {}}});
    writer.writeContact(brenmoor::notes::ContactDocument(std::move(items)), 1);
    writer.close();
    const auto ours = propertiesOf(writer.resultPath(), firstItemOf(writer.resultPath()));
    fs::remove_all(dir);
    ASSERT_FALSE(ours.empty());

    for (const auto& [key, property] : outlook) {
        const auto left = kLeftOut.find(key);
        const auto mine = ours.find(key);
        if (left != kLeftOut.end()) {
            EXPECT_EQ(mine, ours.end()) << key << " is listed as left out (" << left->second << ") but written";
            continue;
        }
        if (mine == ours.end()) {
            ADD_FAILURE() << "Outlook writes " << key << " = " << check::valueText(property.type, property.value)
                          << "; we do not, and no reason is given";
            continue;
        }
        EXPECT_EQ(mine->second.type, property.type) << key;
        if (kOwnValue.count(key)) continue;
        EXPECT_EQ(check::valueText(mine->second.type, mine->second.value), check::valueText(property.type, property.value))
            << key;
    }
    // The lists name only what Outlook writes, so they stay true.
    for (const auto& [key, reason] : kLeftOut) EXPECT_TRUE(outlook.count(key)) << key << " is not Outlook's";
    for (const auto& [key, reason] : kOwnValue) EXPECT_TRUE(outlook.count(key) && ours.count(key)) << key;
}

} // namespace
