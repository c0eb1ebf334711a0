// The checker's own tests: Outlook's stores pass, and each kind of damage a writer can do
// to a store (bad CRCs, wrong root fields, allocation maps out of step, reference counts,
// B-tree order, folder bookkeeping) is reported. Damage is applied to copies of stores
// this project writes and, where they are on the machine, of Outlook-written stores,
// with every checksum around it repaired, so only the fault shows.
#include "pst/messaging/message_store.h"
#include "pst_checker.h"
#include "pst_dump.h"
#include "pst_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace brenmoor::pstcheck {
namespace {

const std::string kReference = BRENMOOR_REFERENCE_DIR "/";

std::string referencePath(const std::string& name)
{
    return kReference + name;
}

bool haveReferences() { return std::filesystem::exists(referencePath("outlook-contacts.pst")); }

#define REQUIRE_REFERENCES() \
    if (!haveReferences()) GTEST_SKIP() << "Outlook-written reference stores are not on this machine"

// A store's bytes, damaged on purpose and written to a temporary file.
class DamagedStore {
public:
    explicit DamagedStore(const std::string& source) : source_(source)
    {
        std::ifstream in(source_, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), {});
        path_ = (std::filesystem::temp_directory_path() /
                 ("pst_check_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++) + ".pst"))
                    .string();
    }
    ~DamagedStore() { std::filesystem::remove(path_); }

    Bytes& bytes() { return bytes_; }
    void put16(std::uint64_t at, std::uint16_t v) { for (int i = 0; i < 2; ++i) bytes_[at + i] = std::uint8_t(v >> (8 * i)); }
    void put32(std::uint64_t at, std::uint32_t v) { for (int i = 0; i < 4; ++i) bytes_[at + i] = std::uint8_t(v >> (8 * i)); }
    void put64(std::uint64_t at, std::uint64_t v) { for (int i = 0; i < 8; ++i) bytes_[at + i] = std::uint8_t(v >> (8 * i)); }

    void fixHeader()
    {
        put32(4, pstCrc(bytes_.data() + 8, 471));
        put32(524, pstCrc(bytes_.data() + 8, 516));
    }
    void fixPage(std::uint64_t ib) { put32(ib + 500, pstCrc(bytes_.data() + ib, 496)); }

    // Offset of the leaf entry of the given B-tree (0x80 block, 0x81 node) with this key,
    // found by descending from the root the header names.
    std::uint64_t leafEntry(std::uint8_t ptype, std::uint64_t key)
    {
        std::uint64_t ib = le64(bytes_.data() + (ptype == 0x81 ? 224 : 240));
        for (int depth = 0; depth < 8; ++depth) {
            const std::uint8_t* p = bytes_.data() + ib;
            const int count = p[488], size = p[490];
            int chosen = -1;
            for (int i = 0; i < count; ++i)
                if (le64(p + i * size) <= key) chosen = i;
            if (chosen < 0) break;
            if (p[491] == 0) {
                if (le64(p + chosen * size) == key) return ib + chosen * size;
                break;
            }
            ib = le64(p + chosen * size + 16);
        }
        ADD_FAILURE() << "no leaf entry for key " << key;
        return 0;
    }

    // Decodes a data block, lets edit change it, encodes it again and repairs its CRC.
    void editBlock(std::uint64_t bid, const std::function<void(Bytes&)>& edit)
    {
        Findings ignored;
        PstFile file(source_, ignored);
        const BlockEntry& b = file.blocks().at(bid);
        Bytes payload = *file.block(bid, "test");
        edit(payload);
        ASSERT_EQ(payload.size(), b.cb);
        std::uint8_t encode[256];
        for (int i = 0; i < 256; ++i) {
            std::uint8_t x = std::uint8_t(i);
            unpermute(&x, 1);
            encode[x] = std::uint8_t(i);
        }
        for (std::size_t i = 0; i < payload.size(); ++i) bytes_[b.ib + i] = isInternalBid(bid) ? payload[i] : encode[payload[i]];
        put32(b.ib + blockSpan(b.cb) - 12, pstCrc(bytes_.data() + b.ib, b.cb));
    }

    std::vector<std::string> check()
    {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
        return checkPstFile(path_);
    }

private:
    static inline int counter_ = 0;
    std::string source_, path_;
    Bytes bytes_;
};

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

bool mentions(const std::vector<std::string>& problems, const std::string& text)
{
    for (const auto& p : problems)
        if (p.find(text) != std::string::npos) return true;
    return false;
}

TEST(PstCheck, OutlookWrittenStoresPass)
{
    REQUIRE_REFERENCES();
    for (const char* name : {"outlook-contacts.pst", "outlook-one-folder.pst"}) {
        const auto problems = checkPstFile(referencePath(name));
        EXPECT_TRUE(problems.empty()) << name << ":\n" << joined(problems);
    }
}

TEST(PstCheck, AMissingOrTinyFileIsOneClearProblem)
{
    auto problems = checkPstFile("/nonexistent/dir/store.pst");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("cannot open"), std::string::npos);

