// The consistency check of a whole PST file: every structure of the node database, the
// heaps and tables, and the messaging layer's folder and contents bookkeeping. Other
// tests link it (target pst_reader) to verify the stores they write.
#pragma once

#include <string>
#include <vector>

namespace brenmoor::pstcheck {

struct CheckReport {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
};

CheckReport checkPstFileReport(const std::string& path);

// Every problem found in the file; empty where the store is consistent.
std::vector<std::string> checkPstFile(const std::string& path);

} // namespace brenmoor::pstcheck
