// The node database writer: lays nodes out in blocks (data trees through XBLOCKs and
// XXBLOCKs, subnode trees through SLBLOCKs and SIBLOCKs) as they are put, and on
// commit writes the node and block B-trees, the maps and the header.
#include "pst/ndb/node_database.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>

#include "pst/ndb/file_output.h"
#include "pst/ndb/format.h"
#include "pst/ndb/header.h"
#include "pst/ndb/pages.h"
#include "pst/ndb/permute.h"
#include "pst/ndb/space_map.h"
#include "pst/util/crc.h"

namespace brenmoor::pst::ndb {
namespace {

constexpr std::size_t kXBlockCapacity = (kMaxBlockData - 8) / 8;   // BIDs per XBLOCK/XXBLOCK
constexpr std::size_t kSlBlockCapacity = (kMaxBlockData - 8) / 24; // entries per SLBLOCK
constexpr std::size_t kSiBlockCapacity = (kMaxBlockData - 8) / 16; // entries per SIBLOCK
// Outlook's reference count for a block its B-tree holds once.
constexpr std::uint16_t kBlockRefCount = 2;

struct NodeEntry {
    Nid nid = 0;
    Nid parent = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};

struct BlockEntry {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t refs = 0; // 0: freed, dropped at the next commit
    bool callerOwned = false; // written ahead of its node, freed by the caller alone
};

// The nodes by NID, in sorted vectors (24 bytes a node): a node past the last goes at
// the end; one put among them (items whose NIDs follow from their identities come in any
// order) first into a small sorted vector of its own, merged into the large one whenever
// it fills, so that a node put costs no move of the whole table.
class NodeTable {
public:
    NodeEntry* find(Nid nid)
    {
        if (NodeEntry* found = findIn(nodes_, nid)) return found;
        return findIn(added_, nid);
    }
    const NodeEntry* find(Nid nid) const { return const_cast<NodeTable*>(this)->find(nid); }
    void insert(const NodeEntry& entry)
    {
        if (nodes_.empty() || nodes_.back().nid < entry.nid) {
            nodes_.push_back(entry);
            return;
        }
        added_.insert(lowerBound(added_, entry.nid), entry);
        if (added_.size() >= kAddedLimit) merge();
    }
    std::size_t size() const { return nodes_.size() + added_.size(); }
    // The nodes in NID order, for the node B-tree.
    const std::vector<NodeEntry>& sorted()
    {
        merge();
        return nodes_;
    }

private:
    static constexpr std::size_t kAddedLimit = 1024;

    static std::vector<NodeEntry>::iterator lowerBound(std::vector<NodeEntry>& nodes, Nid nid)
    {
        return std::lower_bound(nodes.begin(), nodes.end(), nid, [](const NodeEntry& e, Nid n) { return e.nid < n; });
    }
    static NodeEntry* findIn(std::vector<NodeEntry>& nodes, Nid nid)
    {
        auto it = lowerBound(nodes, nid);
        return it != nodes.end() && it->nid == nid ? &*it : nullptr;
    }
    void merge()
    {
        if (added_.empty()) return;
        const std::size_t middle = nodes_.size();
        nodes_.insert(nodes_.end(), added_.begin(), added_.end());
        std::inplace_merge(nodes_.begin(), nodes_.begin() + static_cast<std::ptrdiff_t>(middle), nodes_.end(),
                           [](const NodeEntry& a, const NodeEntry& b) { return a.nid < b.nid; });
        added_.clear();
    }

