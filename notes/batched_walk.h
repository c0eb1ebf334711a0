// The walk over a book in batches: the root's content is cut into runs of whole
// documents, and expat parses each run on a worker thread while the caller works
// through the run before it. Every byte of the content is parsed, so the walk checks
// the whole book as one expat pass would, and hands out the same documents in the
// same order; a fault is raised after the documents before it.
//
// A run is cut just after the first end tag of a document past its planned size,
// without scanning the bytes before it (and however far that end tag is: a huge
// document costs no memory to cut). Such a cut is only a guess (the end tag may
// stand in a comment, or close a document nested in an item), but the parse proves
// it: a run that starts between two children of the root and parses as the root's
// content ends between two children too. Runs are handed out in order, so each one
// starts where a proven run ended. When a run with a guessed end fails, it is cut
// again by the position scan, and the runs after it are parsed again. Where the scan
// cannot cut either (a document it cannot judge by its bytes), the rest of the book
// is walked in one stream, so memory never holds more than a run's documents.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes/book_file.h"
#include "notes/dxl_parser.h"

namespace brenmoor::notes {

class BatchedWalk {
public:
    // Runs hold at least batchBytes of the book (the last one whatever is left);
    // up to inFlight runs are parsed ahead. keep: the items kept of each document.
    // Each run parses the book's prolog again, so a book with a long one is better
    // walked in one stream.
    BatchedWalk(const BookFile& file, const BookOpening& opening, const ItemNames& keep,
                std::uint64_t batchBytes = 2u << 20, std::size_t inFlight = 4);
    ~BatchedWalk();
    BatchedWalk(const BatchedWalk&) = delete;
    BatchedWalk& operator=(const BatchedWalk&) = delete;

    std::optional<WalkedDocument> next();
    // The documents passed over in the runs handed out so far: complete once next()
    // gave nothing.
    const OtherDocuments& others() const;

private:
    struct Batch {
        std::uint64_t start = 0;
        bool endGuessed = false;
        std::vector<WalkedDocument> documents;
        OtherDocuments others;
        std::exception_ptr fault;
    };
    // Cuts the next run and starts its parse; false when the content is all cut.
    bool launchNext();
    void launch(std::uint64_t start, std::uint64_t end, bool endGuessed);
    void fillPipeline();
    // Just after the first end tag of a document at or after from; nothing where none
    // stands before the end of the book.
    std::optional<std::uint64_t> guessCut(std::uint64_t from);
    // Just after the first Person document that ends batchBytes or more after start,
    // as the position scan finds it; the end of the book where there is none; nothing
    // where the scan cannot tell.
    std::optional<std::uint64_t> scannedCut(std::uint64_t start) const;
    // Cuts a run from start by the scan, or streams the rest of the book from there.
    void launchScanned(std::uint64_t start);

    const BookFile& file_;
    const BookOpening& opening_;
    const ItemNames keep_; // a copy, read by the worker threads: the caller may change its own
    std::uint64_t batchBytes_;
    std::size_t inFlight_;
    std::string endTag_; // a document's end tag, with the root's prefix
    std::uint64_t cut_;  // where the next run starts
    std::uint64_t noEndTagFrom_ = UINT64_MAX; // no document end tag stands from here on
    std::deque<std::future<Batch>> pending_;
    Batch current_;
    std::size_t index_ = 0;
    OtherDocuments others_; // of the runs taken, each counted when it is taken
    mutable OtherDocuments combined_; // with the stream's, where there is one
    std::unique_ptr<DocumentStream> rest_; // after the runs, where the scan could not cut
};

} // namespace brenmoor::notes
