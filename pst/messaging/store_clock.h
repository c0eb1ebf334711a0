// The clock and the random source a new store reads: the time its items are created
// and the GUIDs of their conversation indexes (and the UID of a store without a lasting
// identity). Both are the system's, unless the
// environment variable BRENMOOR_FIXED_CLOCK names a time (seconds since 1970-01-01
// UTC): then the clock stands at that time and the GUIDs follow from it, so that the
// same book gives the same store byte for byte (the golden-output tests rely on it).
#pragma once

#include <cstdint>
#include <random>

namespace brenmoor::pst::messaging {

// Seconds since 1970-01-01 UTC.
std::int64_t unixTimeNow();
// A FILETIME (100 ns since 1601-01-01 UTC): of a time in seconds since 1970, and now.
std::uint64_t fileTimeFromUnix(std::int64_t seconds);
std::uint64_t fileTimeNow();
// The generator behind the store's GUIDs, the calling thread's own.
std::mt19937_64& guidGenerator();

} // namespace brenmoor::pst::messaging
