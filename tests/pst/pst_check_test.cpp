// The checker's own tests: Outlook's stores pass, and each kind of damage a writer can do
// to a store (bad CRCs, wrong root fields, allocation maps out of step, reference counts,
// B-tree order, folder bookkeeping) is reported. Damage is applied to copies of
// Outlook-written stores, with every checksum around it repaired, so only the fault shows.
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
    explicit DamagedStore(const std::string& name) : source_(referencePath(name))
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

struct Damage {
    const char* what;
    std::function<void(DamagedStore&)> apply;
    const char* expected; // a phrase of the problem the checker must report
};

TEST(PstCheck, ReportsEachKindOfDamage)
{
    REQUIRE_REFERENCES();
    const std::vector<Damage> cases = {
        {"header byte changed, CRCs left", [](DamagedStore& s) { s.bytes()[40] ^= 1; }, "dwCRCPartial"},
        {"header version", [](DamagedStore& s) { s.put16(10, 14); s.fixHeader(); }, "wVer is 14"},
        {"ibFileEof", [](DamagedStore& s) { s.put64(184, s.bytes().size() + 512); s.fixHeader(); }, "ibFileEof"},
        {"fAMapValid cleared", [](DamagedStore& s) { s.bytes()[248] = 0; s.fixHeader(); }, "fAMapValid"},
        {"cbAMapFree", [](DamagedStore& s) { s.put64(200, 64); s.fixHeader(); }, "cbAMapFree"},
        {"bidNextB too low", [](DamagedStore& s) { s.put64(516, 8); s.fixHeader(); }, "bidNextB"},
        {"rgnid behind the folders", [](DamagedStore& s) { s.put32(44 + 4 * 2, 0x400); s.fixHeader(); }, "rgnid[2]"},
        {"data block byte changed", [](DamagedStore& s) {
             Findings f;
             PstFile file(referencePath("outlook-contacts.pst"), f);
             s.bytes()[file.blocks().at(0x1A4).ib + 3] ^= 0x40;
         }, "trailer dwCRC"},
        {"block reference count", [](DamagedStore& s) {
             const auto at = s.leafEntry(0x80, 0x1A4);
             s.put16(at + 18, 3);
             s.fixPage(at / kPageSize * kPageSize);
         }, "cRef 3"},
        {"AMap loses a used block", [](DamagedStore& s) {
             Findings f;
             PstFile file(referencePath("outlook-contacts.pst"), f);
             const std::uint64_t unit = (file.blocks().at(0x1A4).ib - kFirstAMap) / 64;
             s.bytes()[kFirstAMap + unit / 8] &= std::uint8_t(~(0x80 >> (unit % 8)));
             s.fixPage(kFirstAMap);
         }, "in use but free in the AMap"},
        {"AMap page CRC", [](DamagedStore& s) { s.bytes()[kFirstAMap + 400] ^= 1; }, "AMap page at 0x4400: dwCRC"},
        {"NBT keys out of order", [](DamagedStore& s) {
             const auto at = s.leafEntry(0x81, 0x8142);
             s.put64(at, 0x8102);
             s.fixPage(at / kPageSize * kPageSize);
         }, "is not above the previous key"},
        {"message moved to another folder", [](DamagedStore& s) {
             const auto at = s.leafEntry(0x81, 0x2000C4);
             s.put32(at + 24, 0x8142);
             s.fixPage(at / kPageSize * kPageSize);
         }, "contents table lists"},
        {"folder moved under another folder", [](DamagedStore& s) {
             const auto at = s.leafEntry(0x81, 0x8122);
             s.put32(at + 24, 0x8042);
             s.fixPage(at / kPageSize * kPageSize);
         }, "hierarchy table lists"},
        {"node parent missing", [](DamagedStore& s) {
             const auto at = s.leafEntry(0x81, 0x8122);
             s.put32(at + 24, 0x7FE2);
             s.fixPage(at / kPageSize * kPageSize);
         }, "parent NID 0x7FE2 does not exist"},
        {"folder content count", [](DamagedStore& s) {
             // Calendar (NID 0x8122) holds one appointment; its PC says 1 at the
             // PidTagContentCount record (key 0x3602, type 3).
             s.editBlock(0xEFC, [](Bytes& pc) {
                 for (std::size_t i = 0; i + 8 <= pc.size(); ++i)
                     if (le16(pc.data() + i) == 0x3602 && le16(pc.data() + i + 2) == 3) pc[i + 4] = 2;
             });
         }, "PidTagContentCount is 2"},
        {"heap page map decreasing", [](DamagedStore& s) {
             s.editBlock(0xEFC, [](Bytes& heap) {
                 const std::size_t map = le16(heap.data());
                 heap[map + 4 + 2 * 2] = 0xFF; // rgibAlloc[2] past rgibAlloc[3]
             });
         }, "rgibAlloc decreases"},
        {"name-to-ID map bucket count", [](DamagedStore& s) {
             Findings f;
             PstFile file(referencePath("outlook-contacts.pst"), f);
             s.editBlock(file.node(0x61)->bidData, [](Bytes& pc) {
                 // The PC record of PidTagNameidBucketCount: key 0x0001, type 0x0003, 251 inline.
                 for (std::size_t i = 0; i + 8 <= pc.size(); ++i)
                     if (le16(pc.data() + i) == 0x0001 && le16(pc.data() + i + 2) == 3 && le32(pc.data() + i + 4) == 251) {
                         pc[i + 4] = 250;
                         return;
                     }
             });
         }, "hash bucket"},
        {"file truncated", [](DamagedStore& s) { s.bytes().resize(s.bytes().size() - 512); }, "ibFileEof"},
    };
    for (const Damage& d : cases) {
        DamagedStore store("outlook-contacts.pst");
        d.apply(store);
        const auto problems = store.check();
        EXPECT_TRUE(mentions(problems, d.expected)) << d.what << ": expected a problem mentioning \"" << d.expected
                                                    << "\", got:\n" << joined(problems);
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
