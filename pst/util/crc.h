// The PST format's CRC-32: the common reflected polynomial, started at zero and not
// inverted at the end. Every page, block and the header carry one, and the named-property
// map hashes string names with it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brenmoor::pst {

std::uint32_t computeCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

} // namespace brenmoor::pst
