// The messaging layer's store: a new store and the folders and items added to it,
// read back with the independent checker's reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

#include "pst/messaging/message_store.h"
#include "pst/messaging/store_error.h"
#include "pst_checker.h"
#include "pst_tables.h"

namespace {

using namespace brenmoor::pst::messaging;
namespace check = brenmoor::pstcheck;

std::string tempStorePath(const std::string& name) {
    // The stores of this run, in a folder removed when the tests end.
    static const struct Folder {
        std::filesystem::path path;
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder{std::filesystem::temp_directory_path() / ("brenmoor-messaging-" + std::to_string(getpid()))};
    std::filesystem::create_directories(folder.path);
    const auto path = folder.path / name;
    std::filesystem::remove(path);
    return path.string();
}

// One store read back: property contexts and tables by NID.
struct StoreReading {
    check::Findings findings;
    check::PstFile file;
    explicit StoreReading(const std::string& path) : file(path, findings) {}

    std::map<std::uint16_t, check::Property> properties(std::uint64_t nid) {
        const check::NodeEntry* entry = file.node(nid);
        if (!entry) ADD_FAILURE() << "no node " << std::hex << nid;
        if (!entry) return {};
        const auto frame = check::readFrame(file, entry->bidData, entry->bidSub, "test");
        auto pc = check::readPropertyContext(frame, "test", findings);
        return pc ? *pc : std::map<std::uint16_t, check::Property>{};
    }
    check::Table table(std::uint64_t nid) {
        const check::NodeEntry* entry = file.node(nid);
        if (!entry) ADD_FAILURE() << "no node " << std::hex << nid;
        if (!entry) return {};
        const auto frame = check::readFrame(file, entry->bidData, entry->bidSub, "test");
        auto tc = check::readTableContext(frame, "test", findings);
        return tc ? *tc : check::Table{};
    }
};


TEST(MessagingStore, NewStoreHasEveryMandatoryNodeAndPassesTheChecker) {
    const std::string path = tempStorePath("new.pst");
    MessageStore::create(path, "Qalder Notes Contacts");

    EXPECT_EQ(check::checkPstFile(path), std::vector<std::string>{});
    StoreReading store(path);
    for (std::uint64_t nid : {0x21, 0x61, 0x122, 0x12D, 0x12E, 0x12F, 0x1E1, 0x201, 0x261, 0x281, 0x2A1,
                              0x321, 0x60D, 0x60E, 0x60F, 0x610, 0x671, 0x692, 0x6B6, 0x2223, 0x2226,
                              0x2227, 0x2230, 0x8022, 0x802D, 0x802E, 0x802F, 0x8042, 0x804D, 0x8062,
                              0x806D, 0x806E, 0x806F})
        EXPECT_NE(store.file.node(nid), nullptr) << std::hex << nid;

    auto props = store.properties(0x21);
    EXPECT_EQ(check::utf16ToUtf8(props[0x3001].value), "Qalder Notes Contacts");
    // The subtree, wastebasket and finder entry IDs: flags, the store's record key, the NID.
    const check::Bytes recordKey = props[0x0FF9].value;
    ASSERT_EQ(recordKey.size(), 16u);
    for (auto [id, nid] : {std::pair{0x35E0, 0x8022u}, {0x35E3, 0x8062u}, {0x35E7, 0x8042u}}) {
        const check::Bytes& entry = props[id].value;
        ASSERT_EQ(entry.size(), 24u) << std::hex << id;
        EXPECT_EQ(check::le32(entry), 0u);
        EXPECT_TRUE(std::equal(recordKey.begin(), recordKey.end(), entry.begin() + 4));
        EXPECT_EQ(check::le32(entry, 20), nid);
    }

    // The root lists its three children; "Top of Personal Folders" holds "Deleted Items".
    EXPECT_EQ(store.table(0x12D).rows.size(), 3u);
    EXPECT_EQ(check::utf16ToUtf8(store.properties(0x8022)[0x3001].value), "Top of Personal Folders");
    const auto subtree = store.table(0x802D);
    ASSERT_EQ(subtree.rows.size(), 1u);
    EXPECT_EQ(check::utf16ToUtf8(**check::cell(subtree, 0, 0x3001001F)), "Deleted Items");
}

TEST(MessagingStore, AnExistingFileIsNeitherOverwrittenNorChanged) {
    const std::string path = tempStorePath("existing.pst");
    { std::ofstream(path) << "keep me"; }
    EXPECT_THROW(MessageStore::create(path, "x"), StoreError);
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "keep me");
}

TEST(MessagingStore, ContactsFolderIsFoundOrMadeAndBecomesTheDefault) {
    const std::string path = tempStorePath("folders.pst");
    auto store = MessageStore::create(path, "S");
    EXPECT_THROW(store->defaultFolder(kContactsFolder), StoreError);
    EXPECT_EQ(store->rootFolder().subfolder("Contacts"), nullptr);

    Folder& contacts = store->rootFolder().addSubfolder("Contacts");
    EXPECT_EQ(store->rootFolder().subfolder("contacts"), &contacts);
    EXPECT_THROW(store->rootFolder().addSubfolder("CONTACTS"), StoreError);
    EXPECT_THROW(store->rootFolder().addSubfolder(""), StoreError);
    contacts.SetAsDefaultFolder(kContactsFolder);
    EXPECT_EQ(&store->defaultFolder(kContactsFolder), &contacts);
    EXPECT_THROW(contacts.Items().Add("IPM.Note"), StoreError);

    for (int i = 0; i < 3; ++i) {
        ContactItem item = store->defaultFolder(kContactsFolder).Items().Add("IPM.Contact");
        item.setText(ContactField::DisplayName, "Person " + std::to_string(i));
        item.save();
    }
    store->flush();

    EXPECT_EQ(check::checkPstFile(path), std::vector<std::string>{});
    StoreReading reading(path);
    const std::uint64_t folder = contacts.nid();
    auto props = reading.properties(folder);
    EXPECT_EQ(check::utf16ToUtf8(props[0x3613].value), "IPF.Contact");
    EXPECT_EQ(check::le32(props[0x3602].value), 3u);
    // Outlook finds the default contacts folder by the root folder's entry ID.
    EXPECT_EQ(check::le32(reading.properties(0x122)[0x36D1].value, 20), folder);

    const auto hierarchy = reading.table(0x802D);
    ASSERT_EQ(hierarchy.rows.size(), 2u);
    bool listed = false;
    for (std::size_t r = 0; r < hierarchy.rows.size(); ++r) {
        if (check::le32(**check::cell(hierarchy, r, 0x67F20003)) != folder) continue;
        listed = true;
        EXPECT_EQ(check::le32(**check::cell(hierarchy, r, 0x36020003)), 3u);
        EXPECT_EQ(check::utf16ToUtf8(**check::cell(hierarchy, r, 0x3613001F)), "IPF.Contact");
    }
    EXPECT_TRUE(listed);
    const auto contents = reading.table((folder & ~0x1Fu) | 0x0E);
    ASSERT_EQ(contents.rows.size(), 3u);
    for (std::size_t r = 0; r < 3; ++r) {
        EXPECT_EQ(check::utf16ToUtf8(**check::cell(contents, r, 0x001A001F)), "IPM.Contact");
        const check::NodeEntry* message = reading.file.node(check::le32(**check::cell(contents, r, 0x67F20003)));
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->parent, folder);
    }
}

