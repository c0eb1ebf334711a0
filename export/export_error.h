// A failure of an export step that the user must hear about: what() is a complete
// sentence naming the file or the step that failed and the system's reason.
#pragma once

#include <stdexcept>

namespace brenmoor::exporting {

class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure after which the output cannot take anything more (the disk is full): it ends
// the run at once, also where a writer lets single contacts fail.
class OutputBroken : public ExportError {
public:
    using ExportError::ExportError;
};

} // namespace brenmoor::exporting
