// The lists of bookkeeping and secret item names, compared without regard to case.
#include "contact/item_kinds.h"

#include <algorithm>
#include <array>

#include "text/text_bytes.h"

namespace brenmoor::contact {

namespace {

using text::equalsIgnoringCase;
using text::lowerAscii;

bool containsIgnoringCase(std::string_view text, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > text.size()) return false;
    for (std::size_t at = 0; at + lowerNeedle.size() <= text.size(); ++at)
        if (std::equal(lowerNeedle.begin(), lowerNeedle.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                       [](char needle, char c) { return lowerAscii(c) == needle; }))
            return true;
    return false;
}

} // namespace

bool isBookkeepingItem(std::string_view name) {
    static constexpr std::array<std::string_view, 16> kWorkingFields{
        "Form", "Type", "PhoneFldsDisplayed", "AddressFldDisplayed", "FullNameInput", "CompanyNameSort",
        "MailSystem", "MailServer", "MailFile", "MessageStorage", "ClientType",
        "AvailableForDirSync", "EncryptIncomingMail", "DocumentAccess", "Owner", "LocalAdmin"};
    if (!name.empty() && name[0] == '$') return true;
    return std::any_of(kWorkingFields.begin(), kWorkingFields.end(),
                       [name](std::string_view field) { return equalsIgnoringCase(name, field); });
}

bool isSecretItem(std::string_view name) {
    return containsIgnoringCase(name, "password") || containsIgnoringCase(name, "certificate") ||
           containsIgnoringCase(name, "privatekey") || equalsIgnoringCase(name, "PublicKey");
}

} // namespace brenmoor::contact
