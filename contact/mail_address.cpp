// Telling Internet and Notes mail addresses apart.
#include "contact/mail_address.h"

#include <algorithm>

#include "text/text_bytes.h"

namespace brenmoor::contact {

namespace {

using text::trimmed;

bool holdsSpace(std::string_view text) { return std::ranges::any_of(text, text::isWhiteSpace); }

// local@domain.tld: something before the last @, a dot inside the domain, no spaces.
bool isInternetAddress(std::string_view address) {
    const std::size_t at = address.rfind('@');
    if (at == std::string_view::npos || at == 0 || holdsSpace(address)) return false;
    const std::string_view domain = address.substr(at + 1);
    const std::size_t dot = domain.find('.');
    return dot != std::string_view::npos && dot > 0 && !domain.ends_with('.') &&
           domain.find('/') == std::string_view::npos;
}

bool isNotesAddress(std::string_view address, bool notesItem) {
    const std::size_t at = address.rfind('@');
    if (at != std::string_view::npos)
        return at > 0 && at + 1 < address.size() && address.find('.', at) == std::string_view::npos;
    return notesItem && (address.find('/') != std::string_view::npos ||
                         (address.size() > 3 && text::equalsIgnoringCase(address.substr(0, 3), "CN=")));
}

} // namespace

MailAddress parseMailAddress(std::string_view value, bool notesItem) {
    MailAddress parsed;
    std::string_view address = trimmed(value);
    // Name <address>
    if (address.ends_with('>')) {
        const std::size_t open = address.rfind('<');
        if (open != std::string_view::npos) {
            std::string_view name = trimmed(address.substr(0, open));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = trimmed(name.substr(1, name.size() - 2));
            const std::string_view inside = trimmed(address.substr(open + 1, address.size() - open - 2));
            if (isInternetAddress(inside)) {
                parsed.displayName = std::string(name);
                address = inside;
            }
        }
    }
    parsed.address = std::string(address);
    parsed.kind = isInternetAddress(address)         ? MailAddress::Kind::Internet
                  : isNotesAddress(address, notesItem) ? MailAddress::Kind::Notes
                                                     : MailAddress::Kind::Neither;
    return parsed;
}

} // namespace brenmoor::contact
