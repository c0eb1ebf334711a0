// The PST export's writer: a store file holding one contact item per contact.
#pragma once

#include <memory>

#include "export/format_writer.h"

namespace brenmoor::exporting {

std::unique_ptr<FormatWriter> makePstWriter();

} // namespace brenmoor::exporting
