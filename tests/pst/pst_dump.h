// A readable dump of a PST file for people debugging a store: the header, the node
// B-tree, and for every node holding a heap its HN header, properties or table rows.
#pragma once

#include <ostream>
#include <string>

namespace brenmoor::pstcheck {

// Writes the dump; returns false where the file cannot be read at all.
bool dumpPstFile(const std::string& path, std::ostream& out);

} // namespace brenmoor::pstcheck
