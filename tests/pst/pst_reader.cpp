// The node database of a PST file as the independent checker reads it.
#include "pst_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace brenmoor::pstcheck {

namespace {
constexpr std::uint8_t kPtypeBbt = 0x80;
constexpr std::uint8_t kPtypeNbt = 0x81;
constexpr int kMaxTreeDepth = 16;
} // namespace

void Findings::problem(const std::string& text)
{
    if (seen_.insert("P" + text).second) problems.push_back(text);
}

void Findings::warning(const std::string& text)
{
    if (seen_.insert("W" + text).second) warnings.push_back(text);
}

std::string nidText(std::uint64_t nid) { return "NID " + hexNumber(nid, 0); }

PstFile::PstFile(const std::string& path, Findings& findings) : findings_(findings)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw std::runtime_error("cannot stat " + path);
    size_ = std::uint64_t(st.st_size);
    if (size_ < 564) {
        ::close(fd_);
        throw std::runtime_error(path + " is " + std::to_string(size_) +
                                 " bytes, too short for a PST header");
    }
    void* m = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (m == MAP_FAILED) {
        ::close(fd_);
        throw std::runtime_error("cannot map " + path + ": " + std::strerror(errno));
    }
    map_ = static_cast<const std::uint8_t*>(m);
    readHeader();
    if (header_.magic != 0x4E444221 || header_.ver < 23) return; // not a Unicode store
    std::optional<std::uint64_t> last;
    walkBTree(header_.nbtBid, header_.nbtIb, true, -1, std::nullopt, std::nullopt, last, 0);
    last.reset();
    walkBTree(header_.bbtBid, header_.bbtIb, false, -1, std::nullopt, std::nullopt, last, 0);
}

PstFile::~PstFile()
{
    if (map_) ::munmap(const_cast<std::uint8_t*>(map_), size_);
    if (fd_ >= 0) ::close(fd_);
}

const std::uint8_t* PstFile::at(std::uint64_t ib, std::uint64_t n) const
{
    if (ib > size_ || n > size_ - ib) return nullptr;
    return map_ + ib;
}

const NodeEntry* PstFile::node(std::uint64_t nid) const
{
    auto it = nodes_.find(nid);
    return it == nodes_.end() ? nullptr : &it->second;
}

void PstFile::readHeader()
{
    const std::uint8_t* h = map_;
    Header& r = header_;
    r.magic = le32(h);
    r.crcPartial = le32(h + 4);
    r.magicClient = le16(h + 8);
    r.ver = le16(h + 10);
    r.verClient = le16(h + 12);
    r.platformCreate = h[14];
    r.platformAccess = h[15];
    r.bidNextP = le64(h + 32);
    r.unique = le32(h + 40);
    for (int i = 0; i < 32; ++i) r.rgnid[i] = le32(h + 44 + 4 * i);
    r.fileEof = le64(h + 184);
    r.amapLast = le64(h + 192);
    r.amapFree = le64(h + 200);
    r.pmapFree = le64(h + 208);
    r.nbtBid = le64(h + 216);
    r.nbtIb = le64(h + 224);
    r.bbtBid = le64(h + 232);
    r.bbtIb = le64(h + 240);
    r.amapValid = h[248];
    for (int i = 0; i < 128; ++i) {
        if (h[256 + i] != 0xFF) r.fmapAllFF = false;
        if (h[384 + i] != 0xFF) r.fpmapAllFF = false;
    }
    r.sentinel = h[512];
    r.cryptMethod = h[513];
    r.bidNextB = le64(h + 516);
    r.crcFull = le32(h + 524);

    if (r.magic != 0x4E444221) findings_.problem("header: dwMagic is " + hexNumber(r.magic, 8) + ", not \"!BDN\"");
    if (r.magicClient != 0x4D53) findings_.problem("header: wMagicClient is " + hexNumber(r.magicClient, 4) + ", not \"SM\"");
    if (r.ver != 23) findings_.problem("header: wVer is " + std::to_string(r.ver) + ", not 23 (Unicode)");
    if (r.verClient != 19) findings_.problem("header: wVerClient is " + std::to_string(r.verClient) + ", not 19");
    if (r.platformCreate != 1 || r.platformAccess != 1)
        findings_.problem("header: bPlatformCreate/bPlatformAccess are not 0x01");
    if (pstCrc(h + 8, 471) != r.crcPartial)
        findings_.problem("header: dwCRCPartial " + hexNumber(r.crcPartial, 8) + " does not match the computed " +
                          hexNumber(pstCrc(h + 8, 471), 8));
    if (pstCrc(h + 8, 516) != r.crcFull)
        findings_.problem("header: dwCRCFull " + hexNumber(r.crcFull, 8) + " does not match the computed " +
                          hexNumber(pstCrc(h + 8, 516), 8));
    if (r.sentinel != 0x80) findings_.problem("header: bSentinel is " + hexNumber(r.sentinel, 2) + ", not 0x80");
    if (r.cryptMethod > 2) findings_.problem("header: bCryptMethod " + std::to_string(r.cryptMethod) + " is unknown");
    if (r.cryptMethod == 2) findings_.warning("header: cyclic encoding is not decoded by this checker");
}

