// Writes stores with the node database writer and reads them back with a small
// independent reader that checks every trailer, CRC and signature on the way: header,
// B-trees, block trees, allocation maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "pst/ndb/format.h"
#include "pst/ndb/node_database.h"
#include "pst/ndb/permute.h"
#include "pst/util/crc.h"

namespace fs = std::filesystem;
using namespace brenmoor::pst;
using namespace brenmoor::pst::ndb;

namespace {

std::string tempPath(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("ndb_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / name;
    fs::remove(path);
    return path.string();
}

Bytes pattern(std::size_t size, std::uint32_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = std::uint8_t((i * 31 + seed * 7 + (i >> 8)) & 0xFF);
    return b;
}

// Reads a whole store into memory and walks it, failing the test on any structure
// that is not as the format defines.
struct StoreReader {
    struct NodeEntry {
        std::uint64_t bidData, bidSub;
        std::uint32_t parent;
    };
    struct BlockEntry {
        std::uint64_t ib;
        std::uint16_t cb, refs;
    };

    std::vector<std::uint8_t> file;
    std::map<std::uint64_t, NodeEntry> nodes;
    std::map<std::uint64_t, BlockEntry> blocks;
    std::vector<std::uint64_t> btreePages;
    int nbtLevels = 0;
    std::set<std::uint64_t> seenBlocks; // blocks reached from the NBT
    std::vector<std::uint64_t> fmaps;

    bool outlookRefCounts = true; // our blocks carry the count Outlook gives a singly held block

    explicit StoreReader(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        file.assign(std::istreambuf_iterator<char>(in), {});
        EXPECT_GE(file.size(), std::size_t(kFirstAMapOffset + kRegionSize));
        EXPECT_EQ(0, std::memcmp(file.data(), "!BDN", 4));
        EXPECT_EQ(getU32(&file[4]), computeCrc(&file[8], 471));
        EXPECT_EQ(getU32(&file[524]), computeCrc(&file[8], 516));
        EXPECT_EQ(u64(180 + 4), file.size()); // ibFileEof
        EXPECT_EQ(file[180 + 68], 2);         // fAMapValid: the maps are trustworthy
        nbtLevels = walk(u64(180 + 44), u64(180 + 36), PTYPE_NBT, -1, 0, true);
        walk(u64(180 + 60), u64(180 + 52), PTYPE_BBT, -1, 0, true);
    }

    std::uint64_t u64(std::size_t at) const { return getU64(&file[at]); }

    void checkPageTrailer(std::uint64_t ib, std::uint8_t type, std::uint64_t bid) const
    {
        const std::uint8_t* t = &file[ib + kPageDataSize];
        EXPECT_EQ(t[0], type) << "page at " << ib;
        EXPECT_EQ(t[1], type) << "page at " << ib;
        const bool map = type == PTYPE_AMAP || type == PTYPE_PMAP || type == PTYPE_FMAP || type == PTYPE_FPMAP;
        EXPECT_EQ(getU16(t + 2), map ? 0 : computeSig(ib, bid)) << "page at " << ib;
        EXPECT_EQ(getU32(t + 4), computeCrc(&file[ib], kPageDataSize)) << "page at " << ib;
        EXPECT_EQ(getU64(t + 8), map ? ib : bid) << "page at " << ib;
    }

    // Walks one B-tree page; returns the depth below it. Checks order and that index
    // keys are the first keys of their children.
    int walk(std::uint64_t ib, std::uint64_t bid, std::uint8_t type, int level, std::uint64_t key, bool first)
    {
        EXPECT_EQ(ib % kPageSize, 0u);
        checkPageTrailer(ib, type, bid);
        btreePages.push_back(ib);
        const std::uint8_t* p = &file[ib];
        const int cEnt = p[488], cEntMax = p[489], cbEnt = p[490], cLevel = p[491];
        if (level >= 0) { EXPECT_EQ(cLevel, level); }
        EXPECT_EQ(cEntMax, 488 / cbEnt);
        EXPECT_LE(cEnt, cEntMax);
        if (cLevel > 0) {
            EXPECT_EQ(cbEnt, 24);
            int depth = 0;
            for (int i = 0; i < cEnt; ++i) {
                const std::uint8_t* e = p + 24 * i;
                if (i == 0 && !first) { EXPECT_EQ(getU64(e), key); }
                if (i > 0) { EXPECT_GT(getU64(e), getU64(e - 24)); }
                depth = walk(getU64(e + 16), getU64(e + 8), type, cLevel - 1, getU64(e), i == 0 && first);
            }
            return depth + 1;
        }
        EXPECT_EQ(cbEnt, type == PTYPE_NBT ? 32 : 24);
        for (int i = 0; i < cEnt; ++i) {
            const std::uint8_t* e = p + cbEnt * i;
            if (i == 0 && !first) { EXPECT_EQ(getU64(e), key); }
            if (type == PTYPE_NBT) {
                EXPECT_TRUE(nodes.empty() || getU64(e) > nodes.rbegin()->first);
                nodes[getU64(e)] = {getU64(e + 8), getU64(e + 16), getU32(e + 24)};
            } else {
                EXPECT_TRUE(blocks.empty() || getU64(e) > blocks.rbegin()->first);
                blocks[getU64(e)] = {getU64(e + 8), getU16(e + 16), getU16(e + 18)};
            }
        }
        return 1;
    }

    // A block's payload, decoded, after checking its trailer.
    Bytes block(std::uint64_t bid)
    {
        seenBlocks.insert(bid);
        auto it = blocks.find(bid);
        if (it == blocks.end()) {
            ADD_FAILURE() << "block " << bid << " not in the block B-tree";
            return {};
        }
        const auto [ib, cb, refs] = it->second;
        if (outlookRefCounts) { EXPECT_EQ(refs, 2); }
        const std::uint64_t size = blockDiskSize(cb);
        EXPECT_EQ(ib % 64, 0u);
        EXPECT_EQ((ib - kFirstAMapOffset) / kRegionSize, (ib + size - 1 - kFirstAMapOffset) / kRegionSize)
            << "block crosses a region";
        const std::uint8_t* t = &file[ib + size - 16];
        EXPECT_EQ(getU16(t), cb);
        EXPECT_EQ(getU16(t + 2), computeSig(ib, bid));
        EXPECT_EQ(getU32(t + 4), computeCrc(&file[ib], cb));
        EXPECT_EQ(getU64(t + 8), bid);
        Bytes data(file.begin() + long(ib), file.begin() + long(ib + cb));
        if (!(bid & kInternalBidBit)) permuteDecode(data.data(), data.size());
        return data;
    }

    // A data tree's bytes; `leaves` receives the sizes of its data blocks.
    Bytes data(std::uint64_t bid, std::vector<std::size_t>* leaves = nullptr, int* depth = nullptr)
    {
        if (depth) *depth = 0;
        if (bid == 0) return {};
        Bytes b = block(bid);
        if (!(bid & kInternalBidBit)) {
            if (leaves) leaves->push_back(b.size());
            return b;
        }
        EXPECT_EQ(b[0], 0x01);
        const int level = b[1];
        if (depth) *depth = level;
        const std::size_t count = getU16(&b[2]);
        EXPECT_EQ(b.size(), 8 + 8 * count);
        Bytes out;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t child = getU64(&b[8 + 8 * i]);
            if (level == 2) { EXPECT_TRUE(child & kInternalBidBit); }
            if (level == 1) { EXPECT_FALSE(child & kInternalBidBit); }
            Bytes part = data(child, leaves);
            out.insert(out.end(), part.begin(), part.end());
        }
        EXPECT_EQ(getU32(&b[4]), out.size());
        return out;
    }

    // A subnode tree: NID -> (data BID, subnode BID), in order; `levels` gets its depth.
    std::vector<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>> subnodes(std::uint64_t bid, int* levels = nullptr)
    {
        std::vector<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>> out;
        if (bid == 0) return out;
        Bytes b = block(bid);
        EXPECT_TRUE(bid & kInternalBidBit);
        EXPECT_EQ(b[0], 0x02);
        const std::size_t count = getU16(&b[2]);
        if (levels) *levels = b[1] + 1;
        if (b[1] == 0) {
            EXPECT_EQ(b.size(), 8 + 24 * count);
            for (std::size_t i = 0; i < count; ++i)
                out.emplace_back(getU64(&b[8 + 24 * i]), getU64(&b[16 + 24 * i]), getU64(&b[24 + 24 * i]));
        } else {
            EXPECT_EQ(b.size(), 8 + 16 * count);
            for (std::size_t i = 0; i < count; ++i) {
                auto part = subnodes(getU64(&b[16 + 16 * i]));
                EXPECT_EQ(std::get<0>(part.front()), getU64(&b[8 + 16 * i]));
                out.insert(out.end(), part.begin(), part.end());
            }
        }
        for (std::size_t i = 1; i < out.size(); ++i) EXPECT_LT(std::get<0>(out[i - 1]), std::get<0>(out[i]));
        return out;
    }

    Bytes nodeData(Nid nid)
    {
        auto it = nodes.find(nid);
        if (it == nodes.end()) {
            ADD_FAILURE() << "node " << nid << " missing";
            return {};
        }
        return data(it->second.bidData);
    }

    // Visits every node's trees, so seenBlocks holds every block in use.
    void visitAll()
    {
        std::function<void(std::uint64_t)> visitSub = [&](std::uint64_t bid) {
            for (auto [nid, d, s] : subnodes(bid)) {
                data(d);
                visitSub(s);
            }
        };
        for (auto& [nid, e] : nodes) {
            data(e.bidData);
            visitSub(e.bidSub);
        }
    }

    // The allocation maps must mark exactly the space in use: map pages, B-tree pages,
    // the blocks of the block B-tree; nothing twice. Every block must be reachable.
    void checkAllocation()
    {
        visitAll();
        EXPECT_EQ(seenBlocks.size(), blocks.size()) << "blocks in the block B-tree that no node uses";
        const std::uint64_t regions = (file.size() - kFirstAMapOffset) / kRegionSize;
        EXPECT_EQ((file.size() - kFirstAMapOffset) % kRegionSize, 0u);
        std::vector<bool> used(regions * kSlotsPerRegion, false);
        auto take = [&](std::uint64_t ib, std::uint64_t size) {
            for (std::uint64_t off = ib; off < ib + size; off += 64) {
                const std::uint64_t slot = (off - kFirstAMapOffset) / 64;
                EXPECT_FALSE(used.at(slot)) << "space at " << off << " used twice";
                used[slot] = true;
            }
        };
        for (std::uint64_t r = 0; r < regions; ++r) {
            const std::uint64_t start = regionStart(r);
            take(start, kPageSize);
            checkPageTrailer(start, PTYPE_AMAP, start);
            std::uint64_t at = start + kPageSize;
            if (r % 8 == 0) {
                take(at, kPageSize);
                checkPageTrailer(at, PTYPE_PMAP, at);
                at += kPageSize;
            }
            if (r >= 128 && (r - 128) % 496 == 0) {
                take(at, kPageSize);
                checkPageTrailer(at, PTYPE_FMAP, at);
                fmaps.push_back(at);
                at += kPageSize;
            }
            if (r >= 8192 && (r - 8192) % 31744 == 0) {
                take(at, kPageSize);
                checkPageTrailer(at, PTYPE_FPMAP, at);
            }
        }
        for (std::uint64_t ib : btreePages) take(ib, kPageSize);
        for (auto& [bid, e] : blocks) take(e.ib, blockDiskSize(e.cb));
        std::uint64_t freeSlots = 0;
        for (std::uint64_t r = 0; r < regions; ++r) {
            const std::uint8_t* bits = &file[regionStart(r)];
            for (std::uint64_t s = 0; s < kSlotsPerRegion; ++s) {
                const bool bit = bits[s / 8] & (0x80 >> (s % 8));
                EXPECT_EQ(bit, used[r * kSlotsPerRegion + s]) << "AMap bit of offset " << regionStart(r) + s * 64;
                if (!bit) ++freeSlots;
            }
        }
        // A free map's byte: the longest run of free slots in its region, at most 255.
        for (std::uint64_t fmap : fmaps) {
            const std::uint64_t first = (fmap - kFirstAMapOffset) / kRegionSize;
            for (std::uint64_t i = 0; i < 496; ++i) {
                std::uint64_t best = 0, run = 0;
                for (std::uint64_t s = 0; first + i < regions && s < kSlotsPerRegion; ++s) {
                    run = used[(first + i) * kSlotsPerRegion + s] ? 0 : run + 1;
                    best = std::max(best, run);
                }
                EXPECT_EQ(file[fmap + i], std::min<std::uint64_t>(best, 255)) << "free map byte " << i;
            }
        }
        EXPECT_EQ(u64(180 + 20), freeSlots * 64);                    // cbAMapFree
        EXPECT_EQ(u64(180 + 12), regionStart(regions - 1));          // ibAMapLast
    }
};

class NodeDatabaseTest : public ::testing::Test {
protected:
    std::string path = tempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove(path, ignored);
        fs::remove(fs::path(path).parent_path(), ignored); // once empty
    }
};

