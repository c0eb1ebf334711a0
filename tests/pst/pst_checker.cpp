// The consistency check of a whole PST file: the node database (root, allocation maps,
// density list, blocks and their reference counts), every heap and table, and the
// messaging layer's bookkeeping (mandatory nodes, folders, tables, entry IDs).
#include "pst_checker.h"
#include "pst_names.h"

#include "pst_tables.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace brenmoor::pstcheck {

namespace {

constexpr std::uint64_t kUnit = 64;
constexpr std::uint64_t kDensityList = 0x4200;

// Nodes every store holds; the first group is the format's mandatory set, the second
// what Outlook writes besides.
constexpr std::uint32_t kMandatoryNodes[] = {0x21,  0x61,  0x122, 0x12D, 0x12E, 0x12F, 0x1E1, 0x201,
                                             0x261, 0x281, 0x2A1, 0x321, 0x60D, 0x60E, 0x60F, 0x610,
                                             0x671, 0x692, 0x2223, 0x2226, 0x2227, 0x2230};
constexpr std::uint32_t kUsualNodes[] = {0x62B, 0x64C, 0x6B6, 0x6D7, 0x6F8, 0xC01, 0xE01, 0xE41};

// Property ids used by the messaging checks.
constexpr std::uint16_t kRecordKey = 0x0FF9, kDisplayName = 0x3001, kContentCount = 0x3602,
                        kSubfolders = 0x360A, kMessageClass = 0x001A, kLtpRowId = 0x67F2;

constexpr std::uint32_t kTypeFolder = 0x02, kTypeSearchFolder = 0x03, kTypeMessage = 0x04,
                        kTypeAssocMessage = 0x08, kTypeHierarchy = 0x0D, kTypeContents = 0x0E,
                        kTypeAssocContents = 0x0F;

bool bit(const std::uint8_t* bytes, std::uint64_t index) { return (bytes[index / 8] >> (7 - index % 8)) & 1; }

class StoreCheck {
public:
    StoreCheck(const PstFile& file, Findings& f) : file_(file), f_(f) {}

    void run()
    {
        checkRoot();
        checkNodesAndBlocks();
        checkMaps();
        checkMessaging();
    }

private:
    // Marks [ib, ib+size) as used by what; overlaps and out-of-file spans are problems.
    void use(std::uint64_t ib, std::uint64_t size, const std::string& what)
    {
        if (ib < kFirstAMap || ib + size > file_.size()) {
            f_.problem(what + " at " + hexNumber(ib) + " lies outside the mapped part of the file");
            return;
        }
        for (std::uint64_t u = (ib - kFirstAMap) / kUnit; u < (ib + size - kFirstAMap + kUnit - 1) / kUnit; ++u) {
            if (used_[u]) {
                f_.problem(what + " at " + hexNumber(ib) + " overlaps space already used by another structure");
                return;
            }
            used_[u] = 1;
        }
    }

    void checkRoot()
    {
        const Header& h = file_.header();
        if (h.fileEof != file_.size())
            f_.problem("root: ibFileEof " + hexNumber(h.fileEof) + " differs from the file size " + hexNumber(file_.size()));
        if (file_.size() < kFirstAMap + kAMapCoverage || (file_.size() - kFirstAMap) % kAMapCoverage != 0)
            f_.problem("root: the file size " + hexNumber(file_.size()) +
                       " is not 0x4400 plus a whole number of 253,952-byte AMap ranges");
        amaps_ = file_.size() > kFirstAMap ? (file_.size() - kFirstAMap + kAMapCoverage - 1) / kAMapCoverage : 0;
        const std::uint64_t lastAMap = amaps_ ? kFirstAMap + (amaps_ - 1) * kAMapCoverage : 0;
        if (h.amapLast != lastAMap)
            f_.problem("root: ibAMapLast " + hexNumber(h.amapLast) + ", the last AMap is at " + hexNumber(lastAMap));
        if (h.amapValid != 1 && h.amapValid != 2)
            f_.problem("root: fAMapValid is " + std::to_string(h.amapValid) + ", the maps are marked invalid");
        used_.assign(file_.size() > kFirstAMap ? (file_.size() - kFirstAMap + kUnit - 1) / kUnit : 0, 0);

        std::uint64_t maxBid = 0;
        for (const auto& [bid, b] : file_.blocks()) maxBid = std::max(maxBid, bid);
        if (!file_.blocks().empty() && h.bidNextB <= maxBid)
            f_.problem("header: bidNextB " + hexNumber(h.bidNextB) + " is not above the largest block id " + hexNumber(maxBid));
        for (const auto& [nid, n] : file_.nodes()) {
            const std::uint32_t type = nidType(nid), index = std::uint32_t(nid >> 5);
            if (index >= 0x400 && index > h.rgnid[type])
                f_.problem("header: rgnid[" + std::to_string(type) + "] " + hexNumber(h.rgnid[type]) + " is below the index of " +
                           nidText(nid) + "; a new node would reuse it");
        }
    }

