// Notes user names: a canonical name names each part of its hierarchy
// ("CN=Jane Doe/OU=Sales/O=Acme"), the abbreviated form Notes shows leaves the labels
// out ("Jane Doe/Sales/Acme"), and the common name is the person's own ("Jane Doe").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brenmoor::notes {

// The abbreviated form of a canonical name, a Notes mail domain after it kept
// ("CN=Jane Doe/O=Acme@ACME" gives "Jane Doe/Acme@ACME"); nothing for any other text.
std::optional<std::string> abbreviatedName(std::string_view text);

// The text as Notes shows it: a canonical name abbreviated, any other text as it is.
std::string shownName(std::string_view text);

// The common name of a user name, canonical or abbreviated: "Ann Lee" for
// "CN=Ann Lee/O=Acme" and for "Ann Lee/Acme"; any other text (a flat name, "<b>A</b>",
// a name whose parts after a "/" hold what no organization's name does) as it is.
std::string commonName(std::string_view userName);

} // namespace brenmoor::notes
