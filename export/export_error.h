// A failure of an export step that the user must hear about: what() is a complete
// sentence naming the file or the step that failed and the system's reason.
#pragma once

#include <stdexcept>

namespace brenmoor::exporting {

class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace brenmoor::exporting