TEST_F(NodeDatabaseTest, EmptyStoreMatchesOutlooksNewStoreLayout)
{
    {
        NodeDatabaseWriter writer(path);
        writer.commit();
    }
    StoreReader store(path);
    const auto& f = store.file;
    // The header fields Outlook writes for a new Unicode store.
    EXPECT_EQ(getU16(&f[8]), 0x4D53);  // "SM"
    EXPECT_EQ(getU16(&f[10]), 23);
    EXPECT_EQ(getU16(&f[12]), 19);
    EXPECT_EQ(f[14], 1);
    EXPECT_EQ(f[15], 1);
    EXPECT_EQ(f[180 + 68], 2);         // fAMapValid
    EXPECT_EQ(f[512], 0x80);           // bSentinel
    EXPECT_EQ(f[513], 1);              // permute
    for (std::size_t i = 256; i < 512; ++i) ASSERT_EQ(f[i], 0xFF) << i;
    for (std::size_t i = 528; i < 564; ++i) ASSERT_EQ(f[i], 0) << i;
    // One region, as in Outlook's own small stores: 271,360 bytes.
    EXPECT_EQ(f.size(), 271360u);
    // Empty B-trees are single empty leaves.
    EXPECT_TRUE(store.nodes.empty());
    EXPECT_TRUE(store.blocks.empty());
    EXPECT_EQ(store.nbtLevels, 1);
    // The density list at 0x4200 carries no entries and a valid trailer.
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(f[kDensityListOffset + i], 0);
    store.checkPageTrailer(kDensityListOffset, PTYPE_DLIST, getU64(&f[kDensityListOffset + 504]));
    // Next-NID counters start where Outlook's do.
    EXPECT_EQ(getU32(&f[44 + 4 * NID_TYPE_NORMAL_FOLDER]), 0x400u);
    EXPECT_EQ(getU32(&f[44 + 4 * NID_TYPE_SEARCH_FOLDER]), 0x4000u);
    EXPECT_EQ(getU32(&f[44 + 4 * NID_TYPE_NORMAL_MESSAGE]), 0x10000u);
    EXPECT_EQ(getU32(&f[44 + 4 * NID_TYPE_ASSOC_MESSAGE]), 0x8000u);
    store.checkAllocation();
}