    // Walks every node's data and subnode trees, decodes every heap, counts references.
    void checkNodesAndBlocks()
    {
        std::map<std::uint64_t, unsigned> refs;
        for (const auto& [nid, n] : file_.nodes()) {
            const std::string where = nidText(nid);
            if (n.parent && !file_.node(n.parent))
                f_.problem(where + ": parent " + nidText(n.parent) + " does not exist");
            if (n.bidData == 0 && n.bidSub != 0) f_.problem(where + ": subnodes without data");
            if (n.bidData) ++refs[n.bidData];
            if (n.bidSub) ++refs[n.bidSub];
            if (n.bidData && isInternalBid(n.bidData) == false && n.bidData & 1) f_.problem(where + ": odd data bid");
            walkNode(n.bidData, n.bidSub, where, refs, 0);
        }
        for (const auto& [bid, b] : file_.blocks()) {
            use(b.ib, blockSpan(b.cb), "block " + hexNumber(bid));
            const unsigned count = refs.count(bid) ? refs[bid] : 0;
            // The block B-tree holds one reference of its own; a block left with only that
            // one is orphaned space (Outlook leaves such blocks behind), not damage.
            if (count == 0 && b.cRef == 1)
                f_.warning("block " + hexNumber(bid) + " is orphaned: only the block B-tree refers to it");
            else if (b.cRef != count + 1)
                f_.problem("block " + hexNumber(bid) + ": cRef " + std::to_string(b.cRef) + ", but " + std::to_string(count) +
                           " references plus the B-tree's own");
        }
        for (const auto& [bid, count] : refs)
            if (!file_.blocks().count(bid)) f_.problem("block " + hexNumber(bid) + " is referenced but not in the block B-tree");
        for (const Extent& page : file_.btreePages()) use(page.ib, page.size, page.what);
    }

    void walkNode(std::uint64_t bidData, std::uint64_t bidSub, const std::string& where,
                  std::map<std::uint64_t, unsigned>& refs, int depth)
    {
        std::vector<std::uint64_t> referenced;
        NodeFrame frame;
        frame.pages = file_.dataLeaves(bidData, where, &referenced);
        frame.subnodes = file_.subnodes(bidSub, where, &referenced);
        frame.file = &file_;
        for (std::uint64_t bid : referenced) ++refs[bid];
        if (isHeap(frame)) {
            Heap heap(frame, where, f_);
            if (heap.valid()) {
                if (heap.clientSig() == 0xBC) {
                    if (auto props = readPropertyContext(frame, where, f_))
                        for (const auto& [id, p] : *props)
                            if (id >= 0x8000) namedIdsUsed_.emplace(id, where);
                } else if (heap.clientSig() == 0x7C) {
                    if (auto t = readTableContext(frame, where, f_))
                        for (const auto& c : t->columns)
                            if ((c.tag >> 16) >= 0x8000) namedIdsUsed_.emplace(std::uint16_t(c.tag >> 16), where);
                }
                else if (heap.clientSig() == 0xB5) readBth(heap, heap.userRoot(), "BTH");
            }
        }
        if (depth > 3) {
            f_.problem(where + ": subnodes nested deeper than 4 levels");
            return;
        }
        for (const auto& [nid, sub] : frame.subnodes)
            walkNode(sub.bidData, sub.bidSub, where + " subnode " + hexNumber(nid), refs, depth + 1);
    }