void PstFile::walkBTree(std::uint64_t bid, std::uint64_t ib, bool nodeTree, int expectedLevel,
                        std::optional<std::uint64_t> firstKey, std::optional<std::uint64_t> limit,
                        std::optional<std::uint64_t>& lastKey, int depth)
{
    const std::string tree = nodeTree ? "NBT" : "BBT";
    const std::string where = tree + " page " + hexNumber(bid) + " at " + hexNumber(ib);
    if (depth > kMaxTreeDepth) {
        findings_.problem(where + ": the tree is deeper than " + std::to_string(kMaxTreeDepth) + " levels (a cycle?)");
        return;
    }
    const std::uint8_t* p = at(ib, kPageSize);
    if (ib % kPageSize != 0) findings_.problem(where + ": not aligned to 512 bytes");
    if (!p) {
        findings_.problem(where + ": lies outside the file");
        return;
    }
    btreePages_.push_back({ib, kPageSize, where});
    const std::uint8_t ptype = p[496];
    if (ptype != (nodeTree ? kPtypeNbt : kPtypeBbt) || p[497] != ptype)
        findings_.problem(where + ": ptype/ptypeRepeat " + hexNumber(ptype, 2) + "/" + hexNumber(p[497], 2) +
                          ", expected " + hexNumber(nodeTree ? kPtypeNbt : kPtypeBbt, 2));
    if (le16(p + 498) != pstSignature(ib, bid))
        findings_.problem(where + ": wSig " + hexNumber(le16(p + 498), 4) + ", expected " +
                          hexNumber(pstSignature(ib, bid), 4));
    if (le32(p + 500) != pstCrc(p, 496))
        findings_.problem(where + ": dwCRC " + hexNumber(le32(p + 500), 8) + ", computed " + hexNumber(pstCrc(p, 496), 8));
    if (le64(p + 504) != bid)
        findings_.problem(where + ": trailer bid " + hexNumber(le64(p + 504)) + " differs from the reference");
    if (bid >= header_.bidNextP)
        findings_.problem(where + ": page bid is not below the header's bidNextP " + hexNumber(header_.bidNextP));

    const int cEnt = p[488], cEntMax = p[489], cbEnt = p[490], cLevel = p[491];
    if (expectedLevel >= 0 && cLevel != expectedLevel)
        findings_.problem(where + ": cLevel " + std::to_string(cLevel) + ", its parent expects " + std::to_string(expectedLevel));
    const int wantCb = cLevel > 0 ? 24 : (nodeTree ? 32 : 24);
    if (cbEnt != wantCb) {
        findings_.problem(where + ": cbEnt " + std::to_string(cbEnt) + ", expected " + std::to_string(wantCb));
        return;
    }
    if (cEntMax != 488 / wantCb)
        findings_.problem(where + ": cEntMax " + std::to_string(cEntMax) + ", expected " + std::to_string(488 / wantCb));
    if (cEnt > 488 / wantCb) {
        findings_.problem(where + ": cEnt " + std::to_string(cEnt) + " exceeds the page");
        return;
    }
    if (cEnt == 0 && depth > 0) findings_.problem(where + ": a non-root page without entries");
    if (le32(p + 492) != 0) findings_.warning(where + ": dwPadding is not zero");

    for (int i = 0; i < cEnt; ++i) {
        const std::uint8_t* e = p + i * cbEnt;
        const std::uint64_t key = le64(e);
        if (i == 0 && firstKey && key != *firstKey)
            findings_.problem(where + ": first key " + hexNumber(key) + " differs from the parent's key " + hexNumber(*firstKey));
        if (lastKey && key <= *lastKey)
            findings_.problem(where + ": key " + hexNumber(key) + " is not above the previous key " + hexNumber(*lastKey));
        if (limit && key >= *limit)
            findings_.problem(where + ": key " + hexNumber(key) + " is not below the parent's next key " + hexNumber(*limit));
        if (cLevel > 0) {
            std::optional<std::uint64_t> next;
            if (i + 1 < cEnt) next = le64(e + cbEnt);
            else next = limit;
            walkBTree(le64(e + 8), le64(e + 16), nodeTree, cLevel - 1, key, next, lastKey, depth + 1);
            continue;
        }
        lastKey = key;
        if (nodeTree) {
            NodeEntry n{key, le64(e + 8), le64(e + 16), le32(e + 24)};
            if (key >> 32) findings_.problem(where + ": NID " + hexNumber(key) + " has bits above 32 set");
            if (!nodes_.emplace(key, n).second) findings_.problem(where + ": " + nidText(key) + " appears twice");
        } else {
            BlockEntry b{key, le64(e + 8), le16(e + 16), le16(e + 18)};
            if (!blocks_.emplace(key, b).second) findings_.problem(where + ": block " + hexNumber(key) + " appears twice");
        }
    }
}

