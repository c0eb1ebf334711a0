// The list, table and property layer of a PST file as the independent checker reads it.
#include "pst_tables.h"

#include <algorithm>
#include <set>

namespace brenmoor::pstcheck {

namespace {

constexpr std::size_t kMaxHeapItem = 3580;

std::size_t pageHeaderSize(std::size_t index)
{
    if (index == 0) return 12;
    return (index % 128 == 8) ? 66 : 2;
}

// The fill level a page with this much free space should carry.
int fillLevelFor(std::size_t freeBytes)
{
    static const std::size_t bounds[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768, 512, 256, 128, 64, 32, 16, 8};
    for (int level = 0; level < 15; ++level)
        if (freeBytes >= bounds[level]) return level;
    return 15;
}

std::uint64_t keyValue(const Bytes& key)
{
    std::uint64_t v = 0;
    for (std::size_t i = std::min<std::size_t>(key.size(), 8); i-- > 0;) v = (v << 8) | key[i];
    return v;
}

std::string tagText(std::uint32_t tag) { return hexNumber(tag, 8); }

} // namespace

NodeFrame readFrame(const PstFile& file, std::uint64_t bidData, std::uint64_t bidSub, const std::string& context)
{
    NodeFrame frame;
    frame.pages = file.dataLeaves(bidData, context);
    frame.subnodes = file.subnodes(bidSub, context);
    frame.file = &file;
    return frame;
}

std::optional<std::vector<Bytes>> subnodeLeaves(const NodeFrame& frame, std::uint32_t nid, const std::string& context,
                                                Findings& findings)
{
    const std::string where = context + " subnode " + nidText(nid);
    if (auto held = frame.heldSubnodes.find(nid); held != frame.heldSubnodes.end()) {
        // Pages a file holds were checked as its blocks were read; these never were.
        for (std::size_t i = 0; i < held->second.size(); ++i)
            if (held->second[i].size() > kMaxBlockData)
                findings.problem(where + ": block " + std::to_string(i) + " of " + std::to_string(held->second[i].size()) +
                                 " bytes is larger than a block's " + std::to_string(kMaxBlockData));
        return held->second;
    }
    auto it = frame.subnodes.find(nid);
    if (it == frame.subnodes.end() || !frame.file) return std::nullopt;
    return frame.file->dataLeaves(it->second.bidData, where);
}

bool isHeap(const NodeFrame& frame)
{
    // A node's raw data (a table's row matrix, whose rows start with item NIDs) may hold
    // 0xEC at the signature's place by chance: a heap also names a known client and has
    // its page map inside the page.
    if (frame.pages.empty() || frame.pages[0].size() < 12) return false;
    const Bytes& page = frame.pages[0];
    static constexpr std::uint8_t kClients[] = {0x6C, 0x7C, 0x8C, 0x9C, 0xA5, 0xAC, 0xB5, 0xBC, 0xCC};
    const std::size_t pageMap = std::size_t(page[0]) | std::size_t(page[1]) << 8;
    return page[2] == 0xEC && std::find(std::begin(kClients), std::end(kClients), page[3]) != std::end(kClients) &&
           pageMap + 4 <= page.size();
}

Heap::Heap(const NodeFrame& frame, const std::string& context, Findings& findings)
    : context_(context), findings_(findings), frame_(frame)
{
    if (!isHeap(frame)) {
        findings_.problem(context_ + ": not a heap-on-node (bSig is not 0xEC)");
        return;
    }
    const Bytes& first = frame.pages[0];
    clientSig_ = first[3];
    userRoot_ = le32(first.data() + 4);
    switch (clientSig_) {
    case 0x6C: case 0x7C: case 0x8C: case 0x9C: case 0xA5: case 0xAC: case 0xB5: case 0xBC: case 0xCC: break;
    default: findings_.problem(context_ + ": unknown bClientSig " + hexNumber(clientSig_, 2));
    }
    valid_ = true;
    allocs_.resize(frame.pages.size());
    for (std::size_t i = 0; i < frame.pages.size(); ++i) checkPage(i);

    for (std::size_t i = 0; i < frame.pages.size(); ++i) {
        auto stated = fillLevel(i);
        if (!stated || frame.pages[i].size() > kMaxBlockData) continue;
        const std::size_t freeBytes = kMaxBlockData - frame.pages[i].size();
        // A fill level may understate the free space (a writer that never reuses pages
        // may mark them full) but must not promise room the page does not have.
        if (*stated < fillLevelFor(freeBytes))
            findings_.problem(context_ + ": heap page " + std::to_string(i) + " fill level " + std::to_string(*stated) +
                              " promises more free space than its " + std::to_string(freeBytes) + " bytes");
    }
}

std::optional<int> Heap::fillLevel(std::size_t page) const
{
    // The header keeps the first 8 pages' levels, every bitmap page the next 128.
    const Bytes* holder = nullptr;
    std::size_t offset = 0, slot = 0;
    if (page >= frame_.pages.size()) return std::nullopt;
    if (page < 8) {
        holder = &frame_.pages[0];
        offset = 8;
        slot = page;
    } else {
        const std::size_t bitmap = 8 + (page - 8) / 128 * 128;
        holder = &frame_.pages[bitmap];
        offset = 2;
        slot = page - bitmap;
    }
    if (holder->size() < offset + slot / 2 + 1) return std::nullopt;
    const std::uint8_t b = (*holder)[offset + slot / 2];
    return (slot % 2 == 0) ? (b & 0x0F) : (b >> 4);
}

void Heap::checkPage(std::size_t index)
{
    const Bytes& page = frame_.pages[index];
    const std::string where = context_ + ": heap page " + std::to_string(index);
    const std::size_t headerSize = pageHeaderSize(index);
    if (page.size() > kMaxBlockData)
        findings_.problem(where + ": " + std::to_string(page.size()) + " bytes, more than a block holds");
    if (page.size() < headerSize + 4) {
        findings_.problem(where + ": too short (" + std::to_string(page.size()) + " bytes)");
        return;
    }
    const std::size_t ibHnpm = le16(page.data());
    if (ibHnpm < headerSize || ibHnpm + 4 > page.size()) {
        findings_.problem(where + ": ibHnpm " + std::to_string(ibHnpm) + " lies outside the page");
        return;
    }
    if (ibHnpm % 2) findings_.warning(where + ": ibHnpm " + std::to_string(ibHnpm) + " is not 2-byte aligned");
    const std::size_t cAlloc = le16(page.data() + ibHnpm);
    const std::size_t cFree = le16(page.data() + ibHnpm + 2);
    if (ibHnpm + 4 + 2 * (cAlloc + 1) > page.size()) {
        findings_.problem(where + ": page map with cAlloc " + std::to_string(cAlloc) + " runs past the page");
        return;
    }
    if (ibHnpm + 4 + 2 * (cAlloc + 1) != page.size())
        findings_.warning(where + ": " + std::to_string(page.size() - ibHnpm - 4 - 2 * (cAlloc + 1)) +
                          " bytes follow the page map");
    if (cAlloc > 2047) findings_.problem(where + ": cAlloc " + std::to_string(cAlloc) + " exceeds 2047");
    std::vector<std::uint16_t> offsets(cAlloc + 1);
    std::size_t empty = 0;
    for (std::size_t k = 0; k <= cAlloc; ++k) offsets[k] = le16(page.data() + ibHnpm + 4 + 2 * k);
    if (offsets[0] != headerSize)
        findings_.problem(where + ": rgibAlloc[0] is " + std::to_string(offsets[0]) + ", expected " +
                          std::to_string(headerSize));
    for (std::size_t k = 0; k < cAlloc; ++k) {
        if (offsets[k + 1] < offsets[k]) {
            findings_.problem(where + ": rgibAlloc decreases at entry " + std::to_string(k + 1));
            return;
        }
        if (offsets[k + 1] == offsets[k]) ++empty;
        if (std::size_t(offsets[k + 1] - offsets[k]) > kMaxHeapItem)
            findings_.problem(where + ": allocation " + std::to_string(k + 1) + " of " +
                              std::to_string(offsets[k + 1] - offsets[k]) + " bytes, above the 3580 a heap item may hold");
    }
    if (offsets[cAlloc] > ibHnpm)
        findings_.problem(where + ": the last allocation ends at " + std::to_string(offsets[cAlloc]) +
                          ", beyond the page map at " + std::to_string(ibHnpm));
    else if (ibHnpm - offsets[cAlloc] > 1)
        findings_.warning(where + ": " + std::to_string(ibHnpm - offsets[cAlloc]) +
                          " unused bytes between the last allocation and the page map");
    if (empty != cFree)
        findings_.warning(where + ": cFree " + std::to_string(cFree) + " but " + std::to_string(empty) +
                          " freed (empty) allocations");
    allocs_[index] = std::move(offsets);
}

std::optional<Bytes> Heap::item(std::uint32_t hid, const std::string& what) const
{
    const std::string where = context_ + ": " + what + " HID " + hexNumber(hid, 8);
    if (!valid_) return std::nullopt;
    if (hid & 0x1F) {
        findings_.problem(where + ": hidType is not 0");
        return std::nullopt;
    }
    const std::size_t index = (hid >> 5) & 0x7FF;
    const std::size_t page = hid >> 16;
    if (page >= allocs_.size() || index == 0 || index >= allocs_[page].size()) {
        findings_.problem(where + ": no such allocation");
        return std::nullopt;
    }
    const auto& offsets = allocs_[page];
    const Bytes& p = frame_.pages[page];
    return Bytes(p.begin() + offsets[index - 1], p.begin() + offsets[index]);
}

std::vector<std::string> Heap::describe() const
{
    std::vector<std::string> out;
    if (!valid_) return out;
    const Bytes& first = frame_.pages[0];
    out.push_back("HN: bClientSig " + hexNumber(clientSig_, 2) + ", hidUserRoot " + hexNumber(userRoot_, 8) +
                  ", rgbFillLevel " + hex(first.data() + 8, 4) + ", pages " + std::to_string(frame_.pages.size()));
    for (std::size_t i = 0; i < allocs_.size(); ++i) {
        if (allocs_[i].empty()) continue;
        std::string line = "  page " + std::to_string(i) + ": " + std::to_string(frame_.pages[i].size()) +
                           " bytes, ibHnpm " + std::to_string(le16(frame_.pages[i].data())) + ", cAlloc " +
                           std::to_string(allocs_[i].size() - 1) + ", rgibAlloc";
        for (auto o : allocs_[i]) line += " " + std::to_string(o);
        out.push_back(line);
    }
    return out;
}

std::optional<Bth> readBth(const Heap& heap, std::uint32_t hid, const std::string& what)
{
    Findings& f = heap.findings();
    const std::string where = heap.context() + ": " + what;
    auto header = heap.item(hid, what + " BTH header");
    if (!header) return std::nullopt;
    if (header->size() != 8 || (*header)[0] != 0xB5) {
        f.problem(where + ": BTH header is not 8 bytes starting with 0xB5");
        return std::nullopt;
    }
    Bth bth;
    bth.cbKey = (*header)[1];
    bth.cbEnt = (*header)[2];
    bth.levels = (*header)[3];
    bth.root = le32(header->data() + 4);
    if (bth.cbKey != 2 && bth.cbKey != 4 && bth.cbKey != 8 && bth.cbKey != 16)
        f.problem(where + ": BTH cbKey " + std::to_string(bth.cbKey) + " is not 2, 4, 8 or 16");
    if (bth.cbEnt == 0 || bth.cbEnt > 32) f.problem(where + ": BTH cbEnt " + std::to_string(bth.cbEnt) + " out of range");
    if (bth.root == 0) {
        if (bth.levels != 0) f.problem(where + ": empty BTH with bIdxLevels " + std::to_string(bth.levels));
        return bth;
    }
    std::optional<std::uint64_t> last;
    bool ok = true;
    auto walk = [&](auto& self, std::uint32_t node, int level, std::optional<std::uint64_t> first) -> void {
        auto items = heap.item(node, what + " BTH level " + std::to_string(level));
        if (!items) {
            ok = false;
            return;
        }
        const std::size_t each = bth.cbKey + (level > 0 ? 4 : bth.cbEnt);
        if (items->empty() || items->size() % each != 0) {
            f.problem(where + ": BTH node " + hexNumber(node, 8) + " of " + std::to_string(items->size()) +
                      " bytes is not a whole number of " + std::to_string(each) + "-byte records");
            ok = false;
            return;
        }
        for (std::size_t at = 0; at < items->size(); at += each) {
            Bytes key(items->begin() + at, items->begin() + at + bth.cbKey);
            const std::uint64_t k = keyValue(key);
            if (at == 0 && first && k != *first)
                f.problem(where + ": BTH node " + hexNumber(node, 8) + " starts with key " + hexNumber(k) +
                          ", its parent says " + hexNumber(*first));
            if (level > 0) {
                self(self, le32(items->data() + at + bth.cbKey), level - 1, k);
                continue;
            }
            if (last && k <= *last)
                f.problem(where + ": BTH key " + hexNumber(k) + " is not above the previous " + hexNumber(*last));
            last = k;
            bth.records.push_back({std::move(key), Bytes(items->begin() + at + bth.cbKey, items->begin() + at + each)});
        }
    };
    walk(walk, bth.root, bth.levels, std::nullopt);
    if (!ok) return std::nullopt;
    return bth;
}

std::optional<Bytes> resolveHnid(const Heap& heap, const NodeFrame& frame, std::uint32_t hnid, const std::string& what,
                                 std::string* storage)
{
    if ((hnid & 0x1F) == 0) {
        if (storage) *storage = "heap";
        if (hnid == 0) return Bytes{};
        return heap.item(hnid, what);
    }
    if (storage) *storage = "subnode";
    auto leaves = subnodeLeaves(frame, hnid, heap.context(), heap.findings());
    if (!leaves) {
        heap.findings().problem(heap.context() + ": " + what + " refers to subnode " + nidText(hnid) +
                                ", which the node does not have");
        return std::nullopt;
    }
    Bytes all;
    for (const Bytes& leaf : *leaves) all.insert(all.end(), leaf.begin(), leaf.end());
    return all;
}

namespace {

// Checks a value's size against its type.
void checkValueShape(std::uint16_t type, const Bytes& v, const std::string& where, Findings& f)
{
    const std::size_t fixed = fixedSize(type);
    if (fixed && v.size() != fixed) {
        f.problem(where + ": " + std::to_string(v.size()) + " bytes for a " + std::to_string(fixed) + "-byte type");
        return;
    }
    if (type == PT_UNICODE && v.size() % 2)
        f.problem(where + ": Unicode string of odd length " + std::to_string(v.size()));
    if (type & PT_MV) {
        const std::uint16_t base = type & ~PT_MV;
        const std::size_t each = fixedSize(base);
        if (each) {
            if (v.size() % each) f.problem(where + ": multi-value size is not a multiple of " + std::to_string(each));
        } else if (!v.empty()) {
            const std::size_t count = v.size() >= 4 ? le32(v.data()) : 0;
            if (v.size() < 4 || 4 + 4 * count > v.size()) {
                f.problem(where + ": multi-value count does not fit");
                return;
            }
            std::size_t prev = 4 + 4 * count;
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t off = le32(v.data() + 4 + 4 * i);
                if (off < prev || off > v.size()) {
                    f.problem(where + ": multi-value offset " + std::to_string(off) + " out of order or range");
                    return;
                }
                prev = off;
            }
        }
    }
}

} // namespace

