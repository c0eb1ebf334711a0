// Which items of a Notes document are the user's data: Notes keeps its own bookkeeping
// beside them (items beginning with "$", a few named fields of the forms), and a
// directory person may hold secrets that must never leave the book. The writers and the
// run's summary ask here, so that one list says it for every format.
#pragma once

#include <string_view>

namespace brenmoor::contact {

// Notes' own bookkeeping: a name beginning with "$", or one of the forms' working
// fields: Form, Type, PhoneFldsDisplayed, AddressFldDisplayed, FullNameInput,
// CompanyNameSort, MailSystem, MailServer, MailFile, MessageStorage,
// ClientType, AvailableForDirSync, EncryptIncomingMail, DocumentAccess, Owner,
// LocalAdmin (the password settings of a directory person count as secrets).
// Names compare without regard to case, as Notes compares them.
bool isBookkeepingItem(std::string_view name);

// A secret, never written anywhere: a name that holds "password" (HTTPPassword, password
// digests), "certificate" or "privatekey", and PublicKey; without regard to case.
bool isSecretItem(std::string_view name);

// Neither bookkeeping nor a secret: a value the user stored.
inline bool isUserItem(std::string_view name) { return !isBookkeepingItem(name) && !isSecretItem(name); }

} // namespace brenmoor::contact
