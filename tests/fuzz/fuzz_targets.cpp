// The fuzz targets over the address book reader, show's lookup against the full walk, and
// the CSV writer, with the checks that make a wrong answer as loud as a crash.
#include "tests/fuzz/fuzz_targets.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <vector>

#include "export/csv_writer.h"
#include "export/export_error.h"
#include "notes/address_book.h"
#include "notes/dxl_parser.h"

namespace brenmoor::fuzz {

namespace {

using notes::AddressBook;
using notes::ContactDocument;

// More contacts than a small input can hold would only slow the fuzzer.
constexpr std::size_t kMostContactsChecked = 2000;
constexpr std::size_t kMostLookupsChecked = 64;

std::string& currentInput() {
    static std::string name;
    return name;
}

} // namespace

void check(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed%s%s: %s\n", currentInput().empty() ? "" : " on ",
                 currentInput().c_str(), what.c_str());
    std::abort();
}

std::string inputAsFile(const std::uint8_t* data, std::size_t size) {
    // One file per process, removed when it ends (a crash leaves it, beside the report).
    static const struct InputFile {
        std::string path;
        ~InputFile() { ::unlink(path.c_str()); }
    } file{[] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/brenmoor-fuzz-" + std::to_string(::getpid()) + ".dxl";
    }()};
    const std::string& path = file.path;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    check(fd >= 0, "cannot write the input to " + path);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        check(n > 0, "cannot write the input to " + path);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return path;
}

namespace {

bool sameDocument(const ContactDocument& a, const ContactDocument& b) {
    if (a.items().size() != b.items().size()) return false;
    for (std::size_t i = 0; i < a.items().size(); ++i) {
        const auto& [nameA, valueA] = a.items()[i];
        const auto& [nameB, valueB] = b.items()[i];
        if (nameA != nameB || valueA.kind != valueB.kind || valueA.text != valueB.text || valueA.more != valueB.more)
            return false;
    }
    return a.noteInfo().unid == b.noteInfo().unid && a.noteInfo().modified == b.noteInfo().modified;
}

// One CSV record as RFC 4180 reads it; nothing where line is not exactly one record.
std::optional<std::vector<std::string>> readRecord(std::string_view line) {
    if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n") return std::nullopt;
    line.remove_suffix(2);
    std::vector<std::string> fields(1);
    std::size_t i = 0;
    while (i <= line.size()) {
        std::string& field = fields.back();
        if (i < line.size() && line[i] == '"') {
            for (++i;; ++i) {
                if (i >= line.size()) return std::nullopt; // unterminated quote
                if (line[i] != '"') {
                    field += line[i];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < line.size() && line[i] != ',') {
                if (line[i] == '"' || line[i] == '\r' || line[i] == '\n') return std::nullopt;
                field += line[i++];
            }
        }
        if (i == line.size()) return fields;
        if (line[i] != ',') return std::nullopt;
        fields.emplace_back();
        ++i;
    }
    return fields;
}

// The item of each CSV column, found from a contact whose items hold their own names.
const std::vector<std::string>& csvColumnItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::pair<std::string, notes::ItemValue>> named;
        for (const auto& info : notes::kContactItems)
            named.emplace_back(std::string(info.notesName),
                               notes::ItemValue{notes::ItemValue::Kind::Text, std::string(info.notesName), {}});
        auto fields = readRecord(exporting::csvContactLine(ContactDocument(std::move(named))));
        check(fields && fields->size() == 41, "the CSV line of a plain contact is not a record of 41 fields");
        return *fields;
    }();
    return items;
}

void checkCsvLine(const ContactDocument& doc) {
    const std::string line = exporting::csvContactLine(doc);
    const auto fields = readRecord(line);
    check(fields.has_value(), "a CSV line is not one RFC 4180 record: " + line);
    check(fields->size() == 41, "a CSV record has " + std::to_string(fields->size()) + " fields: " + line);
    const auto& items = csvColumnItems();
    for (std::size_t column = 0; column < items.size(); ++column)
        check((*fields)[column] == doc.itemText(items[column]),
              "CSV column " + std::to_string(column + 1) + " (" + items[column] + ") reads back as \"" +
                  (*fields)[column] + "\", not \"" + doc.itemText(items[column]) + "\"");
}

// The full walk, or nothing where the book is not well-formed (or too big to check).
std::optional<std::vector<ContactDocument>> walk(const std::string& path) {
    std::vector<ContactDocument> docs;
    try {
        AddressBook book(path);
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
            if (docs.size() == kMostContactsChecked) return std::nullopt;
            docs.push_back(std::move(*doc));
        }
    } catch (const notes::NotesError&) {
        return std::nullopt;
    }
    return docs;
}

} // namespace

void setCurrentInput(std::string name) { currentInput() = std::move(name); }

int bookTarget(const std::uint8_t* data, std::size_t size) {
    const std::string path = inputAsFile(data, size);
    const auto docs = walk(path);
    if (!docs) {
        // A book the walk rejects: counting and lookups may answer or refuse, never crash.
        try {
            AddressBook book(path);
            for (std::int64_t n : {1, 2, 3}) (void)book.documentAt(n);
            (void)book.entryCount();
        } catch (const notes::NotesError&) {
        }
        return 0;
    }

    try {
        AddressBook book(path);
        const std::int64_t count = book.entryCount();
        check(count == static_cast<std::int64_t>(docs->size()),
              "the count says " + std::to_string(count) + ", the walk read " + std::to_string(docs->size()) + " contacts");
        const std::size_t lookups = std::min(docs->size(), kMostLookupsChecked);
        for (std::size_t n = 1; n <= lookups; ++n) {
            const auto doc = book.documentAt(static_cast<std::int64_t>(n));
            check(doc.has_value(), "show " + std::to_string(n) + " finds no contact; the walk has " +
                                       std::to_string(docs->size()));
            check(sameDocument(*doc, (*docs)[n - 1]), "show " + std::to_string(n) + " differs from the walk");
        }
        if (docs->size() < kMostLookupsChecked)
            check(!book.documentAt(static_cast<std::int64_t>(docs->size()) + 1),
                  "show " + std::to_string(docs->size() + 1) + " finds a contact the walk does not have");
        check(!book.documentAt(0), "show 0 finds a contact");
        // The groups the count gathers (by the scan where it can) are those a full parse finds.
        const notes::BookFile file(path);
        notes::DocumentStream stream(file, {"Form"}, true);
        while (stream.next()) {
        }
        const auto& groups = book.groupDocuments();
        check(groups.size() == stream.groups().size(), "the count finds " + std::to_string(groups.size()) +
                                                           " groups, the full parse " +
                                                           std::to_string(stream.groups().size()));
        for (std::size_t i = 0; i < std::min(groups.size(), stream.groups().size()); ++i)
            check(sameDocument(groups[i], stream.groups()[i]), "group " + std::to_string(i + 1) + " differs");
    } catch (const notes::NotesError& e) {
        check(false, std::string("the walk reads the book, but opening, counting or show fails: ") + e.what());
    }
    for (const ContactDocument& doc : *docs) checkCsvLine(doc);
    return 0;
}

int csvLineTarget(const std::uint8_t* data, std::size_t size) {
    std::vector<std::pair<std::string, notes::ItemValue>> items;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (const auto& info : notes::kContactItems) {
        if (rest.empty()) break;
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        items.emplace_back(std::string(info.notesName),
                           notes::ItemValue{notes::ItemValue::Kind::Text, std::string(rest.substr(0, end)), {}});
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    checkCsvLine(ContactDocument(std::move(items)));
    return 0;
}

} // namespace brenmoor::fuzz
