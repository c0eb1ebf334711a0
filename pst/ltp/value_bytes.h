// The bytes of one property value, kept in place up to a few dozen bytes. Most values
// of an item are that small (numbers, flags, times, short texts), and a contact has
// over a hundred of them: kept apart on the heap, each would cost an allocation and a
// release for every item written.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <vector>

namespace brenmoor::pst::ltp {

class ValueBytes {
public:
    using value_type = std::uint8_t;
    using size_type = std::size_t;
    using iterator = std::uint8_t*;
    using const_iterator = const std::uint8_t*;
    static constexpr std::size_t kInPlace = 40;

    ValueBytes() noexcept = default;
    ValueBytes(std::initializer_list<std::uint8_t> bytes) { append(bytes.begin(), bytes.size()); }
    ValueBytes(const std::vector<std::uint8_t>& bytes) { append(bytes.data(), bytes.size()); }
    ValueBytes(std::span<const std::uint8_t> bytes) { append(bytes.data(), bytes.size()); }
    ValueBytes(const ValueBytes& other) { append(other.data(), other.size()); }
    ValueBytes(ValueBytes&& other) noexcept { take(other); }
    ~ValueBytes() { release(); }

    ValueBytes& operator=(const ValueBytes& other)
    {
        if (this != &other) {
            clear();
            append(other.data(), other.size());
        }
        return *this;
    }
    ValueBytes& operator=(ValueBytes&& other) noexcept
    {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }

    operator std::vector<std::uint8_t>() const { return {begin(), end()}; }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t* data() { return onHeap() ? heap_ : inPlace_; }
    const std::uint8_t* data() const { return onHeap() ? heap_ : inPlace_; }
    iterator begin() { return data(); }
    iterator end() { return data() + size_; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size_; }
    std::uint8_t& operator[](std::size_t i) { return data()[i]; }
    std::uint8_t operator[](std::size_t i) const { return data()[i]; }

    void clear() { size_ = 0; }
    void reserve(std::size_t capacity)
    {
        if (capacity <= capacity_) return;
        auto* grown = new std::uint8_t[capacity];
        const std::size_t size = size_;
        std::memcpy(grown, data(), size);
        release();
        heap_ = grown;
        capacity_ = capacity;
        size_ = size;
    }
    // New bytes are zero.
    void resize(std::size_t size)
    {
        if (size > size_) {
            if (size > capacity_) reserve(std::max(size, 2 * capacity_));
            std::memset(data() + size_, 0, size - size_);
        }
        size_ = size;
    }
    void push_back(std::uint8_t byte) { append(&byte, 1); }
    void append(const std::uint8_t* bytes, std::size_t count)
    {
        if (count == 0) return;
        if (size_ + count > capacity_) reserve(std::max(size_ + count, 2 * capacity_));
        std::memcpy(data() + size_, bytes, count);
        size_ += count;
    }

    friend bool operator==(const ValueBytes& a, const ValueBytes& b) { return std::ranges::equal(a, b); }
    friend bool operator==(const ValueBytes& a, const std::vector<std::uint8_t>& b) { return std::ranges::equal(a, b); }

private:
    bool onHeap() const { return capacity_ > kInPlace; }
    void release() noexcept
    {
        if (onHeap()) delete[] heap_;
        capacity_ = kInPlace;
        size_ = 0;
    }
    // Takes other's bytes (its buffer, where on the heap) and leaves it empty.
    void take(ValueBytes& other) noexcept
    {
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (other.onHeap()) heap_ = other.heap_;
        else std::memcpy(inPlace_, other.inPlace_, size_);
        other.capacity_ = kInPlace;
        other.size_ = 0;
    }

    union {
        std::uint8_t inPlace_[kInPlace];
        std::uint8_t* heap_;
    };
    std::size_t size_ = 0;
    std::size_t capacity_ = kInPlace;
};

} // namespace brenmoor::pst::ltp