std::optional<std::map<std::uint16_t, Property>> readPropertyContext(const NodeFrame& frame, const std::string& context,
                                                                    Findings& findings)
{
    Heap heap(frame, context, findings);
    if (!heap.valid()) return std::nullopt;
    if (heap.clientSig() != 0xBC) {
        findings.problem(context + ": a property context needs bClientSig 0xBC, found " + hexNumber(heap.clientSig(), 2));
        return std::nullopt;
    }
    auto bth = readBth(heap, heap.userRoot(), "property BTH");
    if (!bth) return std::nullopt;
    if (bth->cbKey != 2 || bth->cbEnt != 6) {
        findings.problem(context + ": property BTH has cbKey/cbEnt " + std::to_string(bth->cbKey) + "/" +
                         std::to_string(bth->cbEnt) + ", expected 2/6");
        return std::nullopt;
    }
    std::map<std::uint16_t, Property> props;
    for (const BthRecord& r : bth->records) {
        const std::uint16_t id = le16(r.key.data());
        Property p;
        p.type = le16(r.data.data());
        const std::uint32_t raw = le32(r.data.data() + 2);
        const std::string where = context + ": property " + tagText((std::uint32_t(id) << 16) | p.type);
        if (!isKnownPropType(p.type)) {
            findings.problem(where + ": unknown property type");
            continue;
        }
        const std::size_t fixed = fixedSize(p.type);
        if (fixed && fixed <= 4) {
            p.storage = "inline";
            p.value.assign(r.data.begin() + 2, r.data.begin() + 2 + fixed);
            if (fixed < 4 && (raw >> (8 * fixed)) != 0)
                findings.warning(where + ": unused bytes of the inline value are not zero");
        } else {
            p.hnid = raw;
            auto value = resolveHnid(heap, frame, raw, "property " + tagText((std::uint32_t(id) << 16) | p.type),
                                     &p.storage);
            if (!value) continue;
            p.value = std::move(*value);
            if (p.storage == "heap" && p.value.size() > kMaxHeapItem)
                findings.problem(where + ": " + std::to_string(p.value.size()) +
                                 " bytes kept in the heap; above 3580 they belong in a subnode");
        }
        checkValueShape(p.type, p.value, where, findings);
        props[id] = std::move(p);
    }
    return props;
}

