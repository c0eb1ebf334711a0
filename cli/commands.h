// The commands of brenmoor-convert. Each takes the arguments after its own word (its
// options already split from its operands), writes its output to out and its complaints
// to err, and returns the exit status: 0 done, 1 failed (err says what and names the
// book and the file), 2 wrong usage (it throws UsageError), and 3: for export, a PST
// store was written but some contacts could not be; for attachments, some files could not
// be saved.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/options.h"

namespace brenmoor::cli {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kWrongUsage = 2;
constexpr int kSomeContactsSkipped = 3;

struct Command {
    std::string_view word;
    std::string_view operands;    // "BOOK N", as the usage shows them
    std::string_view description; // a line for the usage text
    std::span<const Option> options;
    std::string (*details)();     // more for COMMAND --help; nullptr where none
    int (*run)(const ParsedArguments&, std::ostream&, std::ostream&);
};

// The usage text: every command, the formats and the exit statuses.
std::string usageText();
// One command's usage: its synopsis, options and details.
std::string commandUsage(const Command& command);

// The words of the output formats, comma-separated: "pst, csv, ...".
std::string formatWords();

// The help option every command takes.
inline constexpr Option kHelpOption{"--help", "-h", "", "this text"};

std::span<const Option> exportOptions();
std::span<const Option> reportOptions();

int runList(const ParsedArguments& args, std::ostream& out, std::ostream& err);
int runGroups(const ParsedArguments& args, std::ostream& out, std::ostream& err);
int runShow(const ParsedArguments& args, std::ostream& out, std::ostream& err);
int runExport(const ParsedArguments& args, std::ostream& out, std::ostream& err);
int runAttachments(const ParsedArguments& args, std::ostream& out, std::ostream& err);
int runReport(const ParsedArguments& args, std::ostream& out, std::ostream& err);
std::string exportDetails();

// Of two exit statuses the worse: 1, then 3, then 0.
int worstStatus(int a, int b);
// Makes folder where missing; says why on err and returns false where it cannot.
bool makeFolder(const std::string& folder, std::ostream& err);

} // namespace brenmoor::cli
