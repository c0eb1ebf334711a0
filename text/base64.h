// Base64 (RFC 4648), both ways and a piece at a time: bytes of any length are encoded
// or decoded through a small buffer, so that a value is never held twice. The encoder
// takes its bytes in pieces of any size; the decoder reads base64 text that holds only
// the alphabet and its padding (isCleanBase64), the form the book's reader keeps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brenmoor::text {

inline constexpr std::string_view kBase64Digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of a base64 digit, or -1 for any other byte ("=" included).
constexpr int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// True where text is whole base64: groups of four digits, the last one padded by one
// or two "=" at most, nothing else (no white space).
constexpr bool isCleanBase64(std::string_view text) {
    if (text.size() % 4 != 0) return false;
    std::size_t digits = text.size();
    while (digits > 0 && text.size() - digits < 2 && text[digits - 1] == '=') --digits;
    for (std::size_t i = 0; i < digits; ++i)
        if (base64Value(text[i]) < 0) return false;
    return true;
}

// The number of bytes clean base64 text decodes to.
constexpr std::uint64_t base64DecodedSize(std::string_view clean) {
    std::uint64_t size = clean.size() / 4 * 3;
    if (!clean.empty() && clean.back() == '=') --size;
    if (clean.size() > 1 && clean[clean.size() - 2] == '=') --size;
    return size;
}

// Hands each the bytes of clean base64 text in pieces of at most pieceBytes (a multiple
// of 3, so every piece but the last encodes anew without padding), in order.
inline void decodeBase64(std::string_view clean, const std::function<void(std::string_view)>& each,
                         std::size_t pieceBytes = 48 * 1024) {
    std::string piece;
    piece.reserve(pieceBytes);
    const std::size_t pieceDigits = pieceBytes / 3 * 4;
    while (!clean.empty()) {
        const std::string_view digits = clean.substr(0, std::min(clean.size(), pieceDigits));
        clean.remove_prefix(digits.size());
        piece.clear();
        for (std::size_t i = 0; i + 4 <= digits.size(); i += 4) {
            const int a = base64Value(digits[i]), b = base64Value(digits[i + 1]);
            const int c = base64Value(digits[i + 2]), d = base64Value(digits[i + 3]);
            const std::uint32_t bits = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 |
                                       std::uint32_t(c < 0 ? 0 : c) << 6 | std::uint32_t(d < 0 ? 0 : d);
            piece += static_cast<char>(bits >> 16);
            if (c >= 0) piece += static_cast<char>((bits >> 8) & 0xFF);
            if (d >= 0) piece += static_cast<char>(bits & 0xFF);
        }
        if (!piece.empty()) each(piece);
    }
}

// Base64 of bytes given in pieces, handed to out as it goes: add() as often as there
// are pieces, then finish() for the last one or two bytes, padded with "=".
class Base64Encoder {
public:
    explicit Base64Encoder(std::function<void(std::string_view)> out) : out_(std::move(out)) {}

    void add(std::string_view bytes) {
        while (carried_ > 0 && carried_ < 3 && !bytes.empty()) {
            carry_[carried_++] = bytes.front();
            bytes.remove_prefix(1);
        }
        if (carried_ == 3) {
            encode(std::string_view(carry_, 3));
            carried_ = 0;
        }
        while (bytes.size() >= 3) {
            const std::size_t whole = std::min(bytes.size() / 3 * 3, kBlockOctets);
            encode(bytes.substr(0, whole));
            bytes.remove_prefix(whole);
        }
        for (char c : bytes) carry_[carried_++] = c;
    }
    void finish() {
        if (carried_ == 0) return;
        const auto byte = [&](std::size_t i) { return i < carried_ ? static_cast<unsigned char>(carry_[i]) : 0u; };
        const std::uint32_t bits = byte(0) << 16 | byte(1) << 8 | byte(2);
        char quad[4] = {kBase64Digits[bits >> 18], kBase64Digits[(bits >> 12) & 63], '=', '='};
        if (carried_ == 2) quad[2] = kBase64Digits[(bits >> 6) & 63];
        out_(std::string_view(quad, 4));
        carried_ = 0;
    }

private:
    static constexpr std::size_t kBlockOctets = 48 * 1024; // a multiple of 3

    // Encodes whole groups of three bytes.
    void encode(std::string_view triples) {
        encoded_.resize(triples.size() / 3 * 4);
        char* digit = encoded_.data();
        for (std::size_t i = 0; i < triples.size(); i += 3) {
            const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(triples[i + at]); };
            const std::uint32_t bits = byte(0) << 16 | byte(1) << 8 | byte(2);
            for (int shift = 18; shift >= 0; shift -= 6) *digit++ = kBase64Digits[(bits >> shift) & 63];
        }
        out_(encoded_);
    }

    std::function<void(std::string_view)> out_;
    std::string encoded_;
    char carry_[3] = {};
    std::size_t carried_ = 0;
};

// Base64 of the bytes that source hands to the function it is given, piece by piece,
// each piece of it handed to out as it is made.
using ByteSource = std::function<void(const std::function<void(std::string_view)>&)>;
inline void encodeBase64(const ByteSource& source, const std::function<void(std::string_view)>& out) {
    Base64Encoder base64(out);
    source([&](std::string_view bytes) { base64.add(bytes); });
    base64.finish();
}

} // namespace brenmoor::text