// A body past one block goes to the file as it is converted and stays out of memory,
// as does a long text on save; none of their blocks is left behind where an item is
// not saved with them.
TEST(MessagingStore, ALongBodyIsWrittenAheadAndABodyNotSavedLeavesNoBlock) {
    const std::string path = tempStorePath("long-body.pst");
    auto store = MessageStore::create(path, "S");
    Folder& contacts = store->rootFolder().addSubfolder("Contacts");
    std::string line = "Gr\xC3\xBC\xC3\x9F" "e aus \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80\r\n";
    std::string huge; // past the 1,021 blocks one XBLOCK lists
    while (huge.size() < (5 << 20)) huge += line + std::to_string(huge.size());
    const std::string other = huge.substr(0, 30000) + "and no more";

    std::map<std::uint32_t, std::string> expected; // by NID
    {
        ContactItem item = contacts.Items().Add("IPM.Contact");
        const std::string_view pieces[] = {std::string_view(huge).substr(0, 1234567), " Comments: ",
                                           std::string_view(huge).substr(1234567)};
        item.setBody(pieces);
        item.save();
        expected[item.nid()] = huge.substr(0, 1234567) + " Comments: " + huge.substr(1234567);
    }
    {
        ContactItem item = contacts.Items().Add("IPM.Contact");
        item.setBody(huge);
        item.setBody("short"); // before the item was saved
        item.save();
        expected[item.nid()] = "short";
    }
    std::map<std::uint32_t, std::string> titles; // a long text set, saved again with another
    {
        ContactItem item = contacts.Items().Add("IPM.Contact");
        item.setBody(huge);
        item.setText(ContactField::JobTitle, other);
        item.save();
        item.setBody(other); // after: the saved item keeps its body until saved again
        item.setText(ContactField::JobTitle, other + other);
        item.save();
        expected[item.nid()] = other;
        titles[item.nid()] = other + other;
    }
    {
        ContactItem item = contacts.Items().Add("IPM.Contact");
        item.setBody(huge);
        item.save();
        item.setBody(other); // never saved
        expected[item.nid()] = huge;
    }
    {
        ContactItem item = contacts.Items().Add("IPM.Contact");
        item.setBody(huge); // never saved at all
    }
    store->flush();

    // pst-check counts every block's references: a block left behind or freed while
    // named is a finding.
    EXPECT_EQ(check::checkPstFile(path), std::vector<std::string>{});
    StoreReading reading(path);
    for (const auto& [nid, text] : expected) {
        auto props = reading.properties(nid);
        const std::string read = check::utf16ToUtf8(props[0x1000].value);
        EXPECT_TRUE(read == text) << "body of " << std::hex << nid << ": " << std::dec << read.size() << " bytes read, "
                                  << text.size() << " written";
        // The message size counts the body's bytes as stored.
        EXPECT_GE(check::le32(props[0x0E08].value), props[0x1000].value.size()) << std::hex << nid;
    }
    for (const auto& [nid, text] : titles)
        EXPECT_TRUE(check::utf16ToUtf8(reading.properties(nid)[0x3A17].value) == text) << std::hex << nid;
}

} // namespace