TEST_F(NodeDatabaseTest, DataTreesDirectXBlockAndXXBlock)
{
    const Nid direct = makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000);
    const Nid viaX = makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10001);
    const Nid viaXX = makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10002);
    const Nid empty = makeNid(NID_TYPE_INTERNAL, 0x10);
    const Nid folder = makeNid(NID_TYPE_NORMAL_FOLDER, 0x400);
    NodeContent one{{pattern(kMaxBlockData, 1)}, {}};
    NodeContent three{{pattern(100, 2), pattern(kMaxBlockData, 3), pattern(1, 4)}, {}};
    NodeContent many;
    for (std::size_t i = 0; i < 1030; ++i) many.blocks.push_back(pattern(16 + i % 40, std::uint32_t(i)));
    {
        NodeDatabaseWriter writer(path);
        writer.putNode(direct, folder, one);
        writer.putNode(viaX, folder, three);
        writer.putNode(viaXX, folder, many);
        writer.putNode(empty, 0, {});
        EXPECT_TRUE(writer.hasNode(viaX));
        EXPECT_FALSE(writer.hasNode(folder));
        writer.commit();
    }
    StoreReader store(path);
    auto concat = [](const NodeContent& c) {
        Bytes all;
        for (const Bytes& b : c.blocks) all.insert(all.end(), b.begin(), b.end());
        return all;
    };
    for (auto [nid, content, depth] : {std::tuple{direct, &one, 0}, {viaX, &three, 1}, {viaXX, &many, 2}}) {
        std::vector<std::size_t> leaves;
        int d = -1;
        EXPECT_EQ(store.data(store.nodes.at(nid).bidData, &leaves, &d), concat(*content)) << nid;
        EXPECT_EQ(d, depth) << nid;
        ASSERT_EQ(leaves.size(), content->blocks.size());
        for (std::size_t i = 0; i < leaves.size(); ++i) EXPECT_EQ(leaves[i], content->blocks[i].size());
        EXPECT_EQ(store.nodes.at(nid).parent, folder);
    }
    EXPECT_EQ(store.nodes.at(empty).bidData, 0u);
    // Data blocks are stored permuted: the raw bytes are not the payload.
    const auto& e = store.blocks.at(store.nodes.at(direct).bidData);
    EXPECT_NE(0, std::memcmp(&store.file[e.ib], one.blocks[0].data(), 64));
    store.checkAllocation();
}

