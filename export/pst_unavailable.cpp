// Stands in for the PST writer until the store library is linked in: choosing PST
// tells the user the format cannot be saved yet.
#include "export/export_error.h"
#include "export/pst_writer.h"

namespace brenmoor::exporting {

std::unique_ptr<FormatWriter> makePstWriter() {
    throw ExportError("Saving as PST is not available yet.");
}

} // namespace brenmoor::exporting