    std::vector<NodeEntry> nodes_;
    std::vector<NodeEntry> added_; // put among the nodes since the last merge
};

// The counter a NID type draws from: tables share their folder's.
std::size_t counterOf(std::uint32_t type)
{
    switch (type) {
    case NID_TYPE_HIERARCHY_TABLE:
    case NID_TYPE_CONTENTS_TABLE:
    case NID_TYPE_ASSOC_CONTENTS_TABLE:
        return NID_TYPE_NORMAL_FOLDER;
    case NID_TYPE_SEARCH_UPDATE_QUEUE:
    case NID_TYPE_SEARCH_CRITERIA_OBJECT:
    case NID_TYPE_SEARCH_CONTENTS_TABLE:
        return NID_TYPE_SEARCH_FOLDER;
    default:
        return type;
    }
}

// Checks a node before any of it is written, so a refused node leaves no trace.
// written(bid) gives the size of a block written ahead, or 0 where there is none.
template <typename Written>
void validate(const NodeContent& content, const Written& written)
{
    if (!content.writtenBlocks.empty() && content.writtenBlocks.size() != content.blocks.size())
        throw std::invalid_argument("PST node with written blocks not matching its leaves");
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < content.blocks.size(); ++i) {
        const Bytes& block = content.blocks[i];
        const std::uint64_t bid = content.writtenBlocks.empty() ? 0 : content.writtenBlocks[i];
        if (bid != 0) {
            const std::size_t size = written(bid);
            if (size == 0 || !block.empty())
                throw std::invalid_argument("PST node names block " + std::to_string(bid) + ", not written ahead");
            total += size;
            continue;
        }
        if (block.empty() || block.size() > kMaxBlockData)
            throw std::invalid_argument("PST node block of " + std::to_string(block.size()) + " bytes");
        total += block.size();
    }
    if (content.blocks.size() > kXBlockCapacity * kXBlockCapacity || total > 0xFFFFFFFFull)
        throw std::invalid_argument("PST node too large");
    if (content.subnodes.size() > kSlBlockCapacity * kSiBlockCapacity)
        throw std::invalid_argument("PST node with too many subnodes");
    std::vector<Nid> nids;
    for (const auto& [nid, sub] : content.subnodes) {
        nids.push_back(nid);
        validate(sub, written);
    }
    std::sort(nids.begin(), nids.end());
    if (std::adjacent_find(nids.begin(), nids.end()) != nids.end())
        throw std::invalid_argument("PST node with two subnodes of one NID");
}

} // namespace

struct NodeDatabaseWriter::Impl {
    explicit Impl(const std::string& path) : file(path) { startCounters(); }
    Impl(int fd, const std::string& name) : file(fd, name) { startCounters(); }

    void startCounters()
    {
        nextNid.fill(0x400);
        nextNid[NID_TYPE_SEARCH_FOLDER] = 0x4000;
        nextNid[NID_TYPE_NORMAL_MESSAGE] = 0x10000;
        nextNid[NID_TYPE_ASSOC_MESSAGE] = 0x8000;
        // Those are the last indexes "used" in a new store: the first one given is past them.
        for (std::uint32_t& next : nextNid) ++next;
    }

    FileOutput file;
    SpaceMap space;
    std::uint64_t nextBid = 4;
    std::uint64_t nextPageBid = 1;
    std::uint64_t firstUncommittedBid = 4; // blocks from here on no commit points at
    std::uint32_t unique = 1;
    std::array<std::uint32_t, 32> nextNid{};
    NodeTable nodes;
    std::vector<BlockEntry> blocks; // by BID, as BIDs only grow
    std::set<std::uint64_t> releasedAhead; // blocks written ahead and freed by the caller
    std::vector<std::uint64_t> committedPages;
    HeaderFields committed; // the header on disk
    bool everCommitted = false;
    bool broken = false;

    void checkUsable() const
    {
        if (broken)
            throw std::runtime_error("PST file " + file.path() + ": an earlier write failed; the store cannot be completed");
    }

    std::uint64_t writeBlock(const std::uint8_t* data, std::size_t cb, bool internal, bool callerOwned = false)
    {
        const std::uint64_t bid = nextBid | (internal ? kInternalBidBit : 0);
        nextBid += 4;
        const std::uint64_t size = blockDiskSize(cb);
        const std::uint64_t ib = space.allocateBlock(size);
        std::uint8_t* disk = file.writeInPlace(ib, size);
        std::memcpy(disk, data, cb);
        if (!internal) permuteEncode(disk, cb);
        std::uint8_t* trailer = disk + size - kBlockTrailerSize;
        putU16(trailer, std::uint16_t(cb));
        putU16(trailer + 2, computeSig(ib, bid));
        putU32(trailer + 4, computeCrc(disk, cb));
        putU64(trailer + 8, bid);
        blocks.push_back({bid, ib, std::uint16_t(cb), kBlockRefCount, callerOwned});
        return bid;
    }

