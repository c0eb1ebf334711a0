// The name of a contact's own file (text and HTML exports): first name, last name,
// "_", running number and extension, made safe to create on Linux and Windows alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brenmoor::exporting {

// Longest file name, in bytes, that the common file systems accept.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// firstName + lastName + "_" + runningNumber + extension (extension with its dot).
// Spaces, path separators, characters Windows refuses (: * ? " < > |) and control
// characters become "_", and so does a leading "." (it would hide the file); a name
// part too long for kMaxFileNameBytes is cut at a UTF-8 character boundary, keeping
// "_", the number and the extension.
std::string contactFileName(std::string_view firstName, std::string_view lastName,
                            std::int64_t runningNumber, std::string_view extension);

// A name from elsewhere (an attached file's) made safe by the same rules: the characters
// above become "_", a leading "." too, a name too long is cut before its extension (the
// part from its last "."), and an empty one is "_".
std::string safeFileName(std::string_view name);

} // namespace brenmoor::exporting