TEST_F(NodeDatabaseTest, SubnodeTreesThroughSLBlockAndSIBlock)
{
    const Nid message = makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000);
    NodeContent content{{pattern(300, 9)}, {}};
    // 700 subnodes in reverse order: two levels; one of them with subnodes of its own.
    for (std::uint32_t i = 700; i > 0; --i) content.subnodes.push_back({makeNid(NID_TYPE_LTP, i), NodeContent{{pattern(20 + i % 50, i)}, {}}});
    NodeContent attachment{{pattern(50, 77)}, {{makeNid(NID_TYPE_LTP, 1), NodeContent{{pattern(9000 % kMaxBlockData, 5), pattern(10, 6)}, {}}}}};
    content.subnodes.push_back({makeNid(NID_TYPE_ATTACHMENT, 0x1000), attachment});
    {
        NodeDatabaseWriter writer(path);
        writer.putNode(message, 0, content);
        writer.commit();
    }
    StoreReader store(path);
    int levels = 0;
    const auto subs = store.subnodes(store.nodes.at(message).bidSub, &levels);
    EXPECT_EQ(levels, 2);
    ASSERT_EQ(subs.size(), 701u);
    for (std::uint32_t i = 1; i <= 700; ++i) {
        EXPECT_EQ(std::get<0>(subs[i - 1]), makeNid(NID_TYPE_LTP, i));
        EXPECT_EQ(store.data(std::get<1>(subs[i - 1])), pattern(20 + i % 50, i));
        EXPECT_EQ(std::get<2>(subs[i - 1]), 0u);
    }
    const auto& [nid, dataBid, subBid] = subs[700];
    EXPECT_EQ(nid, makeNid(NID_TYPE_ATTACHMENT, 0x1000));
    EXPECT_EQ(store.data(dataBid), attachment.blocks[0]);
    const auto nested = store.subnodes(subBid, &levels);
    EXPECT_EQ(levels, 1);
    ASSERT_EQ(nested.size(), 1u);
    Bytes expected = attachment.subnodes[0].content.blocks[0];
    expected.insert(expected.end(), attachment.subnodes[0].content.blocks[1].begin(), attachment.subnodes[0].content.blocks[1].end());
    EXPECT_EQ(store.data(std::get<1>(nested[0])), expected);
    store.checkAllocation();
}

