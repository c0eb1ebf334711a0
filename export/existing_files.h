// What to do with a file the export writes per contact (text, HTML) where the folder
// holds one of that name already.
#pragma once

namespace brenmoor::exporting {

enum class ExistingFiles { Replace, KeepBoth, Cancel };

} // namespace brenmoor::exporting
