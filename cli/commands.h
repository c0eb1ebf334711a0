// The subcommands of brenmoor-convert. Each takes the arguments after its own name,
// writes its output to out and its complaints to err, and returns the exit status:
// 0 done, 1 failed (err says what and names the file), 2 wrong usage, and for export
// 3: the PST store was written but some contacts could not be.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brenmoor::cli {

using Arguments = std::vector<std::string>;

// The usage text, one line per subcommand, for --help and for wrong usage.
std::string usageText();

// The export line of the usage text, with the word of every output format.
std::string exportUsageLine();

int runList(const Arguments& args, std::ostream& out, std::ostream& err);
int runShow(const Arguments& args, std::ostream& out, std::ostream& err);
int runExport(const Arguments& args, std::ostream& out, std::ostream& err);

} // namespace brenmoor::cli
