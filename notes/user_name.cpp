// Canonical, abbreviated and common names of Notes users.
#include "notes/user_name.h"

#include "text/text_bytes.h"

namespace brenmoor::notes {

namespace {

using text::equalsIgnoringCase;
using text::trimmed;

// The labels a part of a canonical name may carry: common name, organizational units,
// organization, country, and the X.400 parts Notes knows.
bool isPartLabel(std::string_view label) {
    for (std::string_view known : {"CN", "OU", "O", "C", "G", "S", "I", "Q", "P", "A"})
        if (equalsIgnoringCase(label, known)) return true;
    return false;
}

// An organization or unit of an abbreviated name, by the characters Notes allows in
// them: letters (any script), digits, spaces, "&", "-", ".", "_" and "'".
bool isHierarchyPart(std::string_view part) {
    if (trimmed(part).empty()) return false;
    for (char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        const bool allowed = byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                             c == ' ' || c == '&' || c == '-' || c == '.' || c == '_' || c == '\'';
        if (!allowed) return false;
    }
    return true;
}

// "Jane Doe/Sales/Acme": a common name and up to five parts of a hierarchy after it.
bool isAbbreviatedName(std::string_view name) {
    const std::size_t slash = name.find('/');
    if (slash == std::string_view::npos || trimmed(name.substr(0, slash)).empty()) return false;
    std::size_t parts = 0;
    for (std::string_view rest = name.substr(slash + 1);; ++parts) {
        const std::size_t end = rest.find('/');
        if (!isHierarchyPart(rest.substr(0, end)) || parts >= 5) return false;
        if (end == std::string_view::npos) return true;
        rest.remove_prefix(end + 1);
    }
}

} // namespace

std::optional<std::string> abbreviatedName(std::string_view text) {
    const std::string_view name = trimmed(text);
    if (name.size() < 3 || !equalsIgnoringCase(name.substr(0, 3), "CN=")) return std::nullopt;
    // A mail domain follows the last part.
    const std::size_t at = name.find('@', name.rfind('/') == std::string_view::npos ? 0 : name.rfind('/'));
    std::string_view parts = name.substr(0, at);
    const std::string_view domain = at == std::string_view::npos ? std::string_view() : name.substr(at);
    std::string abbreviated;
    while (true) {
        const std::size_t end = parts.find('/');
        const std::string_view part = parts.substr(0, end);
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos || !isPartLabel(trimmed(part.substr(0, equals)))) return std::nullopt;
        abbreviated += part.substr(equals + 1);
        if (end == std::string_view::npos) break;
        abbreviated += '/';
        parts.remove_prefix(end + 1);
    }
    abbreviated += domain;
    return abbreviated;
}

std::string shownName(std::string_view text) {
    if (std::optional<std::string> abbreviated = abbreviatedName(text)) return std::move(*abbreviated);
    return std::string(text);
}

std::string commonName(std::string_view userName) {
    std::string_view name = trimmed(userName);
    if (abbreviatedName(name) || isAbbreviatedName(name)) name = trimmed(name.substr(0, name.find('/')));
    if (name.size() >= 3 && equalsIgnoringCase(name.substr(0, 3), "CN=")) name = trimmed(name.substr(3));
    return std::string(name);
}

} // namespace brenmoor::notes