    const auto tiny = (std::filesystem::temp_directory_path() / "pst_check_test_tiny.pst").string();
    std::ofstream(tiny) << "!BDN";
    problems = checkPstFile(tiny);
    std::filesystem::remove(tiny);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("too short"), std::string::npos);
}

// The nodes and blocks of a store that the damage is done to.
struct Subject {
    std::string path;
    std::uint64_t dataBlock = 0;     // a data block of a message
    std::uint32_t message = 0;       // a message, and a folder other than its own
    std::uint32_t otherFolder = 0;
    std::uint32_t folder = 0;        // the message's folder (its PC holds the content count)
    std::uint64_t folderBlock = 0;   // that PC's block
    std::uint32_t folderToMove = 0;  // a user folder, and a folder it is not under
    std::uint32_t newParent = 0;
};

// The subject nodes of a store: its first message and folder found by walking the
// node B-tree.
Subject subjectOf(const std::string& path)
{
    Findings f;
    PstFile file(path, f);
    Subject s;
    s.path = path;
    for (const auto& [nid, n] : file.nodes())
        if (nidType(nid) == 0x04 && !s.message) {
            s.message = std::uint32_t(nid);
            s.folder = n.parent;
            s.dataBlock = n.bidData;
        }
    s.folderBlock = file.node(s.folder)->bidData;
    for (const auto& [nid, n] : file.nodes())
        if (nidType(nid) == 0x02 && nid != s.folder && (nid >> 5) >= 0x404 && !s.otherFolder) // a user folder
            s.otherFolder = std::uint32_t(nid);
    s.folderToMove = s.folder;
    s.newParent = 0x8042; // the search root
    return s;
}

// A store of our own writing: two user folders, contacts in one of them.
std::string writeOwnStore()
{
    using namespace brenmoor::pst::messaging;
    const auto path = (std::filesystem::temp_directory_path() /
                       ("pst_check_test_own_" + std::to_string(::getpid()) + ".pst")).string();
    std::filesystem::remove(path);
    auto store = MessageStore::create(path, "Damage Tests");
    Folder& contacts = store->rootFolder().addSubfolder("Contacts");
    store->rootFolder().addSubfolder("Other");
    for (const char* name : {"Ann", "Bo"}) {
        ContactItem item = contacts.Items().Add("IPM.Contact");
        item.setText(ContactField::GivenName, name);
        item.save();
    }
    store->flush();
    return path;
}

struct Damage {
    const char* what;
    std::function<void(DamagedStore&, const Subject&)> apply;
    const char* expected; // a phrase of the problem the checker must report
};

