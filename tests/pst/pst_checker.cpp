// The consistency check of a whole PST file.
#include "pst_checker.h"

#include "pst_tables.h"

#include <stdexcept>

namespace brenmoor::pstcheck {

CheckReport checkPstFileReport(const std::string& path)
{
    Findings findings;
    try {
        PstFile file(path, findings);
    } catch (const std::exception& e) {
        findings.problem(e.what());
    }
    return {findings.problems, findings.warnings};
}

std::vector<std::string> checkPstFile(const std::string& path) { return checkPstFileReport(path).problems; }

} // namespace brenmoor::pstcheck
