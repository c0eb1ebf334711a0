// The node database of a PST file as the independent checker reads it: the header, the
// node and block B-trees (every page verified while walking), data blocks with their
// trailers, data trees (XBLOCK/XXBLOCK) and subnode trees (SLBLOCK/SIBLOCK). Every
// inconsistency met on the way is recorded as a finding rather than thrown.
#pragma once

#include "pst_format.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brenmoor::pstcheck {

// What a walk found wrong (problems) or odd but tolerable (warnings), each once.
struct Findings {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
    void problem(const std::string& text);
    void warning(const std::string& text);

private:
    std::set<std::string> seen_;
};

inline constexpr std::uint64_t kPageSize = 512;
inline constexpr std::size_t kMaxBlockData = 8176;
inline constexpr std::uint64_t kFirstAMap = 0x4400;
inline constexpr std::uint64_t kAMapCoverage = 253952;

struct Header {
    std::uint32_t magic = 0, crcPartial = 0, crcFull = 0;
    std::uint16_t magicClient = 0, ver = 0, verClient = 0;
    std::uint8_t platformCreate = 0, platformAccess = 0, sentinel = 0, cryptMethod = 0;
    std::uint64_t bidNextP = 0, bidNextB = 0;
    std::uint32_t unique = 0;
    std::uint32_t rgnid[32] = {};
    // ROOT
    std::uint64_t fileEof = 0, amapLast = 0, amapFree = 0, pmapFree = 0;
    std::uint64_t nbtBid = 0, nbtIb = 0, bbtBid = 0, bbtIb = 0;
    std::uint8_t amapValid = 0;
    bool fmapAllFF = true, fpmapAllFF = true;
};

struct NodeEntry {
    std::uint64_t nid = 0, bidData = 0, bidSub = 0;
    std::uint32_t parent = 0;
};

struct BlockEntry {
    std::uint64_t bid = 0, ib = 0;
    std::uint16_t cb = 0, cRef = 0;
};

struct SubnodeEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0, bidSub = 0;
};

// A region of the file some structure occupies.
struct Extent {
    std::uint64_t ib = 0, size = 0;
    std::string what;
};

// Block size on disk: payload and trailer rounded up to 64 bytes.
inline std::uint64_t blockSpan(std::uint64_t cb) { return (cb + 16 + 63) / 64 * 64; }
inline bool isInternalBid(std::uint64_t bid) { return (bid & 2) != 0; }
inline std::uint32_t nidType(std::uint64_t nid) { return std::uint32_t(nid & 0x1F); }
std::string nidText(std::uint64_t nid);

class PstFile {
public:
    // Maps the file and reads the header and both B-trees. Throws std::runtime_error only
    // where the file cannot be opened or is too short to hold a header.
    PstFile(const std::string& path, Findings& findings);
    ~PstFile();
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    const Header& header() const { return header_; }
    std::uint64_t size() const { return size_; }
    // The bytes at [ib, ib+n), or nullptr where that runs past the end of the file.
    const std::uint8_t* at(std::uint64_t ib, std::uint64_t n) const;

    const std::map<std::uint64_t, NodeEntry>& nodes() const { return nodes_; }
    const std::map<std::uint64_t, BlockEntry>& blocks() const { return blocks_; }
    const std::vector<Extent>& btreePages() const { return btreePages_; }
    const NodeEntry* node(std::uint64_t nid) const;

    // One block's payload, decoded; nullopt where it is missing or unreadable. The
    // trailer is verified (every problem goes to the findings, tagged with context).
    std::optional<Bytes> block(std::uint64_t bid, const std::string& context) const;
    // The leaf blocks of a data tree in order (XBLOCK/XXBLOCK expanded and verified).
    // referenced collects every bid the tree refers to, when given.
    std::vector<Bytes> dataLeaves(std::uint64_t bid, const std::string& context,
                                  std::vector<std::uint64_t>* referenced = nullptr) const;
    Bytes data(std::uint64_t bid, const std::string& context) const;
    // A subnode tree flattened to its entries (order and levels verified).
    std::map<std::uint32_t, SubnodeEntry> subnodes(std::uint64_t bidSub, const std::string& context,
                                                   std::vector<std::uint64_t>* referenced = nullptr) const;

private:
    void readHeader();
    void walkBTree(std::uint64_t bid, std::uint64_t ib, bool nodeTree, int expectedLevel,
                   std::optional<std::uint64_t> firstKey, std::optional<std::uint64_t> limit,
                   std::optional<std::uint64_t>& lastKey, int depth);
    void leavesOf(std::uint64_t bid, int expectedLevel, const std::string& context,
                  std::vector<Bytes>& out, std::uint64_t& total,
                  std::vector<std::uint64_t>* referenced) const;

    Findings& findings_;
    int fd_ = -1;
    const std::uint8_t* map_ = nullptr;
    std::uint64_t size_ = 0;
    Header header_;
    std::map<std::uint64_t, NodeEntry> nodes_;
    std::map<std::uint64_t, BlockEntry> blocks_;
    std::vector<Extent> btreePages_;
};

} // namespace brenmoor::pstcheck