// Each kind of damage, applied to a copy of the store at path, must be reported.
void expectEachDamageReported(const Subject& subject)
{
    const std::vector<Damage> cases = {
        {"header byte changed, CRCs left", [](DamagedStore& s, const Subject&) { s.bytes()[40] ^= 1; }, "dwCRCPartial"},
        {"header version", [](DamagedStore& s, const Subject&) { s.put16(10, 14); s.fixHeader(); }, "wVer is 14"},
        {"ibFileEof", [](DamagedStore& s, const Subject&) { s.put64(184, s.bytes().size() + 512); s.fixHeader(); }, "ibFileEof"},
        {"fAMapValid cleared", [](DamagedStore& s, const Subject&) { s.bytes()[248] = 0; s.fixHeader(); }, "fAMapValid"},
        {"cbAMapFree", [](DamagedStore& s, const Subject&) { s.put64(200, 64); s.fixHeader(); }, "cbAMapFree"},
        {"bidNextB too low", [](DamagedStore& s, const Subject&) { s.put64(516, 8); s.fixHeader(); }, "bidNextB"},
        {"rgnid behind the folders", [](DamagedStore& s, const Subject&) { s.put32(44 + 4 * 2, 0x400); s.fixHeader(); }, "rgnid[2]"},
        {"data block byte changed", [](DamagedStore& s, const Subject& subject) {
             Findings f;
             PstFile file(subject.path, f);
             s.bytes()[file.blocks().at(subject.dataBlock).ib + 3] ^= 0x40;
         }, "trailer dwCRC"},
        {"block reference count", [](DamagedStore& s, const Subject& subject) {
             const auto at = s.leafEntry(0x80, subject.dataBlock);
             s.put16(at + 18, 3);
             s.fixPage(at / kPageSize * kPageSize);
         }, "cRef 3"},
        {"AMap loses a used block", [](DamagedStore& s, const Subject& subject) {
             Findings f;
             PstFile file(subject.path, f);
             const std::uint64_t unit = (file.blocks().at(subject.dataBlock).ib - kFirstAMap) / 64;
             const std::uint64_t amap = kFirstAMap + unit / 3968 * kAMapCoverage;
             s.bytes()[amap + unit % 3968 / 8] &= std::uint8_t(~(0x80 >> (unit % 8)));
             s.fixPage(amap);
         }, "in use but free in the AMap"},
        {"AMap page CRC", [](DamagedStore& s, const Subject&) { s.bytes()[kFirstAMap + 400] ^= 1; }, "AMap page at 0x4400: dwCRC"},
        {"NBT keys out of order", [](DamagedStore& s, const Subject& subject) {
             // A leaf entry after the first of its page gets a key below all others.
             auto at = s.leafEntry(0x81, subject.message);
             if (at % kPageSize == 0) at += 32;
             s.put64(at, 0x1);
             s.fixPage(at / kPageSize * kPageSize);
         }, "is not above the previous key"},
        {"message moved to another folder", [](DamagedStore& s, const Subject& subject) {
             const auto at = s.leafEntry(0x81, subject.message);
             s.put32(at + 24, subject.otherFolder);
             s.fixPage(at / kPageSize * kPageSize);
         }, "contents table lists"},
        {"folder moved under another folder", [](DamagedStore& s, const Subject& subject) {
             const auto at = s.leafEntry(0x81, subject.folderToMove);
             s.put32(at + 24, subject.newParent);
             s.fixPage(at / kPageSize * kPageSize);
         }, "hierarchy table lists"},
        {"node parent missing", [](DamagedStore& s, const Subject& subject) {
             const auto at = s.leafEntry(0x81, subject.folderToMove);
             s.put32(at + 24, 0x7FE2);
             s.fixPage(at / kPageSize * kPageSize);
         }, "parent NID 0x7FE2 does not exist"},
        {"folder content count", [](DamagedStore& s, const Subject& subject) {
             // The folder's PC record of PidTagContentCount (key 0x3602, type 3).
             s.editBlock(subject.folderBlock, [](Bytes& pc) {
                 for (std::size_t i = 0; i + 8 <= pc.size(); ++i)
                     if (le16(pc.data() + i) == 0x3602 && le16(pc.data() + i + 2) == 3) pc[i + 4] = 7;
             });
         }, "PidTagContentCount is 7"},
        {"heap page map decreasing", [](DamagedStore& s, const Subject& subject) {
             s.editBlock(subject.folderBlock, [](Bytes& heap) {
                 const std::size_t map = le16(heap.data());
                 heap[map + 4 + 2 * 2] = 0xFF; // rgibAlloc[2] past rgibAlloc[3]
             });
         }, "rgibAlloc decreases"},
        {"name-to-ID map bucket count", [](DamagedStore& s, const Subject& subject) {
             Findings f;
             PstFile file(subject.path, f);
             s.editBlock(file.node(0x61)->bidData, [](Bytes& pc) {
                 // The PC record of PidTagNameidBucketCount: key 0x0001, type 0x0003, 251 inline.
                 for (std::size_t i = 0; i + 8 <= pc.size(); ++i)
                     if (le16(pc.data() + i) == 0x0001 && le16(pc.data() + i + 2) == 3 && le32(pc.data() + i + 4) == 251) {
                         pc[i + 4] = 250;
                         return;
                     }
             });
         }, "hash bucket"},
        {"file truncated", [](DamagedStore& s, const Subject&) {
             const std::size_t size = s.bytes().size();
             s.bytes().resize(size > 512 ? size - 512 : 0);
         }, "ibFileEof"},
    };
    ASSERT_TRUE(subject.message && subject.otherFolder && subject.dataBlock) << subject.path;
    EXPECT_EQ(joined(checkPstFile(subject.path)), "") << "the undamaged store " << subject.path;
    for (const Damage& d : cases) {
        DamagedStore store(subject.path);
        d.apply(store, subject);
        const auto problems = store.check();
        EXPECT_TRUE(mentions(problems, d.expected)) << subject.path << ", " << d.what
                                                    << ": expected a problem mentioning \"" << d.expected
                                                    << "\", got:\n" << joined(problems);
    }
}