std::optional<Bytes> PstFile::block(std::uint64_t bid, const std::string& context) const
{
    const std::string where = context + ": block " + hexNumber(bid);
    auto it = blocks_.find(bid);
    if (it == blocks_.end()) {
        findings_.problem(where + " is not in the block B-tree");
        return std::nullopt;
    }
    const BlockEntry& b = it->second;
    if (bid & 1) findings_.problem(where + ": the reserved low bit of the bid is set");
    if (b.ib % 64 != 0) findings_.problem(where + " at " + hexNumber(b.ib) + ": not aligned to 64 bytes");
    if (b.cb > 8192 - 16) {
        findings_.problem(where + ": cb " + std::to_string(b.cb) + " exceeds 8176");
        return std::nullopt;
    }
    const std::uint64_t span = blockSpan(b.cb);
    const std::uint8_t* p = at(b.ib, span);
    if (!p) {
        findings_.problem(where + " at " + hexNumber(b.ib) + ": lies outside the file");
        return std::nullopt;
    }
    const std::uint8_t* t = p + span - 16;
    if (le16(t) != b.cb)
        findings_.problem(where + ": trailer cb " + std::to_string(le16(t)) + ", block B-tree says " + std::to_string(b.cb));
    if (le16(t + 2) != pstSignature(b.ib, bid))
        findings_.problem(where + ": trailer wSig " + hexNumber(le16(t + 2), 4) + ", expected " +
                          hexNumber(pstSignature(b.ib, bid), 4));
    if (le32(t + 4) != pstCrc(p, b.cb))
        findings_.problem(where + ": trailer dwCRC " + hexNumber(le32(t + 4), 8) + ", computed " +
                          hexNumber(pstCrc(p, b.cb), 8));
    if (le64(t + 8) != bid) findings_.problem(where + ": trailer bid " + hexNumber(le64(t + 8)));
    Bytes out(p, p + b.cb);
    if (!isInternalBid(bid) && header_.cryptMethod == 1) unpermute(out.data(), out.size());
    return out;
}

void PstFile::leavesOf(std::uint64_t bid, int expectedLevel, const std::string& context, std::vector<Bytes>& out,
                       std::uint64_t& total, std::vector<std::uint64_t>* referenced) const
{
    auto data = block(bid, context);
    if (!data) return;
    if (!isInternalBid(bid)) {
        if (expectedLevel > 0)
            findings_.problem(context + ": block " + hexNumber(bid) + " should be an XBLOCK but is a data block");
        total += data->size();
        out.push_back(std::move(*data));
        return;
    }
    const std::string where = context + ": block " + hexNumber(bid);
    const Bytes& x = *data;
    if (x.size() < 8 || x[0] != 0x01 || x[1] < 1 || x[1] > 2) {
        findings_.problem(where + " is internal but not an XBLOCK/XXBLOCK");
        return;
    }
    const int level = x[1];
    if (expectedLevel >= 0 && level != expectedLevel)
        findings_.problem(where + ": cLevel " + std::to_string(level) + ", expected " + std::to_string(expectedLevel));
    const std::size_t count = le16(x.data() + 2);
    if (count == 0) findings_.problem(where + ": XBLOCK without entries");
    if (x.size() != 8 + 8 * count)
        findings_.problem(where + ": cb " + std::to_string(x.size()) + " does not fit cEnt " + std::to_string(count));
    const std::uint64_t lcbTotal = le32(x.data() + 4);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count && 8 + 8 * i + 8 <= x.size(); ++i) {
        const std::uint64_t child = le64(x.data() + 8 + 8 * i);
        if (referenced) referenced->push_back(child);
        if (level == 1 && isInternalBid(child))
            findings_.problem(where + ": entry " + hexNumber(child) + " of an XBLOCK is internal");
        if (level == 2 && !isInternalBid(child))
            findings_.problem(where + ": entry " + hexNumber(child) + " of an XXBLOCK is not an XBLOCK");
        leavesOf(child, level - 1, context, out, sum, referenced);
    }
    if (sum != lcbTotal)
        findings_.problem(where + ": lcbTotal " + std::to_string(lcbTotal) + ", the leaves hold " + std::to_string(sum));
    total += sum;
}

