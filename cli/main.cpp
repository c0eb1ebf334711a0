// brenmoor-convert: the address book from the command line. Looks up the
// subcommand named by the first argument in the table below and runs it.
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/commands.h"

namespace brenmoor::cli {

namespace {

struct Subcommand {
    std::string_view name;
    std::string usage; // "NAME ARGS   what it does", as the usage text shows it
    int (*run)(const Arguments&, std::ostream&, std::ostream&);
};

// The subcommands. A new one is a function declared in commands.h and one row here.
const Subcommand kSubcommands[] = {
    {"list", "list BOOK                  one line per contact: T_n, a TAB, the display name", &runList},
    {"show", "show BOOK N                the 48 items of contact N, one per line", &runShow},
    {"export", exportUsageLine(), &runExport},
};

} // namespace

std::string usageText() {
    std::string text = "usage: brenmoor-convert COMMAND ARGS...\n"
                       "Reads a Notes address book exported as DXL (BOOK).\n"
                       "commands:\n";
    for (const auto& subcommand : kSubcommands) text += "  " + subcommand.usage + "\n";
    text += "  --help                     this text\n"
            "exit status: 0 done, 1 failed, 2 wrong usage, 3 export pst wrote the store\n"
            "but some contacts could not be written\n";
    return text;
}

} // namespace brenmoor::cli

int main(int argc, char** argv) {
    using namespace brenmoor::cli;
    std::ios::sync_with_stdio(false);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << usageText();
        return 0;
    }
    if (argc < 2) {
        std::cerr << usageText();
        return 2;
    }
    std::string_view name = argv[1];
    for (const auto& subcommand : kSubcommands) {
        if (subcommand.name != name) continue;
        Arguments args(argv + 2, argv + argc);
        int status = subcommand.run(args, std::cout, std::cerr);
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "brenmoor-convert: could not write the output: " << std::strerror(errno) << "\n";
            return 1;
        }
        return status;
    }
    std::cerr << "brenmoor-convert: unknown command \"" << name << "\"\n" << usageText();
    return 2;
}