TEST_F(NodeDatabaseTest, TwentyThousandNodesMakeMultiLevelBTrees)
{
    std::vector<Nid> nids;
    for (std::uint32_t i = 0; i < 20000; ++i) nids.push_back(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000 + i * 7 % 20000));
    {
        NodeDatabaseWriter writer(path);
        for (Nid nid : nids) writer.putNode(nid, makeNid(NID_TYPE_NORMAL_FOLDER, 0x401), {{pattern(40, nid)}, {}});
        writer.commit();
    }
    StoreReader store(path);
    EXPECT_EQ(store.nodes.size(), 20000u);
    EXPECT_EQ(store.blocks.size(), 20000u);
    EXPECT_EQ(store.nbtLevels, 4); // 15 per leaf, 20 per index page
    for (Nid nid : {nids.front(), nids[12345], nids.back()}) EXPECT_EQ(store.nodeData(nid), pattern(40, nid));
    EXPECT_EQ(getU32(&store.file[44 + 4 * NID_TYPE_NORMAL_MESSAGE]), 0x10000u + 19999); // the last index used
    store.checkAllocation();
}

TEST_F(NodeDatabaseTest, ReplacingNodesFreesTheirBlocksAndReusesTheSpace)
{
    const Nid table = makeNid(NID_TYPE_CONTENTS_TABLE, 0x401);
    std::uint64_t sizeAfterFirst = 0;
    {
        NodeDatabaseWriter writer(path);
        auto content = [](int round) {
            NodeContent c;
            for (int i = 0; i < 3 + round % 3; ++i) c.blocks.push_back(pattern(3000 + 100 * i, std::uint32_t(round)));
            c.subnodes.push_back({makeNid(NID_TYPE_LTP, 1), NodeContent{{pattern(500, 3)}, {}}});
            return c;
        };
        // Replaced before any commit: the space is free for the next version at once.
        for (int round = 0; round < 200; ++round) writer.putNode(table, makeNid(NID_TYPE_NORMAL_FOLDER, 0x401), content(round));
        writer.commit();
        sizeAfterFirst = fs::file_size(path);
        EXPECT_EQ(sizeAfterFirst, kFirstAMapOffset + kRegionSize);
        for (int round = 2; round < 60; ++round) {
            writer.putNode(table, makeNid(NID_TYPE_NORMAL_FOLDER, 0x401), content(round));
            writer.commit();
        }
        writer.putNode(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000), table, {{pattern(10, 1)}, {}});
        writer.commit();
    }
    StoreReader store(path);
    EXPECT_EQ(fs::file_size(path), sizeAfterFirst) << "freed space was not reused";
    Bytes expected;
    for (int i = 0; i < 3 + 59 % 3; ++i) {
        Bytes b = pattern(3000 + 100 * i, 59);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_EQ(store.nodeData(table), expected);
    EXPECT_EQ(store.nodes.size(), 2u);
    store.checkAllocation(); // no leaked, doubly used or unmarked space
}

