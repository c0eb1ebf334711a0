// A failure of the message store: a folder or item that is not there, a store file
// that cannot be written. what() is a complete sentence for the user.
#pragma once

#include "pst/util/errors.h"

namespace brenmoor::pst::messaging {

class StoreError : public PstError {
public:
    using PstError::PstError;
};

// A folder's contents table has no room for another item: its heap addresses no
// more pages.
class FolderFullError : public StoreError {
public:
    using StoreError::StoreError;
};

} // namespace brenmoor::pst::messaging
