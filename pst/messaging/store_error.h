// A failure of the message store: a folder or item that is not there, a store file
// that cannot be written. what() is a complete sentence for the user.
#pragma once

#include <stdexcept>

namespace brenmoor::pst::messaging {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace brenmoor::pst::messaging