TEST_F(NodeDatabaseTest, LargeStoreSpansSeveralRegionsWithTheirMaps)
{
    {
        NodeDatabaseWriter writer(path);
        for (std::uint32_t i = 0; i < 400; ++i)
            writer.putNode(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000 + i), 0,
                           {{pattern(kMaxBlockData, i), pattern(1000 + i, i)}, {}});
        writer.commit();
    }
    StoreReader store(path);
    EXPECT_GT(store.file.size(), 3u * 1024 * 1024);
    EXPECT_GE((store.file.size() - kFirstAMapOffset) / kRegionSize, 9u); // past the second page map
    EXPECT_EQ(store.nodeData(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000 + 399)).size(), kMaxBlockData + 1399);
    store.checkAllocation();
}

TEST_F(NodeDatabaseTest, StoresPast32MBCarryFreeMaps)
{
    {
        NodeDatabaseWriter writer(path);
        for (std::uint32_t i = 0; i < 4200; ++i)
            writer.putNode(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000 + i), 0, {{pattern(kMaxBlockData - i % 500, i)}, {}});
        // Free some space in the region the first free map covers, so its bytes vary.
        for (std::uint32_t i = 4100; i < 4200; i += 2)
            writer.putNode(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000 + i), 0, {});
        writer.commit();
    }
    StoreReader store(path);
    store.checkAllocation();
    EXPECT_EQ(store.fmaps.size(), 1u);
}

