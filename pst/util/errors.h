// What the PST library throws on purpose. Every such failure is a PstError; the kinds
// a caller acts on have types of their own, so that nobody reads a meaning into a
// standard exception that any code may throw.
#pragma once

#include <stdexcept>

namespace brenmoor::pst {

class PstError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A structure of the format can hold no more: a heap with no room for another page
// or allocation, a named-property map with every ID given out.
class FormatLimitError : public PstError {
public:
    using PstError::PstError;
};

} // namespace brenmoor::pst
