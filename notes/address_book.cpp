// The opened address book: the mapped file, its probed opening, the walk by one
// expat pass, and counting and position lookup by the byte-level scan (with the
// full parse as the fallback where the scan cannot be sure).
#include "notes/address_book.h"

#include "notes/batched_walk.h"
#include "notes/book_file.h"
#include "notes/document_scanner.h"
#include "notes/dxl_parser.h"

namespace brenmoor::notes {

struct AddressBook::Impl {
    explicit Impl(const std::string& path) : file(path), opening(probeBook(file)) {}

    DocumentScanner scanner() const { return DocumentScanner(file.bytes(), opening.rootTagEnd, opening.rootQName); }

    // The full parse's answer to documentAt, for books the scan cannot be sure of.
    std::optional<ContactDocument> walkTo(std::int64_t n) const {
        DocumentStream stream(file);
        for (std::int64_t i = 1;; ++i) {
            auto doc = stream.next();
            if (!doc || i == n) return doc;
        }
    }

    std::int64_t walkCount() const {
        DocumentStream stream(file);
        std::int64_t count = 0;
        while (stream.next()) ++count;
        return count;
    }

    BookFile file;
    BookOpening opening;
    std::unique_ptr<DocumentStream> walk;
    std::unique_ptr<BatchedWalk> batchedWalk;
    std::optional<std::int64_t> count;
};

AddressBook::AddressBook(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
AddressBook::~AddressBook() = default;

const std::string& AddressBook::path() const { return impl_->file.path(); }

std::int64_t AddressBook::entryCount() {
    if (impl_->count) return *impl_->count;
    std::int64_t count = 0;
    if (!impl_->opening.rootIsEmpty) {
        if (!impl_->opening.plainMarkup) {
            count = impl_->walkCount();
        } else {
            DocumentScanner scanner = impl_->scanner();
            while (true) {
                auto step = scanner.next(true);
                if (step == DocumentScanner::Step::Found) {
                    ++count;
                    continue;
                }
                if (step == DocumentScanner::Step::Malformed)
                    throw impl_->file.malformed(scanner.errorOffset(), scanner.errorText());
                if (step == DocumentScanner::Step::Uncertain) count = impl_->walkCount();
                break;
            }
        }
    }
    impl_->count = count;
    return count;
}

// Books whose markup the scan can cut are walked in batches on worker threads;
// the others, and books without content, in one expat pass.
std::optional<ContactDocument> AddressBook::firstDocument() {
    impl_->batchedWalk.reset();
    impl_->walk.reset();
    if (impl_->opening.plainMarkup && !impl_->opening.rootIsEmpty) {
        impl_->batchedWalk = std::make_unique<BatchedWalk>(impl_->file, impl_->opening);
        return impl_->batchedWalk->next();
    }
    impl_->walk = std::make_unique<DocumentStream>(impl_->file);
    return impl_->walk->next();
}

std::optional<ContactDocument> AddressBook::nextDocument() {
    if (impl_->batchedWalk) return impl_->batchedWalk->next();
    if (impl_->walk) return impl_->walk->next();
    return firstDocument();
}

std::optional<ContactDocument> AddressBook::documentAt(std::int64_t n) {
    if (n < 1 || impl_->opening.rootIsEmpty) return std::nullopt;
    if (!impl_->opening.plainMarkup) return impl_->walkTo(n);
    DocumentScanner scanner = impl_->scanner();
    for (std::int64_t i = 1;; ++i) {
        auto step = scanner.next(false);
        if (step == DocumentScanner::Step::End) return std::nullopt;
        if (step == DocumentScanner::Step::Malformed)
            throw impl_->file.malformed(scanner.errorOffset(), scanner.errorText());
        if (step == DocumentScanner::Step::Uncertain) return impl_->walkTo(n);
        if (i == n) {
            auto doc = parseDocumentAt(impl_->file, impl_->opening, scanner.found().start, scanner.found().end);
            if (!doc) return impl_->walkTo(n);
            return doc;
        }
    }
}

} // namespace brenmoor::notes