TEST_F(NodeDatabaseTest, NidCountersFollowNodesAndAllocations)
{
    {
        NodeDatabaseWriter writer(path);
        const Nid folder = writer.allocateNid(NID_TYPE_NORMAL_FOLDER);
        EXPECT_EQ(folder, makeNid(NID_TYPE_NORMAL_FOLDER, 0x401)); // one past the last "used" of a new store
        // A folder's tables take the folder's index; the counter is shared.
        writer.putNode(makeNid(NID_TYPE_CONTENTS_TABLE, nidIndex(folder)), folder, {});
        EXPECT_EQ(writer.allocateNid(NID_TYPE_HIERARCHY_TABLE), makeNid(NID_TYPE_HIERARCHY_TABLE, 0x402));
        writer.putNode(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10005), folder, {});
        EXPECT_EQ(writer.allocateNid(NID_TYPE_NORMAL_MESSAGE), makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10006));
        writer.commit();
    }
    StoreReader store(path);
    const std::uint8_t* rgnid = &store.file[44];
    EXPECT_EQ(getU32(rgnid + 4 * NID_TYPE_NORMAL_FOLDER), 0x402u);
    EXPECT_EQ(getU32(rgnid + 4 * NID_TYPE_CONTENTS_TABLE), 0x402u);
    EXPECT_EQ(getU32(rgnid + 4 * NID_TYPE_ASSOC_CONTENTS_TABLE), 0x402u);
    EXPECT_EQ(getU32(rgnid + 4 * NID_TYPE_NORMAL_MESSAGE), 0x10006u); // the last index used
    EXPECT_EQ(getU32(rgnid + 4 * NID_TYPE_ATTACHMENT), 0x400u);
}

TEST_F(NodeDatabaseTest, BlocksWrittenAheadStandInTreesAndOutliveTheirReplacement)
{
    const Nid table = makeNid(NID_TYPE_CONTENTS_TABLE, 0x401);
    Bytes expected;
    {
        NodeDatabaseWriter writer(path);
        const Bytes a = pattern(kMaxBlockData, 1), b = pattern(kMaxBlockData, 2), c = pattern(300, 3);
        const std::uint64_t bidA = writer.writeDataBlock(a.data(), a.size());
        const std::uint64_t bidB = writer.writeDataBlock(b.data(), b.size());
        EXPECT_EQ(writer.readDataBlock(bidB), b);
        // Two leaves written ahead and one given now; a subnode of one written block.
        NodeContent node{{{}, {}, c}, {{makeNid(NID_TYPE_LTP, 1), {{{}}, {}, {bidA}}}}, {bidA, bidB, 0}};
        writer.putNode(table, 0, node);
        writer.commit();
        // Replacing the node leaves the blocks written ahead in place; one is then
        // rewritten by its owner and the old one freed.
        const Bytes b2 = pattern(kMaxBlockData, 4);
        const std::uint64_t bidB2 = writer.writeDataBlock(b2.data(), b2.size());
        writer.releaseDataBlock(bidB);
        node.writtenBlocks = {bidA, bidB2, 0};
        node.subnodes.clear();
        writer.putNode(table, 0, node);
        // A node may not name a block that was not written ahead, or was freed.
        EXPECT_THROW(writer.putNode(makeNid(NID_TYPE_LTP, 9), 0, {{{}}, {}, {bidB}}), std::invalid_argument);
        EXPECT_THROW(writer.putNode(makeNid(NID_TYPE_LTP, 9), 0, {{{}}, {}, {12345}}), std::invalid_argument);
        writer.commit();
        expected = a;
        expected.insert(expected.end(), b2.begin(), b2.end());
        expected.insert(expected.end(), c.begin(), c.end());
    }
    StoreReader store(path);
    EXPECT_EQ(store.nodeData(table), expected);
    store.checkAllocation(); // the freed block and the replaced tree's own blocks are free
}

