// Parsing of options and operands after the command word.
#include "cli/options.h"

#include <algorithm>

namespace brenmoor::cli {

namespace {

const Option* findOption(std::span<const Option> options, std::string_view word) {
    for (const Option& option : options)
        if (option.name == word || (!option.shortName.empty() && option.shortName == word)) return &option;
    return nullptr;
}

std::string optionHead(const Option& option) {
    std::string head = option.shortName.empty() ? "    " : std::string(option.shortName) + ", ";
    head += option.name;
    if (!option.value.empty()) head += " " + std::string(option.value);
    return head;
}

} // namespace

std::string ParsedArguments::value(std::string_view name, std::string fallback) const {
    auto found = options.find(name);
    return found == options.end() ? fallback : found->second;
}

ParsedArguments parseArguments(const Arguments& args, std::span<const Option> options) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string word = arg;
        std::string value;
        bool valueGiven = false;
        if (arg.starts_with("--")) {
            if (auto equals = arg.find('='); equals != std::string::npos) {
                word = arg.substr(0, equals);
                value = arg.substr(equals + 1);
                valueGiven = true;
            }
        } else if (arg.size() > 2) { // "-j4"
            word = arg.substr(0, 2);
            value = arg.substr(2);
            valueGiven = true;
        }
        const Option* option = findOption(options, word);
        if (!option) throw UsageError("unknown option: " + arg);
        if (option->value.empty()) {
            if (valueGiven) throw UsageError("the option " + std::string(option->name) + " takes no value");
        } else if (!valueGiven) {
            if (i + 1 >= args.size())
                throw UsageError("the option " + std::string(option->name) + " needs its " +
                                 std::string(option->value));
            value = args[++i];
        }
        parsed.options[std::string(option->name)] = value;
    }
    return parsed;
}

std::string optionLines(std::span<const Option> options) {
    std::size_t width = 0;
    for (const Option& option : options) width = std::max(width, optionHead(option).size());
    std::string text;
    for (const Option& option : options) {
        std::string head = optionHead(option);
        head.resize(width, ' ');
        text += "  " + head + "  " + std::string(option.help) + "\n";
    }
    return text;
}

} // namespace brenmoor::cli