// An item's NID and search key follow from its identity and the store's: the same in
// every store of that identity, whatever other items it holds and in whatever order they
// were added; a NID taken goes to the next free one, a name given twice gets a second
// identity of its own.
TEST(MessagingStore, ItemIdentitiesFollowFromTheirNamesInAnyOrder) {
    constexpr int kNames = 20000; // enough for some hashes to meet in the NID space
    auto identities = [](const std::string& file, const std::vector<int>& order) {
        auto store = MessageStore::create(tempStorePath(file), "Ids");
        store->setIdentity("replica:85257D1100C0FFEE");
        std::map<int, ItemIdentity> made;
        for (int n : order) made.emplace(n, store->newItemIdentity("unid:" + std::to_string(n)));
        return std::pair(store->uid(), made);
    };
    std::vector<int> all(kNames);
    for (int n = 0; n < kNames; ++n) all[n] = n;
    const auto [uid, first] = identities("ids1.pst", all);
    // The first choice of a NID: the search key's last four bytes into the lower half.
    auto firstChoice = [](const ItemIdentity& id) {
        const std::uint32_t hash = id.searchKey[12] | id.searchKey[13] << 8 | id.searchKey[14] << 16 |
                                   std::uint32_t(id.searchKey[15]) << 24;
        return 0x10001 + hash % (1u << 26);
    };
    std::set<std::uint32_t> nids, moved;
    for (const auto& [n, id] : first) {
        EXPECT_EQ(id.nid & 0x1F, 0x04u);
        EXPECT_TRUE(nids.insert(id.nid).second) << "NID " << id.nid << " given twice";
        if ((id.nid >> 5) != firstChoice(id)) moved.insert(n);
    }
    EXPECT_FALSE(moved.empty()) << "no NID was taken before: the probing went untried";

    // Another store of the identity, the names in reverse order with some left out: every
    // name keeps its search key, and its NID unless it met another name in either store
    // (a handful of 20,000).
    std::vector<int> reversed;
    for (int n = kNames - 1; n >= 0; --n)
        if (n % 7 != 3) reversed.push_back(n);
    const auto [sameUid, second] = identities("ids2.pst", reversed);
    EXPECT_EQ(sameUid, uid);
    std::size_t changed = 0;
    for (const auto& [n, id] : second) {
        EXPECT_EQ(id.searchKey, first.at(n).searchKey) << n;
        if (id.nid == first.at(n).nid) continue;
        ++changed;
        EXPECT_TRUE(moved.count(n) || (id.nid >> 5) != firstChoice(id)) << n;
    }
    EXPECT_LE(changed, 20u);
    // A name given again is another item; a store of another identity shares nothing.
    auto store = MessageStore::create(tempStorePath("ids3.pst"), "Ids");
    store->setIdentity("replica:85257D1100C0FFEF");
    const auto once = store->newItemIdentity("unid:1"), again = store->newItemIdentity("unid:1");
    EXPECT_NE(once.nid, again.nid);
    EXPECT_NE(once.searchKey, again.searchKey);
    EXPECT_NE(store->uid(), uid);
    EXPECT_NE(once.searchKey, first.at(1).searchKey);
}
