// The batched walk: runs of whole documents cut by the position scan, parsed ahead
// on worker threads, handed out in file order.
#include "notes/batched_walk.h"

namespace brenmoor::notes {

BatchedWalk::BatchedWalk(const BookFile& file, const BookOpening& opening, std::uint64_t batchBytes,
                         std::size_t inFlight)
    : file_(file), opening_(opening), batchBytes_(batchBytes), inFlight_(inFlight == 0 ? 1 : inFlight),
      scanner_(file.bytes(), opening.rootTagEnd, opening.rootQName), cut_(opening.rootTagEnd) {
    // Each run parses the prolog again: a book with a long one is parsed as one run.
    if (opening.rootTagEnd > batchBytes_ || !opening.plainMarkup) batchBytes_ = UINT64_MAX;
}

BatchedWalk::~BatchedWalk() {
    for (auto& batch : pending_)
        if (batch.valid()) batch.wait();
}

bool BatchedWalk::launchNext() {
    if (allCut_) return false;
    std::uint64_t start = cut_;
    std::uint64_t end = file_.size();
    while (batchBytes_ != UINT64_MAX) {
        if (scanner_.next(false) != DocumentScanner::Step::Found) break; // the rest goes into the last run
        if (scanner_.found().end - start >= batchBytes_) {
            end = scanner_.found().end;
            break;
        }
    }
    if (end == file_.size()) allCut_ = true;
    cut_ = end;
    pending_.push_back(std::async(std::launch::async, [this, start, end] {
        Batch batch;
        try {
            parseContent(file_, opening_, start, end, batch.documents);
        } catch (...) {
            batch.fault = std::current_exception();
        }
        file_.release(start, end);
        return batch;
    }));
    return true;
}

std::optional<ContactDocument> BatchedWalk::next() {
    while (index_ >= current_.documents.size()) {
        if (current_.fault) std::rethrow_exception(current_.fault);
        while (pending_.size() < inFlight_ && launchNext()) {
        }
        if (pending_.empty()) return std::nullopt;
        current_ = pending_.front().get();
        pending_.pop_front();
        index_ = 0;
        while (pending_.size() < inFlight_ && launchNext()) {
        }
    }
    return std::move(current_.documents[index_++]);
}

} // namespace brenmoor::notes