    // Checks one map page's trailer (wSig 0, bid = offset) and marks it used.
    const std::uint8_t* mapPage(std::uint64_t ib, std::uint8_t ptype, const std::string& name)
    {
        const std::string where = name + " page at " + hexNumber(ib);
        const std::uint8_t* p = file_.at(ib, kPageSize);
        if (!p) {
            f_.problem(where + " lies outside the file");
            return nullptr;
        }
        use(ib, kPageSize, where);
        if (p[496] != ptype || p[497] != ptype)
            f_.problem(where + ": ptype " + hexNumber(p[496], 2) + "/" + hexNumber(p[497], 2) + ", expected " + hexNumber(ptype, 2));
        if (le16(p + 498) != 0) f_.problem(where + ": wSig " + hexNumber(le16(p + 498), 4) + ", expected 0");
        if (le32(p + 500) != pstCrc(p, 496))
            f_.problem(where + ": dwCRC " + hexNumber(le32(p + 500), 8) + ", computed " + hexNumber(pstCrc(p, 496), 8));
        if (le64(p + 504) != ib) f_.problem(where + ": trailer bid " + hexNumber(le64(p + 504)) + ", expected its offset");
        return p;
    }

    void checkMaps()
    {
        const Header& h = file_.header();
        std::vector<const std::uint8_t*> amap(amaps_), pmap(amaps_);
        for (std::uint64_t k = 0; k < amaps_; ++k) {
            const std::uint64_t base = kFirstAMap + k * kAMapCoverage;
            // The map pages of a range follow each other: AMap; a PMap every 8 ranges; an FMap
            // every 496 ranges from range 128 and an FPMap every 31,744 from range 8,192 (the
            // header's own maps cover the ranges before), never both in one range.
            amap[k] = mapPage(base, 0x84, "AMap");
            std::uint64_t at = base + kPageSize;
            if (k % 8 == 0) {
                pmap[k] = mapPage(at, 0x83, "PMap");
                at += kPageSize;
            }
            if (k >= 128 && (k - 128) % 496 == 0) {
                mapPage(at, 0x82, "FMap");
                at += kPageSize;
            }
            if (k >= 8192 && (k - 8192) % 31744 == 0) mapPage(at, 0x85, "FPMap");
        }
        // Allocation against use, unit by unit.
        std::uint64_t freeUnits = 0, freePages = 0, unusedAllocated = 0, usedFree = 0;
        std::uint64_t firstUsedFree = 0, firstUnused = 0;
        for (std::uint64_t k = 0; k < amaps_; ++k) {
            if (!amap[k]) continue;
            const std::uint64_t base = kFirstAMap + k * kAMapCoverage;
            const std::uint8_t* pm = pmap[k / 8 * 8];
            std::uint64_t freeHere = 0;
            for (std::uint64_t i = 0; i < 3968; ++i) {
                const std::uint64_t ib = base + i * kUnit;
                if (ib >= file_.size()) {
                    if (bit(amap[k], i)) f_.problem("AMap at " + hexNumber(base) + " marks space past the end of the file");
                    break;
                }
                const std::uint64_t u = (ib - kFirstAMap) / kUnit;
                const bool allocated = bit(amap[k], i);
                // PMap: one bit per 512-byte page; a clear bit is a page reserved (allocated
                // in the AMap) for B-tree pages but not yet used.
                const std::uint64_t page = (ib - (kFirstAMap + k / 8 * 8 * kAMapCoverage)) / kPageSize;
                const bool reservedPage = pm && !bit(pm, page);
                if (!allocated) ++freeHere;
                if (used_[u] && !allocated && !usedFree++) firstUsedFree = ib;
                if (!used_[u] && allocated && !reservedPage && !unusedAllocated++) firstUnused = ib;
                if (reservedPage && used_[u])
                    f_.problem("PMap marks the page at " + hexNumber(ib / kPageSize * kPageSize) + " free, but it is in use");
                if (reservedPage && !allocated)
                    f_.problem("PMap reserves the page at " + hexNumber(ib / kPageSize * kPageSize) +
                               ", which the AMap does not allocate");
                if (reservedPage && i % 8 == 0) ++freePages;
            }
            freeUnits += freeHere;
            amapFree_.push_back(freeHere);
        }
        if (usedFree)
            f_.problem(std::to_string(usedFree) + " 64-byte units are in use but free in the AMap (first at " +
                       hexNumber(firstUsedFree) + ")");
        if (unusedAllocated)
            f_.warning(std::to_string(unusedAllocated) + " 64-byte units are allocated in the AMap but unused (first at " +
                       hexNumber(firstUnused) + ")");
        if (h.amapFree != freeUnits * kUnit)
            f_.problem("root: cbAMapFree " + std::to_string(h.amapFree) + ", the AMaps leave " +
                       std::to_string(freeUnits * kUnit) + " bytes free");
        if (h.pmapFree != freePages * kPageSize)
            f_.problem("root: cbPMapFree " + std::to_string(h.pmapFree) + ", the PMaps leave " +
                       std::to_string(freePages * kPageSize) + " bytes free");
        checkDensityList();
    }

