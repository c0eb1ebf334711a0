// SHA-256 (FIPS 180-4) of a file, for the batch report: the fingerprint by which a later
// run knows a book it has converted before.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::cli {

// The lower-case hex SHA-256 of the file at path; throws std::runtime_error naming the
// file where it cannot be read or is no regular file (a device or a pipe never ends).
std::string fileSha256(const std::string& path);
// The lower-case hex SHA-256 of text.
std::string textSha256(std::string_view text);

} // namespace brenmoor::cli
