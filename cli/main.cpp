// brenmoor-convert: the address book from the command line. Looks up the command named
// by the first argument in the table below, splits its options from its operands and
// runs it.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <malloc.h>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "export/output_formats.h"

namespace brenmoor::cli {

namespace {

constexpr Option kHelpOnly[] = {kHelpOption};

// The commands. A new one is a function declared in commands.h and one row here.
const Command kCommands[] = {
    {"list", "BOOK", "one line per contact: T_n, a TAB, the display name", kHelpOnly, nullptr, &runList},
    {"groups", "BOOK", "the mailing lists: a line per group, a TAB-indented line per member", kHelpOnly, nullptr,
     &runGroups},
    {"show", "BOOK N", "the 48 items of contact N, one per line", kHelpOnly, nullptr, &runShow},
    {"export", "FORMAT BOOK... FOLDER", "the contacts of each BOOK as FORMAT files in FOLDER", exportOptions(),
     &exportDetails, &runExport},
    {"attachments", "BOOK FOLDER", "every contact's photo and attached files, into FOLDER/<contact>/", kHelpOnly,
     nullptr, &runAttachments},
    {"report", "merge REPORT...", "the batch reports of several shards as one report, on standard output",
     reportOptions(), nullptr, &runReport},
};

constexpr std::string_view kExitStatuses =
    "exit status:\n"
    "  0  done; for export, every contact was written\n"
    "  1  something failed (the message names the book and the file)\n"
    "  2  wrong usage\n"
    "  3  export pst: the store was written, but some contacts could not be;\n"
    "     attachments: some files could not be saved (the book holds them compressed or damaged)\n";

// "list BOOK", "export [OPTIONS] FORMAT BOOK... FOLDER".
std::string synopsis(const Command& command) {
    std::string text(command.word);
    if (command.options.size() > 1) text += " [OPTIONS]";
    return text + " " + std::string(command.operands);
}

} // namespace

std::string formatWords() {
    std::string words;
    for (const auto& format : exporting::outputFormats())
        words += (words.empty() ? "" : ", ") + std::string(format.word);
    return words;
}

std::string usageText() {
    struct Line {
        std::string head;
        std::string_view description;
    };
    std::vector<Line> lines;
    for (const Command& command : kCommands) lines.push_back({synopsis(command), command.description});
    lines.push_back({"COMMAND --help", "that command's options"});
    lines.push_back({"--help, -h", "this text"});
    lines.push_back({"--version", "the version of brenmoor-convert"});
    std::size_t width = 0;
    for (const Line& line : lines) width = std::max(width, line.head.size());

    std::string text = "usage: brenmoor-convert COMMAND ARGS...\n"
                       "Reads a Notes address book exported as DXL (BOOK).\n"
                       "commands:\n";
    for (Line& line : lines) {
        line.head.resize(width, ' ');
        text += "  " + line.head + "  " + std::string(line.description) + "\n";
    }
    text += "formats: " + formatWords() + "\n";
    return text + std::string(kExitStatuses);
}

std::string commandUsage(const Command& command) {
    std::string text = "usage: brenmoor-convert " + synopsis(command) + "\n" + std::string(command.description) + "\n";
    if (command.details) text += command.details();
    text += "options:\n" + optionLines(command.options);
    return text + std::string(kExitStatuses);
}

} // namespace brenmoor::cli

int main(int argc, char** argv) {
    using namespace brenmoor::cli;
    std::ios::sync_with_stdio(false);
    // Blocks of a megabyte or more come from the system and go back to it when freed,
    // so what a huge value of the book took is given back at once.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const std::string_view first = argc >= 2 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        std::cout << usageText();
        return kDone;
    }
    if (first == "--version") {
        std::cout << "brenmoor-convert " BRENMOOR_VERSION "\n";
        return kDone;
    }
    if (argc < 2) {
        std::cerr << usageText();
        return kWrongUsage;
    }
    for (const Command& command : kCommands) {
        if (command.word != first) continue;
        int status = kWrongUsage;
        try {
            const ParsedArguments args = parseArguments(Arguments(argv + 2, argv + argc), command.options);
            if (args.has(kHelpOption.name)) {
                std::cout << commandUsage(command);
                return kDone;
            }
            status = command.run(args, std::cout, std::cerr);
        } catch (const UsageError& error) {
            std::cerr << "brenmoor-convert " << command.word << ": " << error.what() << "\n"
                      << "usage: brenmoor-convert " << synopsis(command) << "\n"
                      << "(brenmoor-convert " << command.word << " --help says more)\n";
            return kWrongUsage;
        }
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "brenmoor-convert: could not write the output: " << std::strerror(errno) << "\n";
            return kFailed;
        }
        return status;
    }
    std::cerr << "brenmoor-convert: unknown command: " << first << "\n" << usageText();
    return kWrongUsage;
}