TEST(PstCheck, ReportsEachKindOfDamageToOurStores)
{
    const std::string path = writeOwnStore();
    expectEachDamageReported(subjectOf(path));
    std::filesystem::remove(path);
}

TEST(PstCheck, ReportsEachKindOfDamageToOutlooksStores)
{
    REQUIRE_REFERENCES();
    Subject outlook = subjectOf(referencePath("outlook-contacts.pst"));
    // Its Calendar holds one appointment; the contacts folder is another folder.
    outlook.message = 0x2000C4;
    outlook.folder = 0x8122;
    outlook.otherFolder = 0x8142;
    outlook.dataBlock = 0x1A4;
    outlook.folderBlock = 0xEFC;
    outlook.folderToMove = 0x8122;
    expectEachDamageReported(outlook);
}

TEST(PstCheck, AContentsRowThatDiffersFromItsMessageIsReported)
{
    using namespace brenmoor::pst;
    using namespace brenmoor::pst::messaging;
    const auto subject = ltp::makeTag(0x0037, ltp::PT_UNICODE), flags = ltp::makeTag(0x0E07, ltp::PT_LONG),
               sentRepresenting = ltp::makeTag(0x0042, ltp::PT_UNICODE);
    struct WrongRow {
        const char* what;
        std::map<ltp::PropTag, ltp::PropValue> row; // recorded for the message after its save
        const char* expected;
    };
    const WrongRow cases[] = {
        {"a text the message does not hold", {{subject, ltp::PropValue::unicode("\x01\x01Someone else")}},
         "column 0x0037001F holds"},
        {"a number the message does not hold", {{flags, ltp::PropValue::int32(0)}}, "column 0x0E070003 holds"},
        {"a cell the message has no property for", {{sentRepresenting, ltp::PropValue::unicode("Ann")}},
         "the object has no such property"},
    };
    for (const WrongRow& c : cases) {
        const auto path = (std::filesystem::temp_directory_path() /
                           ("pst_check_test_row_" + std::to_string(::getpid()) + ".pst")).string();
        std::filesystem::remove(path);
        {
            auto store = MessageStore::create(path, "Wrong Rows");
            Folder& contacts = store->rootFolder().addSubfolder("Contacts");
            ContactItem item = contacts.Items().Add("IPM.Contact");
            item.setText(ContactField::GivenName, "Ann");
            item.save();
            store->flush();
            EXPECT_EQ(joined(checkPstFile(path)), "") << "the store before the wrong row";
            contacts.recordItem(item.nid(), c.row, false);
            store->flush();
        }
        const auto problems = checkPstFile(path);
        EXPECT_TRUE(mentions(problems, c.expected) && mentions(problems, "contents row of"))
            << c.what << ": expected a problem mentioning \"" << c.expected << "\", got:\n" << joined(problems);
        std::filesystem::remove(path);
    }
}

TEST(PstCheck, DumpShowsHeaderNodesPropertiesAndRows)
{
    REQUIRE_REFERENCES();
    std::ostringstream out;
    ASSERT_TRUE(dumpPstFile(referencePath("outlook-contacts.pst"), out));
    const std::string dump = out.str();
    for (const char* line : {
             "wMagicClient 0x4D53, wVer 23, wVerClient 19",
             "ibFileEof 0x42400 (file 0x42400)",
             "node 0x2000C4 type 0x04 data 0x12D0 sub 0x12CA parent 0x8122",
             "0x3001001F [heap 0x00000060] \"Calendar\"",
             "0x36020003 [inline] 1 (0x00000001)",
             "0x360A000B [inline] false",
             "0x3001001F \"contact name 1\"",
         })
        EXPECT_NE(dump.find(line), std::string::npos) << "missing: " << line;
    EXPECT_EQ(dump.find("problem:"), std::string::npos);
}

} // namespace
} // namespace brenmoor::pstcheck
