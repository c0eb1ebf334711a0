// What an e-mail item's value is: an Internet address ("kim.lee@example.com"), perhaps
// with the name written before it ("\"Kim Lee\" <kim.lee@example.com>"), a Notes mail
// address ("Jane Doe/Sales/Acme@ACME": no dot after the @), or neither.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::contact {

struct MailAddress {
    enum class Kind { Internet, Notes, Neither };
    Kind kind = Kind::Neither;
    std::string address;     // without the name and the angle brackets, trimmed
    std::string displayName; // the name before "<...>", its quotes taken off
};

// A Notes address may lack its domain ("Jane Doe/Acme", "CN=Jane Doe/O=Acme") where
// the item holds nothing but Notes addresses (notesItem): MailAddress.
MailAddress parseMailAddress(std::string_view value, bool notesItem);

} // namespace brenmoor::contact
