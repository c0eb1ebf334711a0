// The command line's arguments after the command word: options, which may stand
// anywhere among the operands ("export -j 2 pst a.dxl out" and "export pst a.dxl -j 2
// out" alike), and operands. "--" ends the options; "-" alone is an operand.
#pragma once

#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brenmoor::cli {

using Arguments = std::vector<std::string>;

// An option a command accepts: its long name ("--jobs"), its short one ("-j") or "",
// the word for its value ("N") or "" for a switch, and a line of help.
struct Option {
    std::string_view name;
    std::string_view shortName;
    std::string_view value;
    std::string_view help;
};

// Wrong usage: what() says what is wrong, for "brenmoor-convert: " and the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ParsedArguments {
    Arguments operands;
    std::map<std::string, std::string, std::less<>> options; // by long name; a switch maps to ""

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    // The option's value, or fallback where it was not given.
    std::string value(std::string_view name, std::string fallback = {}) const;
};

// Splits args by the options a command accepts ("--name VALUE", "--name=VALUE", "-x VALUE",
// "-xVALUE"); throws UsageError for an option it does not know or one without its value.
ParsedArguments parseArguments(const Arguments& args, std::span<const Option> options);

// The lines "  -x, --name VALUE   help" of options, the help column at the same place.
std::string optionLines(std::span<const Option> options);

} // namespace brenmoor::cli