    void checkDensityList()
    {
        const std::uint8_t* p = file_.at(kDensityList, kPageSize);
        if (!p) return;
        if (std::all_of(p, p + kPageSize, [](std::uint8_t b) { return b == 0; })) {
            f_.warning("density list: the page at 0x4200 is empty (no trailer)");
            return;
        }
        const std::string where = "density list";
        const std::uint64_t bid = le64(p + 504);
        if (p[496] != 0x86 || p[497] != 0x86) f_.problem(where + ": ptype " + hexNumber(p[496], 2) + ", expected 0x86");
        if (le16(p + 498) != pstSignature(kDensityList, bid))
            f_.problem(where + ": wSig " + hexNumber(le16(p + 498), 4) + ", expected " + hexNumber(pstSignature(kDensityList, bid), 4));
        if (le32(p + 500) != pstCrc(p, 496)) f_.problem(where + ": dwCRC does not match");
        const std::size_t count = p[1];
        if (count > 119) {
            f_.problem(where + ": cEntDList " + std::to_string(count) + " exceeds 119");
            return;
        }
        if (le32(p + 4) >= amaps_ && amaps_) f_.problem(where + ": ulCurrentPage names no AMap");
        std::uint32_t previousFree = 0xFFFFFFFF;
        std::set<std::uint32_t> pages;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t e = le32(p + 8 + 4 * i);
            const std::uint32_t page = e & 0xFFFFF, freeSlots = e >> 20;
            if (page >= amaps_ || !pages.insert(page).second) {
                f_.problem(where + ": entry " + std::to_string(i) + " names AMap " + std::to_string(page) + ", absent or twice");
                continue;
            }
            if (page < amapFree_.size() && freeSlots != std::min<std::uint64_t>(amapFree_[page], 0xFFF))
                f_.warning(where + ": AMap " + std::to_string(page) + " listed with " + std::to_string(freeSlots) +
                           " free slots, it has " + std::to_string(amapFree_[page]));
            if (freeSlots > previousFree) f_.warning(where + ": entries are not in decreasing order of free space");
            previousFree = freeSlots;
        }
    }

    std::optional<std::map<std::uint16_t, Property>> properties(std::uint64_t nid)
    {
        const NodeEntry* n = file_.node(nid);
        if (!n) return std::nullopt;
        Findings quiet; // problems were reported by the node walk already
        NodeFrame frame = readFrame(file_, n->bidData, n->bidSub, nidText(nid));
        if (!isHeap(frame)) return std::nullopt;
        return readPropertyContext(frame, nidText(nid), quiet);
    }

    std::optional<Table> table(std::uint64_t nid)
    {
        const NodeEntry* n = file_.node(nid);
        if (!n) return std::nullopt;
        Findings quiet;
        NodeFrame frame = readFrame(file_, n->bidData, n->bidSub, nidText(nid));
        if (!isHeap(frame)) return std::nullopt;
        return readTableContext(frame, nidText(nid), quiet);
    }

    static std::set<std::uint32_t> rowIds(const Table& t)
    {
        std::set<std::uint32_t> ids;
        for (auto [id, row] : t.rowIndex) ids.insert(id);
        return ids;
    }

    static std::string nidList(const std::set<std::uint32_t>& nids)
    {
        std::string out;
        std::size_t shown = 0;
        for (auto nid : nids) {
            if (shown++ == 8) return out + " ...";
            out += (out.empty() ? "" : " ") + hexNumber(nid);
        }
        return out.empty() ? "none" : out;
    }