    // The size of a block the caller wrote ahead, or 0 where bid names none.
    std::size_t writtenSize(std::uint64_t bid)
    {
        auto it = findBlock(bid);
        return it != blocks.end() && it->refs != 0 && it->callerOwned ? it->cb : 0;
    }

    // An XBLOCK (level 1) or XXBLOCK (level 2) over the given BIDs.
    std::uint64_t writeXBlock(std::uint8_t level, const std::uint64_t* bids, std::size_t count, std::uint64_t total)
    {
        std::vector<std::uint8_t> data(8 + 8 * count);
        data[0] = 0x01;
        data[1] = level;
        putU16(&data[2], std::uint16_t(count));
        putU32(&data[4], std::uint32_t(total));
        for (std::size_t i = 0; i < count; ++i) putU64(&data[8 + 8 * i], bids[i]);
        return writeBlock(data.data(), data.size(), true);
    }

    std::uint64_t writeDataTree(const NodeContent& content)
    {
        const std::vector<Bytes>& leaves = content.blocks;
        auto written = [&](std::size_t i) { return content.writtenBlocks.empty() ? 0 : content.writtenBlocks[i]; };
        auto leaf = [&](std::size_t i) {
            return written(i) ? written(i) : writeBlock(leaves[i].data(), leaves[i].size(), false);
        };
        if (leaves.empty()) return 0;
        if (leaves.size() == 1) return leaf(0);
        std::vector<std::uint64_t> bids;
        std::vector<std::uint64_t> sizes;
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            bids.push_back(leaf(i));
            sizes.push_back(written(i) ? writtenSize(written(i)) : leaves[i].size());
            total += sizes.back();
        }
        if (bids.size() <= kXBlockCapacity) return writeXBlock(1, bids.data(), bids.size(), total);
        std::vector<std::uint64_t> xblocks;
        for (std::size_t at = 0; at < bids.size(); at += kXBlockCapacity) {
            const std::size_t n = std::min(kXBlockCapacity, bids.size() - at);
            std::uint64_t part = 0;
            for (std::size_t i = at; i < at + n; ++i) part += sizes[i];
            xblocks.push_back(writeXBlock(1, &bids[at], n, part));
        }
        return writeXBlock(2, xblocks.data(), xblocks.size(), total);
    }

    std::uint64_t writeSubnodeTree(const std::vector<Subnode>& subnodes)
    {
        if (subnodes.empty()) return 0;
        std::vector<const Subnode*> order;
        for (const auto& sub : subnodes) order.push_back(&sub);
        std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->nid < b->nid; });

        std::vector<std::uint8_t> entries; // SLENTRYs, in NID order
        for (const auto* sub : order) {
            std::uint8_t entry[24];
            putU64(entry, sub->nid);
            putU64(entry + 8, writeDataTree(sub->content));
            putU64(entry + 16, writeSubnodeTree(sub->content.subnodes));
            entries.insert(entries.end(), entry, entry + 24);
        }
        auto writeLeaf = [&](std::size_t from, std::size_t count) {
            std::vector<std::uint8_t> data(8 + 24 * count, 0);
            data[0] = 0x02;
            data[1] = 0;
            putU16(&data[2], std::uint16_t(count));
            std::memcpy(&data[8], &entries[24 * from], 24 * count);
            return writeBlock(data.data(), data.size(), true);
        };
        const std::size_t n = order.size();
        if (n <= kSlBlockCapacity) return writeLeaf(0, n);
        std::vector<std::uint8_t> index(8, 0);
        index[0] = 0x02;
        index[1] = 1;
        std::size_t count = 0;
        for (std::size_t at = 0; at < n; at += kSlBlockCapacity, ++count) {
            std::uint8_t entry[16];
            putU64(entry, order[at]->nid);
            putU64(entry + 8, writeLeaf(at, std::min(kSlBlockCapacity, n - at)));
            index.insert(index.end(), entry, entry + 16);
        }
        putU16(&index[2], std::uint16_t(count));
        return writeBlock(index.data(), index.size(), true);
    }

    std::vector<BlockEntry>::iterator findBlock(std::uint64_t bid)
    {
        auto it = std::lower_bound(blocks.begin(), blocks.end(), bid,
                                   [](const BlockEntry& e, std::uint64_t b) { return e.bid < b; });
        return it != blocks.end() && it->bid == bid ? it : blocks.end();
    }

    BlockEntry& blockOf(std::uint64_t bid)
    {
        auto it = findBlock(bid);
        if (it == blocks.end() || it->refs == 0)
            throw std::logic_error("PST block " + std::to_string(bid) + " is not in use");
        return *it;
    }

    // Frees a block and everything below it (the blocks of XBLOCKs, the subnodes of
    // SLBLOCKs), reading internal blocks back from the file. Blocks the caller wrote
    // ahead stay: the caller frees them.
    void releaseTree(std::uint64_t bid)
    {
        if (bid == 0) return;
        // A block the caller wrote ahead is the caller's to free, and may be freed
        // already: the tree that named it is being replaced.
        auto found = findBlock(bid);
        if (found != blocks.end() ? found->callerOwned : releasedAhead.count(bid) != 0) return;
        BlockEntry& entry = blockOf(bid);
        const std::uint64_t ib = entry.ib;
        const std::uint16_t cb = entry.cb;
        if (bid & kInternalBidBit) {
            std::vector<std::uint8_t> data(cb);
            file.read(ib, data.data(), cb);
            const std::size_t count = getU16(&data[2]);
            if (data[0] == 0x01) {
                for (std::size_t i = 0; i < count; ++i) releaseTree(getU64(&data[8 + 8 * i]));
            } else if (data[1] == 0) {
                for (std::size_t i = 0; i < count; ++i) {
                    releaseTree(getU64(&data[8 + 24 * i + 8]));
                    releaseTree(getU64(&data[8 + 24 * i + 16]));
                }
            } else {
                for (std::size_t i = 0; i < count; ++i) releaseTree(getU64(&data[8 + 16 * i + 8]));
            }
        }
        blockOf(bid).refs = 0;
        space.releaseBlock(ib, blockDiskSize(cb), bid >= firstUncommittedBid);
    }

    void noteNid(Nid nid)
    {
        std::uint32_t& next = nextNid[counterOf(nidType(nid))];
        next = std::max(next, nidIndex(nid) + 1);
    }

    // Writes a B-tree of `count` leaf entries, `fill` writing entry i and returning
    // its key; the pages go where the space map puts them.
    BlockRef writeBTree(PageType type, std::size_t cbEnt, std::size_t count,
                        const std::function<std::uint64_t(std::size_t, std::uint8_t*)>& fill)
    {
        struct Child {
            std::uint64_t key, bid, ib;
        };
        std::vector<Child> level;
        std::vector<std::uint8_t> entries(kBTreeEntryBytes);
        auto emit = [&](std::uint8_t lvl, std::size_t size, std::size_t n, std::uint64_t firstKey) {
            const std::uint64_t ib = space.allocatePage();
            const std::uint64_t bid = nextPageBid++;
            const Page page = makeBTreePage(type, lvl, size, entries.data(), n, ib, bid);
            file.write(ib, page.data(), page.size());
            committedPages.push_back(ib);
            return Child{firstKey, bid, ib};
        };
        const std::size_t leafCap = btreeCapacity(cbEnt);
        for (std::size_t at = 0; at == 0 || at < count; at += leafCap) {
            const std::size_t n = std::min(leafCap, count - at);
            std::uint64_t firstKey = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint64_t key = fill(at + i, &entries[i * cbEnt]);
                if (i == 0) firstKey = key;
            }
            level.push_back(emit(0, cbEnt, n, firstKey));
        }
        std::uint8_t lvl = 0;
        const std::size_t indexCap = btreeCapacity(kBTreeIndexEntrySize);
        while (level.size() > 1) {
            ++lvl;
            std::vector<Child> upper;
            for (std::size_t at = 0; at < level.size(); at += indexCap) {
                const std::size_t n = std::min(indexCap, level.size() - at);
                for (std::size_t i = 0; i < n; ++i) {
                    std::uint8_t* e = &entries[i * kBTreeIndexEntrySize];
                    putU64(e, level[at + i].key);
                    putU64(e + 8, level[at + i].bid);
                    putU64(e + 16, level[at + i].ib);
                }
                upper.push_back(emit(lvl, kBTreeIndexEntrySize, n, level[at].key));
            }
            level = std::move(upper);
        }
        return {level[0].bid, level[0].ib};
    }

    void commit()
    {
        for (std::uint64_t ib : committedPages) space.releasePage(ib);
        committedPages.clear();
        std::erase_if(blocks, [](const BlockEntry& e) { return e.refs == 0; });

        const std::vector<NodeEntry>& sortedNodes = nodes.sorted();
        const std::size_t nodeCount = sortedNodes.size();
        const BlockRef nbt = writeBTree(PTYPE_NBT, kNbtEntrySize, nodeCount, [&](std::size_t i, std::uint8_t* e) {
            const NodeEntry& node = sortedNodes[i];
            std::memset(e, 0, kNbtEntrySize);
            putU64(e, node.nid);
            putU64(e + 8, node.bidData);
            putU64(e + 16, node.bidSub);
            putU32(e + 24, node.parent);
            return std::uint64_t(node.nid);
        });
        const BlockRef bbt = writeBTree(PTYPE_BBT, kBbtEntrySize, blocks.size(), [&](std::size_t i, std::uint8_t* e) {
            std::memset(e, 0, kBbtEntrySize);
            putU64(e, blocks[i].bid);
            putU64(e + 8, blocks[i].ib);
            putU16(e + 16, blocks[i].cb);
            putU16(e + 18, blocks[i].refs);
            return blocks[i].bid;
        });
        // The maps are rewritten in place while the header on disk still points at
        // the previous B-trees: mark them untrusted until the new header is down.
        if (everCommitted) {
            HeaderFields invalid = committed;
            invalid.unique = unique++;
            invalid.amapValid = false;
            writeHeader(invalid);
        }
        const Page dlist = makeDensityList(nextPageBid++);
        file.write(kDensityListOffset, dlist.data(), dlist.size());
        file.resize(space.fileEnd());
        writeMaps();
        file.sync();

        HeaderFields h;
        h.bidNextP = nextPageBid;
        h.bidNextB = nextBid;
        h.unique = unique++;
        // rgnid holds the last index used per type: whoever adds a node goes on from one past it.
        for (std::size_t type = 0; type < 32; ++type) h.lastNidIndex[type] = nextNid[counterOf(std::uint32_t(type))] - 1;
        h.fileEof = space.fileEnd();
        h.lastAMap = regionStart(space.regionCount() - 1);
        h.amapFree = space.freeBytes();
        h.pmapFree = 0;
        h.nbt = nbt;
        h.bbt = bbt;
        writeHeader(h);
        committed = h;
        everCommitted = true;
        firstUncommittedBid = nextBid;
        space.endTransaction();
    }

    void writeHeader(const HeaderFields& h)
    {
        const auto header = makeHeader(h);
        file.write(0, header.data(), header.size());
        file.sync();
    }

    void writeMaps()
    {
        std::array<std::uint8_t, kPageDataSize> full;
        full.fill(0xFF);
        for (std::uint64_t region = 0; region < space.regionCount(); ++region) {
            const std::uint64_t start = regionStart(region);
            const Page amap = makeMapPage(PTYPE_AMAP, space.regionBits(region).data(), start);
            file.write(start, amap.data(), amap.size());
            std::uint64_t at = start + kPageSize;
            if (regionHasPMap(region)) {
                // Page maps are no longer consulted; every page shows as taken.
                const Page pmap = makeMapPage(PTYPE_PMAP, full.data(), at);
                file.write(at, pmap.data(), pmap.size());
                at += kPageSize;
            }
            if (regionHasFMap(region)) {
                std::array<std::uint8_t, kPageDataSize> runs{};
                for (std::uint64_t i = 0; i < kRegionsPerFMap && region + i < space.regionCount(); ++i)
                    runs[i] = space.longestFreeRun(region + i);
                const Page fmap = makeMapPage(PTYPE_FMAP, runs.data(), at);
                file.write(at, fmap.data(), fmap.size());
                at += kPageSize;
            }
            if (regionHasFPMap(region)) {
                // A set bit: the PMap has no free page, as every PMap says.
                const Page fpmap = makeMapPage(PTYPE_FPMAP, full.data(), at);
                file.write(at, fpmap.data(), fpmap.size());
            }
        }
    }
};