TEST_F(NodeDatabaseTest, RefusesExistingFilesAndMalformedNodes)
{
    { std::ofstream(path) << "not a store"; }
    try {
        NodeDatabaseWriter writer(path);
        FAIL() << "an existing file was opened";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("File exists"), std::string::npos) << e.what();
    }
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a store");
    fs::remove(path);

    NodeDatabaseWriter writer(path);
    EXPECT_THROW(writer.putNode(0x21, 0, {{Bytes{}}, {}}), std::invalid_argument);
    EXPECT_THROW(writer.putNode(0x21, 0, {{Bytes(kMaxBlockData + 1)}, {}}), std::invalid_argument);
    EXPECT_THROW(writer.putNode(0x21, 0, {{}, {{0x3F, {}}, {0x3F, {}}}}), std::invalid_argument);
    EXPECT_FALSE(writer.hasNode(0x21));
    writer.putNode(0x21, 0, {{pattern(10, 1)}, {}});
    writer.commit();
    StoreReader store(path);
    store.checkAllocation();
}

TEST_F(NodeDatabaseTest, WriteFailuresReportTheSystemsReason)
{
    // A file size limit stands in for a full disk.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 200000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    {
        NodeDatabaseWriter writer(path);
        try {
            for (std::uint32_t i = 0; i < 100; ++i) writer.putNode(makeNid(NID_TYPE_NORMAL_MESSAGE, 0x10000 + i), 0, {{pattern(kMaxBlockData, i)}, {}});
            writer.commit();
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        // After a failed write the writer refuses to go on rather than write a broken store.
        EXPECT_THROW(writer.commit(), std::runtime_error);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
    EXPECT_NE(message.find(path), std::string::npos) << message;
}

TEST_F(NodeDatabaseTest, LayoutAgreesWithAStoreOutlookWrote)
{
    const std::string reference = BRENMOOR_REFERENCE_DIR "/outlook-contacts.pst";
    if (!fs::exists(reference)) GTEST_SKIP() << "no Outlook store at " << reference;
    StoreReader outlook(reference);
    outlook.outlookRefCounts = false; // Outlook shares some blocks between nodes
    // Outlook's data blocks decode with our table: the message store's heap opens
    // with the heap signature 0xEC and the property context's 0xBC.
    const Bytes storeHeap = outlook.nodeData(0x21);
    ASSERT_GE(storeHeap.size(), 4u);
    EXPECT_EQ(storeHeap[2], 0xEC);
    EXPECT_EQ(storeHeap[3], 0xBC);

    {
        NodeDatabaseWriter writer(path);
        writer.putNode(0x21, 0, {{storeHeap}, {}});
        writer.commit();
    }
    StoreReader ours(path);
    EXPECT_EQ(ours.nodeData(0x21), storeHeap);
    const auto& a = ours.file;
    const auto& b = outlook.file;
    EXPECT_EQ(a.size(), b.size()); // a small store fills exactly one region
    auto same = [&](std::size_t at, std::size_t n) {
        return std::equal(a.begin() + long(at), a.begin() + long(at + n), b.begin() + long(at));
    };
    EXPECT_TRUE(same(0, 4));                   // magic
    EXPECT_TRUE(same(8, 8));                   // client magic, versions, platforms
    EXPECT_TRUE(same(180 + 12, 8));            // ibAMapLast
    EXPECT_TRUE(same(180 + 68, 4));            // fAMapValid and reserved
    EXPECT_TRUE(same(512, 4));                 // sentinel, crypt method
    EXPECT_TRUE(same(kDensityListOffset, 8));  // empty density list
    EXPECT_TRUE(same(kDensityListOffset + 496, 2));
    EXPECT_TRUE(same(kFirstAMapOffset, 2));    // AMap and PMap slots taken
    EXPECT_TRUE(same(kFirstAMapOffset + 496, 4));
    EXPECT_TRUE(same(kFirstAMapOffset + 512 + 496, 4));
}

TEST(NodeDatabaseFormat, CrcIsTheReflectedPolynomialFromZeroWithoutFinalInversion)
{
    const std::string text = "123456789";
    EXPECT_EQ(computeCrc(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0x2DFD2D88u);
    EXPECT_EQ(computeCrc(nullptr, 0), 0u);
}

} // namespace
