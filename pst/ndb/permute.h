// The format's "permute" encoding of data blocks (bCryptMethod 1): each byte goes
// through a fixed substitution table. Outlook writes data blocks this way; internal
// blocks and pages stay plain.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brenmoor::pst::ndb {

void permuteEncode(std::uint8_t* data, std::size_t size);
void permuteDecode(std::uint8_t* data, std::size_t size);

} // namespace brenmoor::pst::ndb