NodeDatabaseWriter::NodeDatabaseWriter(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}

NodeDatabaseWriter::NodeDatabaseWriter(int fd, const std::string& name) : impl_(std::make_unique<Impl>(fd, name)) {}

NodeDatabaseWriter::~NodeDatabaseWriter() = default;

void NodeDatabaseWriter::putNode(Nid nid, Nid parentNid, const NodeContent& content)
{
    impl_->checkUsable();
    validate(content, [&](std::uint64_t bid) { return impl_->writtenSize(bid); });
    try {
        NodeEntry entry;
        entry.nid = nid;
        entry.bidData = impl_->writeDataTree(content);
        entry.bidSub = impl_->writeSubnodeTree(content.subnodes);
        entry.parent = parentNid;
        if (NodeEntry* existing = impl_->nodes.find(nid)) {
            impl_->releaseTree(existing->bidData);
            impl_->releaseTree(existing->bidSub);
            *impl_->nodes.find(nid) = entry;
        } else {
            impl_->nodes.insert(entry);
        }
        impl_->noteNid(nid);
    } catch (const std::runtime_error&) {
        impl_->broken = true;
        throw;
    }
}

bool NodeDatabaseWriter::hasNode(Nid nid) const
{
    return impl_->nodes.find(nid) != nullptr;
}

