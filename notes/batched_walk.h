// The walk over a book in batches: the position scan cuts the root's content into
// runs of whole documents, and expat parses each run on a worker thread while the
// caller works through the run before it. Every byte of the content is parsed, so
// the walk checks the whole book as one expat pass would, and hands out the same
// documents in the same order; a fault is raised after the documents before it.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <future>
#include <optional>
#include <vector>

#include "notes/book_file.h"
#include "notes/document_scanner.h"
#include "notes/dxl_parser.h"

namespace brenmoor::notes {

class BatchedWalk {
public:
    // Runs hold at least batchBytes of the book (the last one whatever is left);
    // up to inFlight runs are parsed ahead.
    BatchedWalk(const BookFile& file, const BookOpening& opening, std::uint64_t batchBytes = 4u << 20,
                std::size_t inFlight = 2);
    ~BatchedWalk();
    BatchedWalk(const BatchedWalk&) = delete;
    BatchedWalk& operator=(const BatchedWalk&) = delete;

    std::optional<ContactDocument> next();

private:
    struct Batch {
        std::vector<ContactDocument> documents;
        std::exception_ptr fault;
    };
    // Cuts the next run and starts its parse; false when the content is all cut.
    bool launchNext();

    const BookFile& file_;
    const BookOpening& opening_;
    std::uint64_t batchBytes_;
    std::size_t inFlight_;
    DocumentScanner scanner_;
    std::uint64_t cut_;      // where the next run starts
    bool allCut_ = false;
    std::deque<std::future<Batch>> pending_;
    Batch current_;
    std::size_t index_ = 0;
};

} // namespace brenmoor::notes
