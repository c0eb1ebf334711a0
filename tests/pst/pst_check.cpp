// pst-check: dumps a PST file (--dump) or walks every structure of it and lists each
// inconsistency, exiting 1 where there is any. An independent reader for the tests.
#include "pst_checker.h"
#include "pst_dump.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace brenmoor::pstcheck;
    if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) return dumpPstFile(argv[2], std::cout) ? 0 : 2;
    if (argc != 2 || argv[1][0] == '-') {
        std::cerr << "usage: pst-check FILE        check every structure, exit 1 on any problem\n"
                     "       pst-check --dump FILE dump header, B-trees, heaps, properties and tables\n";
        return 2;
    }
    const CheckReport report = checkPstFileReport(argv[1]);
    for (const auto& w : report.warnings) std::cout << "warning: " << w << "\n";
    for (const auto& p : report.problems) std::cout << "problem: " << p << "\n";
    std::cout << argv[1] << ": " << (report.problems.empty() ? "OK" : std::to_string(report.problems.size()) + " problems")
              << "\n";
    return report.problems.empty() ? 0 : 1;
}
