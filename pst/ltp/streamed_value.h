// A value too large to hold in memory twice (a text, a file's bytes): its bytes made a
// block at a time and written to the store's file ahead of the node that will name
// them, so that only the block IDs stay (a text of 100 MB keeps 100 KB of them). A value that fits one data
// block stays in memory and is laid out as any other.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

class StreamedValueWriter {
public:
    // Blocks are written through store, which must outlive the writer.
    explicit StreamedValueWriter(ndb::NodeDatabaseWriter& store);
    // Frees the blocks written where finishText() was not reached.
    ~StreamedValueWriter();
    StreamedValueWriter(const StreamedValueWriter&) = delete;
    StreamedValueWriter& operator=(const StreamedValueWriter&) = delete;

    // Appends the next piece of a UTF-8 text, converted to UTF-16LE as
    // PropValue::unicode converts the whole (a character may span two pieces).
    // Throws std::runtime_error where a block cannot be written.
    void appendText(std::string_view utf8);
    // The PT_UNICODE value: its bytes, or the blocks written (PropValue::writtenBlocks),
    // which are the caller's from now on (see WrittenBlocks).
    PropValue finishText();

    // Appends the next piece of a binary value, as given.
    void appendBinary(std::span<const std::uint8_t> bytes);
    // The PT_BINARY value, as finishText() hands out a text.
    PropValue finishBinary();

private:
    void convert(std::string_view utf8, bool final);
    PropValue finish(PropType type);
    void writeFullBlocks();

    ndb::NodeDatabaseWriter& store_;
    std::string pending_; // the start of a character that goes on in the next piece
    Bytes buffer_;        // converted bytes not yet written
    std::vector<std::uint64_t> blocks_;
    std::uint64_t size_ = 0;
};

// The blocks of the values written ahead for one node, as the node is put and put
// again: blocks that no node put names yet are freed with this object or when
// dropped; blocks that the node put last names are freed once the node is put again.
class WrittenBlocks {
public:
    explicit WrittenBlocks(ndb::NodeDatabaseWriter& store) : store_(&store) {}
    ~WrittenBlocks();
    WrittenBlocks(WrittenBlocks&& other) noexcept;
    WrittenBlocks& operator=(WrittenBlocks&&) = delete;

    // Takes over blocks written for the node's next put.
    void add(const std::vector<std::uint64_t>& blocks);
    // Blocks taken over at once, which the node's next put will not name.
    void drop(const std::vector<std::uint64_t>& blocks);
    // The node was put, naming the blocks added since the last put and no dropped one.
    void nodePut();

private:
    ndb::NodeDatabaseWriter* store_;
    std::vector<std::uint64_t> unput_;  // named by no node put
    std::vector<std::uint64_t> dropped_; // named by the node put, not by its next put
};

} // namespace brenmoor::pst::ltp