    // Compares the cells of a table row with the properties of the object it lists.
    void compareRow(const Table& t, std::size_t row, const std::map<std::uint16_t, Property>& props, const std::string& where)
    {
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
            const std::uint32_t tag = t.columns[c].tag;
            const std::uint16_t id = tag >> 16;
            if (id == kLtpRowId || id == 0x67F3) continue;
            if (!t.rows[row][c]) { // a column the object holds is in its row, as Outlook keeps them
                if (auto held = props.find(id); held != props.end() && held->second.type == (tag & 0xFFFF))
                    f_.problem(where + ": column " + hexNumber(tag, 8) + " is empty, the object holds " +
                               valueText(tag & 0xFFFF, held->second.value));
                continue;
            }
            // Every cell a row holds is its object's own property, of the column's type,
            // but for what the table keeps of its own: the message status and the
            // replication IDs Outlook keeps in rows only.
            auto it = props.find(id);
            const bool tableOwn = id == 0x0E17 || id == 0x0E30 || id == 0x0E33 || id == 0x0E34;
            if (it == props.end() && tableOwn) continue;
            if (it == props.end() || it->second.type != (tag & 0xFFFF)) {
                f_.problem(where + ": column " + hexNumber(tag, 8) + " holds " + valueText(tag & 0xFFFF, *t.rows[row][c]) +
                           (it == props.end() ? ", the object has no such property"
                                              : ", the object holds it as type " + hexNumber(it->second.type, 4)));
                continue;
            }
            if (it->second.value != *t.rows[row][c])
                f_.problem(where + ": column " + hexNumber(tag, 8) + " holds " + valueText(tag & 0xFFFF, *t.rows[row][c]) +
                           ", the object holds " + valueText(tag & 0xFFFF, it->second.value));
        }
    }

    void checkMessaging()
    {
        for (std::uint32_t nid : kMandatoryNodes)
            if (!file_.node(nid)) f_.problem("mandatory node " + nidText(nid) + " is missing");
        for (std::uint32_t nid : kUsualNodes)
            if (!file_.node(nid)) f_.warning("node " + nidText(nid) + ", which Outlook writes in every store, is missing");
        if (const NodeEntry* root = file_.node(0x122); root && root->parent != 0x122)
            f_.problem("root folder " + nidText(0x122) + ": its parent is " + hexNumber(root->parent) + ", not itself");

        std::map<std::uint32_t, std::set<std::uint32_t>> subfolders, messages, assoc;
        for (const auto& [nid, n] : file_.nodes()) {
            const std::uint32_t type = nidType(nid);
            if ((type == kTypeFolder || type == kTypeSearchFolder) && nid != 0x122) subfolders[n.parent].insert(std::uint32_t(nid));
            if (type == kTypeMessage) messages[n.parent].insert(std::uint32_t(nid));
            if (type == kTypeAssocMessage) assoc[n.parent].insert(std::uint32_t(nid));
            if ((type == kTypeMessage || type == kTypeAssocMessage) && (!file_.node(n.parent) || nidType(n.parent) != kTypeFolder))
                f_.problem("message " + nidText(nid) + ": parent " + nidText(n.parent) + " is not a folder");
        }
        for (const auto& [nid, n] : file_.nodes()) {
            if (nidType(nid) == kTypeFolder) checkFolder(std::uint32_t(nid), subfolders[nid], messages[nid], assoc[nid]);
            if (nidType(nid) == kTypeMessage || nidType(nid) == kTypeAssocMessage) {
                auto props = properties(nid);
                if (!props) f_.problem("message " + nidText(nid) + ": no readable property context");
                else if (!props->count(kMessageClass)) f_.problem("message " + nidText(nid) + ": no PidTagMessageClass");
                else if (utf16ToUtf8(props->at(kMessageClass).value) == "IPM.DistList") checkListMembers(nid, *props);
            }
        }
        checkStoreEntryIds();
        checkNameMap();
    }

    // The name-to-ID map: its streams, every entry's GUID and name, the hash buckets, and
    // a map entry for every named property id the store uses.
    void checkNameMap()
    {
        const std::string where = "name-to-ID map " + nidText(0x61);
        auto props = properties(0x61);
        if (!props) {
            f_.problem(where + ": no readable property context");
            return;
        }
        auto stream = [&](std::uint16_t id) -> const Bytes* {
            auto it = props->find(id);
            if (it == props->end() || it->second.type != PT_BINARY) {
                f_.problem(where + ": stream property " + hexNumber(id, 4) + " is missing or not binary");
                return nullptr;
            }
            return &it->second.value;
        };
        auto bucketCount = props->find(0x0001);
        const Bytes* guids = stream(0x0002);
        const Bytes* entries = stream(0x0003);
        const Bytes* names = stream(0x0004);
        if (bucketCount == props->end() || bucketCount->second.type != PT_LONG || bucketCount->second.value.size() != 4) {
            f_.problem(where + ": PidTagNameidBucketCount is missing");
            return;
        }
        if (!guids || !entries || !names) return;
        const std::uint32_t buckets = le32(bucketCount->second.value.data());
        if (buckets == 0) {
            f_.problem(where + ": bucket count is 0");
            return;
        }
        if (guids->size() % 16) f_.problem(where + ": GUID stream is not a whole number of GUIDs");
        if (entries->size() % 8) f_.problem(where + ": entry stream is not a whole number of 8-byte entries");
        if (entries->empty())
            f_.warning(where + ": the entry stream is empty; libpff (pffinfo, pffexport) refuses such a store");
        std::set<std::uint16_t> indexes;
        std::map<std::uint32_t, std::set<std::uint64_t>> expectedBuckets;
        for (std::size_t at = 0; at + 8 <= entries->size(); at += 8) {
            const std::uint8_t* e = entries->data() + at;
            const std::uint32_t id = le32(e);
            const std::uint16_t guidField = le16(e + 4), propIndex = le16(e + 6);
            const bool isString = guidField & 1;
            const std::uint16_t guid = guidField >> 1;
            const std::string entry = where + ": entry " + std::to_string(at / 8);
            if (!indexes.insert(propIndex).second) f_.problem(entry + ": wPropIdx " + std::to_string(propIndex) + " repeats");
            if (guid < 1 || (guid >= 3 && std::size_t(guid - 3) * 16 + 16 > guids->size()))
                f_.problem(entry + ": wGuid " + std::to_string(guid) + " names no GUID");
            std::uint32_t hash = id;
            if (isString) {
                if (id % 4 || std::size_t(id) + 4 > names->size() || id + 4 + le32(names->data() + id) > names->size()) {
                    f_.problem(entry + ": name offset " + std::to_string(id) + " lies outside the string stream");
                    continue;
                }
                hash = pstCrc(names->data() + id + 4, le32(names->data() + id));
            }
            const std::uint32_t bucket = (hash ^ ((std::uint32_t(guid) << 1) | (isString ? 1u : 0u))) % buckets;
            expectedBuckets[bucket].insert((std::uint64_t(hash) << 32) | (std::uint32_t(guidField) << 16) | propIndex);
        }
        for (std::uint32_t b = 0; b < buckets && b < 0x1000; ++b) {
            std::set<std::uint64_t> found;
            auto it = props->find(std::uint16_t(0x1000 + b));
            if (it != props->end())
                for (std::size_t at = 0; at + 8 <= it->second.value.size(); at += 8) {
                    const std::uint8_t* e = it->second.value.data() + at;
                    found.insert((std::uint64_t(le32(e)) << 32) | (std::uint32_t(le16(e + 4)) << 16) | le16(e + 6));
                }
            if (found != expectedBuckets[b])
                f_.problem(where + ": hash bucket " + std::to_string(b) + " holds " + std::to_string(found.size()) +
                           " entries, the entry stream puts " + std::to_string(expectedBuckets[b].size()) + " there");
        }
        for (const auto& [id, user] : namedIdsUsed_)
            if (!indexes.count(std::uint16_t(id - 0x8000)))
                f_.problem(user + ": named property id " + hexNumber(id, 4) + " has no entry in the name-to-ID map");
    }

    void checkFolder(std::uint32_t folder, const std::set<std::uint32_t>& subfolders, const std::set<std::uint32_t>& messages,
                     const std::set<std::uint32_t>& assoc)
    {
        const std::string where = "folder " + nidText(folder);
        auto props = properties(folder);
        if (!props) {
            f_.problem(where + ": no readable property context");
            return;
        }
        for (std::uint16_t id : {kDisplayName, kContentCount, kSubfolders, std::uint16_t(0x3603)})
            if (!props->count(id)) f_.problem(where + ": property " + hexNumber(id, 4) + " is missing");
        const std::uint32_t index = folder & ~0x1Fu;
        auto hierarchy = table(index | kTypeHierarchy);
        auto contents = table(index | kTypeContents);
        auto assocContents = table(index | kTypeAssocContents);
        if (!hierarchy || !contents || !assocContents) {
            f_.problem(where + ": its hierarchy, contents and associated contents tables are not all present and readable");
        }
        if (hierarchy) {
            const auto listed = rowIds(*hierarchy);
            if (listed != subfolders)
                f_.problem(where + ": hierarchy table lists " + nidList(listed) + ", the subfolders are " + nidList(subfolders));
            for (std::size_t r = 0; r < hierarchy->rows.size(); ++r) {
                const auto* id = cell(*hierarchy, r, 0x67F20003);
                if (!id || !*id) continue;
                if (auto sub = properties(le32((*id)->data())))
                    compareRow(*hierarchy, r, *sub, where + " hierarchy row of " + hexNumber(le32((*id)->data())));
            }
            auto it = props->find(kSubfolders);
            if (it != props->end() && it->second.value.size() == 1 && bool(it->second.value[0]) != !subfolders.empty())
                f_.problem(where + ": PidTagSubfolders is " + (it->second.value[0] ? "true" : "false") + " but it has " +
                           std::to_string(subfolders.size()) + " subfolders");
        }
        if (contents) {
            const auto listed = rowIds(*contents);
            if (listed != messages)
                f_.problem(where + ": contents table lists " + nidList(listed) + ", the messages are " + nidList(messages));
            for (std::size_t r = 0; r < contents->rows.size(); ++r) {
                const auto* id = cell(*contents, r, 0x67F20003);
                if (!id || !*id) continue;
                if (auto msg = properties(le32((*id)->data())))
                    compareRow(*contents, r, *msg, where + " contents row of " + hexNumber(le32((*id)->data())));
            }
        }
        if (assocContents && rowIds(*assocContents) != assoc)
            f_.problem(where + ": associated contents table lists " + nidList(rowIds(*assocContents)) +
                       ", the associated messages are " + nidList(assoc));
        auto count = props->find(kContentCount);
        if (count != props->end() && count->second.value.size() == 4 && le32(count->second.value.data()) != messages.size())
            f_.problem(where + ": PidTagContentCount is " + std::to_string(le32(count->second.value.data())) + " but it holds " +
                       std::to_string(messages.size()) + " messages");
    }

    // The id a named property of PSETID_Address has in this store, or 0.
    std::uint16_t addressPropertyId(std::uint32_t lid)
    {
        if (!names_) names_ = readPropertyNames(file_);
        static constexpr GuidBytes kPsetidAddress{0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
        for (const auto& [id, name] : *names_)
            if (name.set == kPsetidAddress && !name.isString && name.lid == lid) return id;
        return 0;
    }

    // Every member of a distribution list that is a contact or list of this store (a
    // wrapped entry ID of a message) points at a message of this store, in the
    // multi-valued form and in the stream form alike.
    void checkListMembers(std::uint64_t nid, const std::map<std::uint16_t, Property>& props)
    {
        const std::string where = "distribution list " + nidText(nid);
        std::vector<Bytes> ids;
        if (auto members = props.find(addressPropertyId(0x8055)); members != props.end() && members->first) {
            const Bytes& mv = members->second.value;
            const std::uint32_t count = mv.size() >= 4 ? le32(mv.data()) : 0;
            if (mv.size() < 4 + 4 * std::size_t(count)) return f_.problem(where + ": its members' entry IDs are cut short");
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t start = le32(mv.data() + 4 + 4 * i);
                const std::uint32_t end = i + 1 < count ? le32(mv.data() + 8 + 4 * i) : std::uint32_t(mv.size());
                if (start > end || end > mv.size()) return f_.problem(where + ": member " + std::to_string(i) + " lies outside the value");
                ids.emplace_back(mv.begin() + start, mv.begin() + end);
            }
        }
        if (auto stream = props.find(addressPropertyId(0x8064)); stream != props.end() && stream->first) {
            const Bytes& s = stream->second.value;
            std::size_t at = 28;
            const std::uint32_t count = s.size() >= 16 ? le32(s.data() + 12) : 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                for (int part = 0; part < 3; ++part) { // entry ID, one-off, extra information
                    if (at + 4 > s.size() || le32(s.data() + at) > s.size() - at - 4)
                        return f_.problem(where + ": its stream ends inside member " + std::to_string(i));
                    const std::uint32_t size = le32(s.data() + at);
                    if (part == 0) ids.emplace_back(s.begin() + std::ptrdiff_t(at + 4), s.begin() + std::ptrdiff_t(at + 4 + size));
                    at += 4 + size;
                }
            }
        }
        static constexpr std::uint8_t kWrapped[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                                      0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const Bytes& id = ids[i];
            if (id.size() < 21 || !std::equal(id.begin() + 4, id.begin() + 20, kWrapped)) continue; // a one-off address
            const int kind = id[20] & 0x0F;
            if (kind != 3 && kind != 4) continue; // not a message of a store
            const std::string member = where + ": member " + std::to_string(i);
            if (id.size() != 21 + 24) {
                f_.problem(member + " wraps an entry ID of " + std::to_string(id.size() - 21) + " bytes, not 24");
                continue;
            }
            const std::uint32_t target = le32(id.data() + 41);
            auto store = properties(0x21);
            auto key = store ? store->find(kRecordKey) : decltype(store->find(kRecordKey)){};
            if (!store || key == store->end() || !std::equal(id.begin() + 25, id.begin() + 41, key->second.value.begin()))
                f_.problem(member + " names another store");
            else if (!file_.node(target) || nidType(target) != kTypeMessage)
                f_.problem(member + " points at " + nidText(target) + ", which is not a message of this store");
        }
    }

    void checkStoreEntryIds()
    {
        auto store = properties(0x21);
        if (!store) {
            f_.problem("message store " + nidText(0x21) + ": no readable property context");
            return;
        }
        auto key = store->find(kRecordKey);
        if (key == store->end() || key->second.value.size() != 16) {
            f_.problem("message store: PidTagRecordKey is missing or not 16 bytes");
            return;
        }
        for (std::uint16_t id : {std::uint16_t(0x35E0), std::uint16_t(0x35E3), std::uint16_t(0x35E7)}) {
            const std::string where = "message store: entry ID " + hexNumber(id, 4);
            auto it = store->find(id);
            if (it == store->end()) {
                f_.problem(where + " is missing");
                continue;
            }
            const Bytes& e = it->second.value;
            if (e.size() != 24) {
                f_.problem(where + " is " + std::to_string(e.size()) + " bytes, not 24");
                continue;
            }
            if (!std::equal(e.begin() + 4, e.begin() + 20, key->second.value.begin()))
                f_.problem(where + ": its provider UID is not the store's record key");
            const std::uint32_t nid = le32(e.data() + 20);
            if (!file_.node(nid) || (nidType(nid) != kTypeFolder && nidType(nid) != kTypeSearchFolder))
                f_.problem(where + " points at " + nidText(nid) + ", which is not a folder of this store");
        }
    }

    const PstFile& file_;
    Findings& f_;
    std::uint64_t amaps_ = 0;
    std::vector<std::uint8_t> used_;
    std::vector<std::uint64_t> amapFree_;
    std::map<std::uint16_t, std::string> namedIdsUsed_; // id -> first node using it
    std::optional<std::map<std::uint16_t, PropertyName>> names_;
};

} // namespace

CheckReport checkPstFileReport(const std::string& path)
{
    Findings findings;
    try {
        PstFile file(path, findings);
        if (findings.problems.empty() || file.header().ver == 23) StoreCheck(file, findings).run();
    } catch (const std::exception& e) {
        findings.problem(e.what());
    }
    return {findings.problems, findings.warnings};
}

std::vector<std::string> checkPstFile(const std::string& path) { return checkPstFileReport(path).problems; }

} // namespace brenmoor::pstcheck
