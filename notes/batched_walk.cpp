// The batched walk: runs of whole documents, cut by a guess that the parse proves
// (or by the position scan), parsed ahead on worker threads, handed out in file order.
#include "notes/batched_walk.h"

#include <cstring>
#include <string>

#include "notes/document_scanner.h"

namespace brenmoor::notes {

namespace {

// The piece of the book read at a time while a guessed cut is looked for.
constexpr std::size_t kGuessReach = 64 << 10;

} // namespace

BatchedWalk::BatchedWalk(const BookFile& file, const BookOpening& opening, const ItemNames& keep,
                         std::uint64_t batchBytes, std::size_t inFlight)
    : file_(file), opening_(opening), keep_(keep), batchBytes_(batchBytes == 0 ? 1 : batchBytes),
      inFlight_(inFlight == 0 ? 1 : inFlight), cut_(opening.rootTagEnd) {
    std::size_t colon = opening.rootQName.find(':');
    endTag_ = "</" + (colon == std::string::npos ? std::string() : opening.rootQName.substr(0, colon + 1)) + "document>";
}

BatchedWalk::~BatchedWalk() {
    for (auto& batch : pending_)
        if (batch.valid()) batch.wait();
}

std::optional<std::uint64_t> BatchedWalk::guessCut(std::uint64_t from) {
    // Nothing after where an earlier look found no end tag up to the end of the book.
    if (from >= noEndTagFrom_) return std::nullopt;
    // A document's end usually stands within a few kilobytes; a long document's is read
    // for piece by piece, so that a huge value costs no memory here.
    std::string bytes(kGuessReach, '\0');
    const std::size_t overlap = endTag_.size() - 1;
    std::uint64_t pieceStart = from; // the offset of bytes[0]
    std::size_t carried = 0;         // bytes at the front kept from the piece before
    std::size_t piece = kGuessReach / 8;
    while (true) {
        const std::size_t got = file_.read(pieceStart + carried, bytes.data() + carried, piece - carried);
        const std::size_t length = carried + got;
        if (const void* at = memmem(bytes.data(), length, endTag_.data(), endTag_.size()))
            return pieceStart + static_cast<std::uint64_t>(static_cast<const char*>(at) - bytes.data()) +
                   endTag_.size();
        if (got < piece - carried) break; // the end of the book
        carried = std::min(overlap, length);
        std::memmove(bytes.data(), bytes.data() + length - carried, carried);
        pieceStart += length - carried;
        piece = kGuessReach;
    }
    noEndTagFrom_ = from;
    return std::nullopt;
}

std::optional<std::uint64_t> BatchedWalk::scannedCut(std::uint64_t start) const {
    DocumentScanner scanner(file_, start, opening_.rootQName);
    while (true) {
        switch (scanner.next(false)) {
        case DocumentScanner::Step::Found:
            if (scanner.found().end - start >= batchBytes_) return scanner.found().end;
            continue;
        case DocumentScanner::Step::Group: continue; // never asked for
        case DocumentScanner::Step::Uncertain: return std::nullopt;
        // The rest goes into the last run: it holds less than a run of documents, or
        // the parse fails within what the scan passed.
        case DocumentScanner::Step::End:
        case DocumentScanner::Step::Malformed: return file_.size();
        }
    }
}

void BatchedWalk::launchScanned(std::uint64_t start) {
    if (auto end = scannedCut(start)) {
        launch(start, *end, false);
    } else {
        rest_ = std::make_unique<DocumentStream>(file_, keep_, opening_, start);
        cut_ = file_.size();
    }
}

void BatchedWalk::launch(std::uint64_t start, std::uint64_t end, bool endGuessed) {
    cut_ = end;
    pending_.push_back(std::async(std::launch::async, [this, start, end, endGuessed] {
        Batch batch;
        batch.start = start;
        batch.endGuessed = endGuessed;
        try {
            parseContent(file_, opening_, start, end, keep_, batch.documents, batch.others);
        } catch (...) {
            batch.fault = std::current_exception();
        }
        return batch;
    }));
}

bool BatchedWalk::launchNext() {
    std::uint64_t start = cut_;
    if (start >= file_.size()) return false;
    if (batchBytes_ >= file_.size() - start) {
        launch(start, file_.size(), false);
        return true;
    }
    if (auto guess = guessCut(start + batchBytes_)) {
        launch(start, *guess, true);
        return true;
    }
    launchScanned(start);
    return true;
}

void BatchedWalk::fillPipeline() {
    while (pending_.size() < inFlight_ && launchNext()) {
    }
}

const OtherDocuments& BatchedWalk::others() const {
    if (!rest_) return others_;
    // The stream after the runs counts on its own; the sum is made when asked.
    combined_ = others_;
    combined_.add(rest_->others());
    return combined_;
}

std::optional<WalkedDocument> BatchedWalk::next() {
    while (index_ >= current_.documents.size()) {
        if (current_.fault) std::rethrow_exception(current_.fault);
        fillPipeline();
        if (pending_.empty()) return rest_ ? rest_->next() : std::nullopt;
        current_ = pending_.front().get();
        pending_.pop_front();
        index_ = 0;
        if (current_.fault && current_.endGuessed) {
            // The guess may have cut through markup: the runs after it started at that
            // guess and are dropped; this run is cut again where the scan says.
            for (auto& batch : pending_) batch.wait();
            pending_.clear();
            std::uint64_t start = current_.start;
            current_ = Batch{};
            launchScanned(start);
            continue;
        }
        others_.add(current_.others);
        fillPipeline();
    }
    return std::move(current_.documents[index_++]);
}

} // namespace brenmoor::notes