Nid NodeDatabaseWriter::allocateNid(NidType type)
{
    std::uint32_t& next = impl_->nextNid[counterOf(type)];
    return makeNid(type, next++);
}

std::uint64_t NodeDatabaseWriter::writeDataBlock(const std::uint8_t* data, std::size_t size)
{
    impl_->checkUsable();
    if (size == 0 || size > kMaxBlockData)
        throw std::invalid_argument("PST data block of " + std::to_string(size) + " bytes");
    try {
        return impl_->writeBlock(data, size, false, true);
    } catch (const std::runtime_error&) {
        impl_->broken = true;
        throw;
    }
}

Bytes NodeDatabaseWriter::readDataBlock(std::uint64_t bid)
{
    impl_->checkUsable();
    const std::size_t size = impl_->writtenSize(bid);
    if (size == 0) throw std::invalid_argument("PST block " + std::to_string(bid) + " was not written ahead");
    Bytes data(size);
    impl_->file.read(impl_->blockOf(bid).ib, data.data(), size);
    permuteDecode(data.data(), size);
    return data;
}

void NodeDatabaseWriter::releaseDataBlock(std::uint64_t bid)
{
    if (impl_->writtenSize(bid) == 0)
        throw std::invalid_argument("PST block " + std::to_string(bid) + " was not written ahead");
    BlockEntry& entry = impl_->blockOf(bid);
    entry.refs = 0;
    impl_->space.releaseBlock(entry.ib, blockDiskSize(entry.cb), bid >= impl_->firstUncommittedBid);
    impl_->releasedAhead.insert(bid);
}

bool NodeDatabaseWriter::failed() const { return impl_->broken; }

void NodeDatabaseWriter::commit()
{
    impl_->checkUsable();
    try {
        impl_->commit();
    } catch (const std::runtime_error&) {
        impl_->broken = true;
        throw;
    }
}

} // namespace brenmoor::pst::ndb
