// The batched walk against one full parse of the same book: the runs it cuts by guess or
// by the position scan, parsed on worker threads, must add up to exactly what a single
// expat pass hands out, documents, offsets, order and error alike, and pass over the
// same other documents.
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "notes/batched_walk.h"
#include "notes/book_file.h"
#include "notes/dxl_parser.h"
#include "tests/fuzz/fuzz_targets.h"

namespace brenmoor::fuzz {

namespace {

using notes::WalkedDocument;

// More documents than a small input can hold would only slow the fuzzer.
constexpr std::size_t kMostDocuments = 4000;

struct Outcome {
    std::vector<WalkedDocument> documents;
    std::optional<std::string> error; // the message the walk ended with
};

template <typename Walk>
Outcome walkAll(Walk& walk) {
    Outcome outcome;
    try {
        while (auto doc = walk.next()) {
            outcome.documents.push_back(std::move(*doc));
            if (outcome.documents.size() == kMostDocuments) break;
        }
    } catch (const notes::NotesError& e) {
        outcome.error = e.what();
    }
    return outcome;
}

std::string describe(const WalkedDocument& doc) {
    std::string text = "at " + std::to_string(doc.offset) + " {";
    for (const auto& [name, value] : doc.document.items()) {
        text += name + "=" + std::to_string(static_cast<int>(value.kind)) + ":" + value.text;
        for (const auto& more : value.more) text += "|" + more;
        text += ";";
    }
    return text + " unid " + doc.document.noteInfo().unid + " modified " + doc.document.noteInfo().modified + "}";
}

} // namespace

int walkTarget(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // Runs from 1 to 256 bytes cut the smallest books into many; 1 to 4 of them parsed ahead.
    const std::uint64_t batchBytes = 1u + data[0];
    const std::size_t inFlight = 1u + (data[0] & 3u);
    const std::string path = inputAsFile(data + 1, size - 1);
    std::optional<notes::BookFile> file;
    notes::BookOpening opening;
    try {
        file.emplace(path);
        opening = notes::probeBook(*file);
    } catch (const notes::NotesError&) {
        return 0;
    }
    // The address book walks in batches only books of plain markup with content.
    if (!opening.plainMarkup || opening.rootIsEmpty) return 0;

    const notes::ItemNames keep;
    notes::DocumentStream stream(*file, keep);
    const Outcome whole = walkAll(stream);
    notes::BatchedWalk batched(*file, opening, keep, batchBytes, inFlight);
    const Outcome runs = walkAll(batched);

    const std::size_t common = std::min(whole.documents.size(), runs.documents.size());
    for (std::size_t i = 0; i < common; ++i) {
        const std::string a = describe(whole.documents[i]);
        const std::string b = describe(runs.documents[i]);
        check(a == b, "document " + std::to_string(i + 1) + " of the batched walk differs from the full parse's: " + b +
                          " against " + a);
    }
    check(whole.documents.size() == runs.documents.size(),
          "the full parse hands out " + std::to_string(whole.documents.size()) + " documents, the batched walk " +
              std::to_string(runs.documents.size()));
    if (whole.documents.size() == kMostDocuments) return 0;
    check(whole.error == runs.error, "the full parse ends with \"" + whole.error.value_or("no error") +
                                         "\", the batched walk with \"" + runs.error.value_or("no error") + "\"");
    if (whole.error) return 0;
    check(stream.others().conflicts == batched.others().conflicts && stream.others().forms == batched.others().forms,
          "the full parse and the batched walk count other documents differently");
    return 0;
}

} // namespace brenmoor::fuzz