std::optional<Table> readTableContext(const NodeFrame& frame, const std::string& context, Findings& findings)
{
    Heap heap(frame, context, findings);
    if (!heap.valid()) return std::nullopt;
    if (heap.clientSig() != 0x7C) {
        findings.problem(context + ": a table context needs bClientSig 0x7C, found " + hexNumber(heap.clientSig(), 2));
        return std::nullopt;
    }
    auto info = heap.item(heap.userRoot(), "TCINFO");
    if (!info) return std::nullopt;
    const Bytes& t = *info;
    if (t.size() < 22 || t[0] != 0x7C) {
        findings.problem(context + ": TCINFO is not 0x7C-typed or too short");
        return std::nullopt;
    }
    Table table;
    const std::size_t cCols = t[1];
    if (t.size() != 22 + 8 * cCols) {
        findings.problem(context + ": TCINFO of " + std::to_string(t.size()) + " bytes does not fit " +
                         std::to_string(cCols) + " columns");
        return std::nullopt;
    }
    for (int i = 0; i < 4; ++i) table.rgib[i] = le16(t.data() + 2 + 2 * i);
    const std::uint32_t hidRowIndex = le32(t.data() + 10);
    table.hnidRows = le32(t.data() + 14);
    if (le32(t.data() + 18) != 0) findings.warning(context + ": deprecated hidIndex is not 0");
    const std::uint16_t end4 = table.rgib[0], end2 = table.rgib[1], end1 = table.rgib[2], rowSize = table.rgib[3];
    if (!(end4 <= end2 && end2 <= end1 && end1 <= rowSize))
        findings.problem(context + ": TCINFO rgib offsets are not in order");
    if (std::size_t(end1) + (cCols + 7) / 8 != rowSize)
        findings.problem(context + ": row size " + std::to_string(rowSize) + " is not TCI_1b " + std::to_string(end1) +
                         " plus the " + std::to_string((cCols + 7) / 8) + "-byte cell existence bitmap");
    std::set<int> bits;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t i = 0; i < cCols; ++i) {
        const std::uint8_t* d = t.data() + 22 + 8 * i;
        TableColumn c{le32(d), le16(d + 4), d[6], d[7]};
        const std::string where = context + ": column " + tagText(c.tag);
        const std::uint16_t type = c.tag & 0xFFFF;
        if (!isKnownPropType(type)) findings.problem(where + ": unknown type");
        const std::size_t fixed = fixedSize(type);
        const std::size_t want = (fixed && fixed <= 8) ? fixed : 4;
        if (c.cb != want) findings.problem(where + ": cbData " + std::to_string(c.cb) + ", expected " + std::to_string(want));
        if (c.iBit >= cCols || !bits.insert(c.iBit).second)
            findings.problem(where + ": iBit " + std::to_string(c.iBit) + " out of range or shared");
        const std::size_t lo = c.cb >= 4 ? 0 : c.cb == 2 ? end4 : end2;
        const std::size_t hi = c.cb >= 4 ? end4 : c.cb == 2 ? end2 : end1;
        if (c.ib < lo || c.ib + c.cb > hi)
            findings.problem(where + ": ibData " + std::to_string(c.ib) + " lies outside its size group [" +
                             std::to_string(lo) + ", " + std::to_string(hi) + ")");
        for (auto [a, b] : spans)
            if (c.ib < b && a < std::size_t(c.ib) + c.cb) findings.problem(where + ": overlaps another column");
        spans.emplace_back(c.ib, c.ib + c.cb);
        if (!table.columns.empty() && c.tag <= table.columns.back().tag)
            findings.problem(where + ": column descriptors are not sorted by tag");
        table.columns.push_back(c);
    }
    auto findColumn = [&](std::uint32_t tag) -> const TableColumn* {
        for (const auto& c : table.columns)
            if (c.tag == tag) return &c;
        return nullptr;
    };
    const TableColumn* rowId = findColumn(0x67F20003);
    const TableColumn* rowVer = findColumn(0x67F30003);
    if (!rowId || rowId->ib != 0 || rowId->iBit != 0)
        findings.problem(context + ": PidTagLtpRowId (0x67F20003) is not the column at offset 0, bit 0");
    if (!rowVer || rowVer->ib != 4 || rowVer->iBit != 1)
        findings.problem(context + ": PidTagLtpRowVer (0x67F30003) is not the column at offset 4, bit 1");

    auto index = readBth(heap, hidRowIndex, "row index");
    if (!index) return std::nullopt;
    if (index->cbKey != 4 || index->cbEnt != 4)
        findings.problem(context + ": row index has cbKey/cbEnt " + std::to_string(index->cbKey) + "/" +
                         std::to_string(index->cbEnt) + ", expected 4/4");
    for (const auto& r : index->records)
        if (r.key.size() >= 4 && r.data.size() >= 4) table.rowIndex.emplace_back(le32(r.key.data()), le32(r.data.data()));

    // The row matrix: in the heap, or in a subnode of whole-row blocks.
    std::vector<Bytes> chunks;
    if (table.hnidRows == 0) {
    } else if (index->records.empty()) {
        findings.warning(context + ": an empty table with a row matrix (hnidRows " + hexNumber(table.hnidRows, 8) + ")");
    } else if ((table.hnidRows & 0x1F) == 0) {
        auto rows = heap.item(table.hnidRows, "row matrix");
        if (!rows) return std::nullopt;
        chunks.push_back(std::move(*rows));
    } else {
        auto leaves = subnodeLeaves(frame, table.hnidRows, context + " row matrix", findings);
        if (!leaves) {
            findings.problem(context + ": row matrix subnode " + nidText(table.hnidRows) + " is missing");
            return std::nullopt;
        }
        chunks = std::move(*leaves);
    }
    if (rowSize == 0) return table;
    const std::size_t perBlock = kMaxBlockData / rowSize;
    for (std::size_t b = 0; b < chunks.size(); ++b) {
        const Bytes& chunk = chunks[b];
        // Every block but the last holds as many whole rows as fit and is padded to the
        // full block size: readers step through the matrix in blocks of that size.
        const bool last = b + 1 == chunks.size();
        std::size_t rowBytes = chunk.size();
        if (!last) {
            rowBytes = std::min(chunk.size(), perBlock * rowSize);
            if (chunk.size() != kMaxBlockData)
                findings.problem(context + ": row matrix block " + std::to_string(b) + " of " +
                                 std::to_string(chunk.size()) + " bytes is not padded to " +
                                 std::to_string(kMaxBlockData) + "; readers that step through full blocks misplace rows");
            else if (std::any_of(chunk.begin() + std::ptrdiff_t(rowBytes), chunk.end(), [](std::uint8_t x) { return x; }))
                findings.warning(context + ": the padding after the rows of row matrix block " + std::to_string(b) +
                                 " is not zero");
        } else if (chunk.size() % rowSize != 0) {
            findings.problem(context + ": row matrix block " + std::to_string(b) + " of " + std::to_string(chunk.size()) +
                             " bytes is not a whole number of " + std::to_string(rowSize) + "-byte rows");
        }
        for (std::size_t at = 0; at + rowSize <= rowBytes; at += rowSize) {
            const std::uint8_t* row = chunk.data() + at;
            const std::uint8_t* ceb = row + end1;
            std::vector<std::optional<Bytes>> cells(table.columns.size());
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const TableColumn& col = table.columns[c];
                if (col.ib + col.cb > rowSize || col.iBit / 8 + end1 >= rowSize) continue;
                if (!(ceb[col.iBit / 8] & (0x80 >> (col.iBit % 8)))) continue;
                const std::uint16_t type = col.tag & 0xFFFF;
                const std::size_t fixed = fixedSize(type);
                if (fixed && fixed <= 8) {
                    cells[c] = Bytes(row + col.ib, row + col.ib + fixed);
                } else {
                    auto v = resolveHnid(heap, frame, le32(row + col.ib),
                                         "row " + std::to_string(table.rows.size()) + " column " + tagText(col.tag));
                    if (v) {
                        checkValueShape(type, *v, context + ": row " + std::to_string(table.rows.size()) + " column " +
                                                      tagText(col.tag), findings);
                        cells[c] = std::move(*v);
                    }
                }
            }
            table.rows.push_back(std::move(cells));
        }
    }
    if (table.rows.size() != table.rowIndex.size())
        findings.problem(context + ": " + std::to_string(table.rows.size()) + " rows in the matrix but " +
                         std::to_string(table.rowIndex.size()) + " in the row index");
    std::set<std::uint32_t> used;
    for (auto [id, number] : table.rowIndex) {
        if (number >= table.rows.size()) {
            findings.problem(context + ": row index entry " + hexNumber(id) + " points at row " + std::to_string(number) +
                             " past the matrix");
            continue;
        }
        if (!used.insert(number).second)
            findings.problem(context + ": row " + std::to_string(number) + " is indexed twice");
        const auto* idCell = cell(table, number, 0x67F20003);
        if (!idCell || !*idCell || le32((*idCell)->data()) != id)
            findings.problem(context + ": row " + std::to_string(number) + " does not carry the row id " + hexNumber(id) +
                             " its index entry names");
    }
    return table;
}

const std::optional<Bytes>* cell(const Table& table, std::size_t row, std::uint32_t tag)
{
    if (row >= table.rows.size()) return nullptr;
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (table.columns[c].tag == tag) return &table.rows[row][c];
    return nullptr;
}

std::map<std::uint32_t, Bytes> rowCells(const Table& table, std::size_t row)
{
    std::map<std::uint32_t, Bytes> cells;
    if (row >= table.rows.size()) return cells;
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (table.rows[row][c]) cells[table.columns[c].tag] = *table.rows[row][c];
    return cells;
}

} // namespace brenmoor::pstcheck