std::vector<Bytes> PstFile::dataLeaves(std::uint64_t bid, const std::string& context,
                                       std::vector<std::uint64_t>* referenced) const
{
    std::vector<Bytes> out;
    if (bid == 0) return out;
    std::uint64_t total = 0;
    leavesOf(bid, -1, context, out, total, referenced);
    return out;
}

Bytes PstFile::data(std::uint64_t bid, const std::string& context) const
{
    Bytes all;
    for (const Bytes& leaf : dataLeaves(bid, context)) all.insert(all.end(), leaf.begin(), leaf.end());
    return all;
}

std::map<std::uint32_t, SubnodeEntry> PstFile::subnodes(std::uint64_t bidSub, const std::string& context,
                                                       std::vector<std::uint64_t>* referenced) const
{
    std::map<std::uint32_t, SubnodeEntry> out;
    if (bidSub == 0) return out;
    std::optional<std::uint64_t> last;
    // Walks one SLBLOCK/SIBLOCK; firstNid is what the parent SIENTRY promised.
    auto walk = [&](auto& self, std::uint64_t bid, int expectedLevel, std::optional<std::uint64_t> firstNid,
                    int depth) -> void {
        const std::string where = context + ": subnode block " + hexNumber(bid);
        if (!isInternalBid(bid)) findings_.problem(where + " is not marked internal");
        if (depth > 4) {
            findings_.problem(where + ": subnode tree too deep");
            return;
        }
        auto data = block(bid, context);
        if (!data) return;
        const Bytes& s = *data;
        if (s.size() < 8 || s[0] != 0x02 || s[1] > 1) {
            findings_.problem(where + " is not an SLBLOCK/SIBLOCK");
            return;
        }
        const int level = s[1];
        if (expectedLevel >= 0 && level != expectedLevel)
            findings_.problem(where + ": cLevel " + std::to_string(level) + ", expected " + std::to_string(expectedLevel));
        const std::size_t count = le16(s.data() + 2);
        const std::size_t each = level == 0 ? 24 : 16;
        if (s.size() != 8 + each * count)
            findings_.problem(where + ": cb " + std::to_string(s.size()) + " does not fit cEnt " + std::to_string(count));
        if (count == 0) findings_.problem(where + ": no entries");
        for (std::size_t i = 0; i < count && 8 + each * (i + 1) <= s.size(); ++i) {
            const std::uint8_t* e = s.data() + 8 + each * i;
            // Only the low 32 bits name the subnode; Outlook leaves the rest uninitialised.
            const std::uint64_t nid = le32(e);
            if (i == 0 && firstNid && nid != *firstNid)
                findings_.problem(where + ": first " + nidText(nid) + " differs from the SIENTRY's " + nidText(*firstNid));
            if (last && nid <= *last)
                findings_.problem(where + ": " + nidText(nid) + " is not above the previous " + nidText(*last));
            if (level == 1) {
                if (referenced) referenced->push_back(le64(e + 8));
                self(self, le64(e + 8), 0, nid, depth + 1);
                continue;
            }
            last = nid;
            SubnodeEntry entry{std::uint32_t(nid), le64(e + 8), le64(e + 16)};
            if (referenced) {
                referenced->push_back(entry.bidData);
                if (entry.bidSub) referenced->push_back(entry.bidSub);
            }
            if (entry.bidData == 0) findings_.problem(where + ": subnode " + nidText(nid) + " has no data block");
            out[entry.nid] = entry;
        }
    };
    walk(walk, bidSub, -1, std::nullopt, 0);
    return out;
}

} // namespace brenmoor::pstcheck
