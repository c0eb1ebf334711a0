// The fuzz targets: each takes one input of arbitrary bytes and checks what must hold for
// every input, aborting with a message where it does not. libFuzzer drives them when built
// with clang (run.sh); the test command replays the committed corpus through the very same
// functions in a normal build (replay.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brenmoor::fuzz {

// The input as an address book: reading it never crashes; where the full walk reads it,
// the count equals the walk, show's lookup (documentAt) gives each contact of the walk,
// and each contact's CSV line reads back into its 41 values.
int bookTarget(const std::uint8_t* data, std::size_t size);

// The input as the values of one contact (split at NUL bytes, in the catalogue's order):
// its CSV line is one RFC 4180 record of 41 fields holding the values exactly.
int csvLineTarget(const std::uint8_t* data, std::size_t size);

// The input as one document's items (split at NUL bytes, in the catalogue's order): the
// contact model read from it, spelled by the vCard 3.0, vCard 4.0, LDIF and Outlook CSV
// writers, reads back from each output, field by field, by a reader of the target's own.
int importersTarget(const std::uint8_t* data, std::size_t size);

// The input (after a first byte that sets the size of the runs) as an address book: the
// batched walk hands out the same documents, at the same offsets, in the same order, and
// fails with the same error as one full parse.
int walkTarget(const std::uint8_t* data, std::size_t size);

// The input as an address book: its mailing lists resolved (members name contacts of the
// walk and other lists; expansion holds each member once), then written by the LDIF and
// PST writers without failing, the LDIF's members each the dn of an entry of the file.
int groupsTarget(const std::uint8_t* data, std::size_t size);

// Where a failed check reports; the replay names the input file here.
void setCurrentInput(std::string name);

// Aborts with the message, naming the input, where ok is false.
void check(bool ok, const std::string& what);

// The bytes in a file of this process's own (the reader takes a path); its path.
std::string inputAsFile(const std::uint8_t* data, std::size_t size);

struct Target {
    std::string_view name;
    int (*run)(const std::uint8_t*, std::size_t);
};
inline constexpr Target kTargets[] = {
    {"book", &bookTarget}, {"csv_line", &csvLineTarget}, {"importers", &importersTarget}, {"walk", &walkTarget},
    {"groups", &groupsTarget}};

} // namespace brenmoor::fuzz
