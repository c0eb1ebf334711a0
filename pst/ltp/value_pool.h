// The referenced values of a table's rows while the table is being filled: byte
// strings kept back to back in chunks of about a mebibyte, each addressed by an
// index. Chunks grow the pool without copying what it holds and waste little room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/property_value.h"

namespace brenmoor::pst::ltp {

class ValuePool {
public:
    // Keeps a copy of the bytes; returns their index. Throws std::length_error when
    // the pool holds as many values as an index can count.
    std::uint32_t add(std::span<const std::uint8_t> bytes);
    std::span<const std::uint8_t> at(std::uint32_t index) const;
    std::size_t count() const { return values_.size(); }
    std::uint64_t byteCount() const { return bytes_; }

    // The state to go back to when a row is refused halfway.
    struct Mark {
        std::size_t values = 0, chunks = 0, lastChunkSize = 0;
        std::uint64_t bytes = 0;
    };
    Mark mark() const;
    void rollback(const Mark& mark);

private:
    struct Value {
        std::uint32_t chunk;
        std::uint32_t offset;
        std::uint32_t size;
    };
    std::vector<Bytes> chunks_;
    std::vector<Value> values_;
    std::uint64_t bytes_ = 0;
};

} // namespace brenmoor::pst::ltp
