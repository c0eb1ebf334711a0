// The opened address book: the file read in pieces, its probed opening, the walk by
// expat (in batches where the markup allows), and counting and position lookup by
// the byte-level scan (with the full parse as the fallback where the scan cannot be
// sure).
#include "notes/address_book.h"

#include <algorithm>
#include <deque>

#include "notes/batched_walk.h"
#include "notes/book_file.h"
#include "notes/document_scanner.h"
#include "notes/dxl_parser.h"
#include "text/translation.h"
#include "text/text_bytes.h"

namespace brenmoor::notes {

void OtherDocuments::addForm(std::string_view form, std::int64_t count) {
    for (auto& [name, n] : forms)
        if (name == form) {
            n += count;
            return;
        }
    forms.emplace_back(std::string(form), count);
}

void OtherDocuments::add(const OtherDocuments& more) {
    conflicts += more.conflicts;
    keptConflicts.insert(keptConflicts.end(), more.keptConflicts.begin(), more.keptConflicts.end());
    openConflicts.insert(openConflicts.end(), more.openConflicts.begin(), more.openConflicts.end());
    for (const auto& [form, count] : more.forms) addForm(form, count);
}

std::string otherDocumentsText(const OtherDocuments& others) {
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (others.conflicts > 0)
        add(text::arg(others.conflicts == 1 ? text::translate("brenmoor::notes", "%1 conflict")
                                            : text::translate("brenmoor::notes", "%1 conflicts"),
                      {std::to_string(others.conflicts)}));
    for (const auto& [form, count] : others.forms)
        add(std::to_string(count) + " " +
            (form.empty() ? text::translate("brenmoor::notes", "without a form") : form));
    return text;
}

std::string keptConflictsText(const OtherDocuments& others) {
    if (others.keptConflicts.empty()) return {};
    std::string names;
    for (const std::string& name : others.keptConflicts) names += (names.empty() ? "" : ", ") + name;
    return text::arg(text::translate("brenmoor::notes", "kept: conflict without its original: %1"), {names});
}

bool isGroupItem(std::string_view name) {
    for (std::string_view item : {"ListName", "Members", "ListDescription", "ListCategory", "GroupType", "InternetAddress"})
        if (text::equalsIgnoringCase(name, item)) return true;
    return false;
}

namespace {

// The universal IDs of the documents a walk handed out, and which of the conflicts it set
// aside have no parent among them (compared without regard to case, as hex digits are).
class ConflictCheck {
public:
    void seen(const ContactDocument& doc) {
        if (!doc.noteInfo().unid.empty()) unids_.push_back(key(doc.noteInfo().unid));
    }
    // Moves the conflicts whose parent is not in the book out of others, which then
    // counts only the rest, and names them among its kept conflicts.
    std::deque<WalkedDocument> takeLone(OtherDocuments& others) {
        std::deque<WalkedDocument> lone;
        if (others.openConflicts.empty()) return lone;
        std::sort(unids_.begin(), unids_.end());
        for (OtherDocuments::OpenConflict& open : others.openConflicts) {
            if (std::binary_search(unids_.begin(), unids_.end(), key(open.parent))) continue;
            std::string name = displayName(open.document);
            for (std::size_t twice; (twice = name.find("  ")) != std::string::npos;) name.erase(twice, 1);
            if (name.empty()) name = open.document.noteInfo().unid;
            others.keptConflicts.push_back(std::move(name));
            --others.conflicts;
            lone.push_back({std::move(open.document), open.offset});
        }
        others.openConflicts.clear();
        return lone;
    }

private:
    static std::uint64_t key(std::string_view unid) {
        std::uint64_t hash = 0xcbf29ce484222325u;
        for (char c : text::trimmed(unid)) hash = (hash ^ static_cast<unsigned char>(text::lowerAscii(c))) * 0x100000001b3u;
        return hash;
    }
    std::vector<std::uint64_t> unids_;
};

} // namespace

struct AddressBook::Impl {
    explicit Impl(const std::string& path) : file(path), opening(probeBook(file)) {}

    // A scan from offset from; a small window where only one document is looked at.
    DocumentScanner scanner(std::uint64_t from, std::size_t window = 256 << 10) const {
        return DocumentScanner(file, from, opening.rootQName, window);
    }

    // The full parse's answer to documentAt, for books the scan cannot be sure of.
    std::optional<ContactDocument> walkTo(std::int64_t n) const {
        DocumentStream stream(file, {});
        ConflictCheck check;
        std::int64_t i = 1;
        for (;; ++i) {
            auto doc = stream.next();
            if (!doc) break;
            if (i == n) return std::move(doc->document);
            check.seen(doc->document);
        }
        OtherDocuments others = stream.others();
        std::deque<WalkedDocument> lone = check.takeLone(others);
        if (n - i >= std::int64_t(lone.size())) return std::nullopt;
        return std::move(lone[std::size_t(n - i)].document);
    }

    // The count by the full parse, the groups gathered on the way.
    std::int64_t walkCount() {
        static const ItemNames formOnly{"Form"};
        DocumentStream stream(file, formOnly, true);
        ConflictCheck check;
        std::int64_t count = 0;
        for (auto doc = stream.next(); doc; doc = stream.next(), ++count) {
            check.seen(doc->document);
            found(stream.groups());
        }
        found(stream.groups());
        OtherDocuments others = stream.others();
        return count + std::int64_t(check.takeLone(others).size());
    }

    // The count by the full parse after a scan that could not finish it; the parse finds
    // the groups handed out so far again, first.
    std::int64_t recount() {
        groups.clear();
        if (!takeGroup) handedOut = 0;
        alreadyFound = handedOut;
        return walkCount();
    }

    // The count by the scan; each Group document it passes is parsed on its own.
    std::int64_t scanCount() {
        DocumentScanner scanner = this->scanner(opening.rootTagEnd);
        scanner.reportGroups();
        std::int64_t count = 0;
        std::vector<ContactDocument> group;
        while (true) {
            switch (scanner.next(true)) {
            case DocumentScanner::Step::Found: ++count; continue;
            case DocumentScanner::Step::Group:
                if (auto parsed = parseGroupAt(file, opening, scanner.found().start, scanner.found().end)) {
                    group.push_back(std::move(*parsed));
                    found(group);
                }
                continue;
            case DocumentScanner::Step::End:
                file.checkUnchanged();
                if (scanner.passedConflict()) return recount();
                return count;
            case DocumentScanner::Step::Uncertain: return recount();
            case DocumentScanner::Step::Malformed: throw file.malformed(scanner.errorOffset(), scanner.errorText());
            }
        }
    }

    // Hands out the next document of the walk and remembers where it stood.
    // After the walk's last document, the conflicts kept as contacts.
    std::optional<ContactDocument> take(std::optional<WalkedDocument> walked) {
        if (walked) {
            conflictCheck.seen(walked->document);
        } else {
            if (!othersAtEnd) {
                othersAtEnd = batchedWalk ? batchedWalk->others() : walk->others();
                loneConflicts = conflictCheck.takeLone(*othersAtEnd);
            }
            if (loneConflicts.empty()) return std::nullopt;
            walked = std::move(loneConflicts.front());
            loneConflicts.pop_front();
        }
        lastOffset = walked->offset;
        return std::move(walked->document);
    }

    // The walk's own state, started anew with each firstDocument.
    void restartWalk() {
        batchedWalk.reset();
        walk.reset();
        lastOffset.reset();
        conflictCheck = ConflictCheck();
        othersAtEnd.reset();
        loneConflicts.clear();
    }

    BookFile file;
    BookOpening opening;
    ItemNames keep;
    std::unique_ptr<DocumentStream> walk;
    std::unique_ptr<BatchedWalk> batchedWalk;
    std::optional<std::int64_t> count;
    std::vector<ContactDocument> groups; // found by the count, where nobody takes them
    std::function<void(const ContactDocument&)> takeGroup;

    std::size_t handedOut = 0, alreadyFound = 0;

    // Hands the Group documents just found to takeGroup, or keeps them; documents is emptied.
    void found(std::vector<ContactDocument>& documents) {
        for (ContactDocument& doc : documents) {
            if (alreadyFound > 0) --alreadyFound;
            else if (++handedOut, takeGroup) takeGroup(doc);
            else groups.push_back(std::move(doc));
        }
        documents.clear();
    }
    std::optional<std::uint64_t> lastOffset;
    ConflictCheck conflictCheck;
    std::optional<OtherDocuments> othersAtEnd; // once the walk has ended
    std::deque<WalkedDocument> loneConflicts;
};

AddressBook::AddressBook(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
AddressBook::~AddressBook() = default;

const std::string& AddressBook::path() const { return impl_->file.path(); }
const std::string& AddressBook::replicaId() const { return impl_->opening.replicaId; }

std::int64_t AddressBook::entryCount() {
    if (!impl_->count) {
        if (impl_->opening.rootIsEmpty) impl_->count = 0;
        else impl_->count = impl_->opening.plainMarkup ? impl_->scanCount() : impl_->walkCount();
    }
    return *impl_->count;
}

const std::vector<ContactDocument>& AddressBook::groupDocuments() {
    entryCount();
    return impl_->groups;
}

void AddressBook::handOutGroups(std::function<void(const ContactDocument&)> take) {
    for (const ContactDocument& doc : impl_->groups) take(doc);
    impl_->groups.clear();
    impl_->takeGroup = std::move(take);
}

void AddressBook::keepOnlyItems(std::vector<std::string> names) { impl_->keep = std::move(names); }

// Books whose markup the scan can cut are walked in batches on worker threads;
// the others, books without content, and books whose prolog is too long to parse
// again for every batch, in one expat pass.
std::optional<ContactDocument> AddressBook::firstDocument() {
    constexpr std::uint64_t kLongestPrologForBatches = 64 << 10;
    impl_->restartWalk();
    const BookOpening& opening = impl_->opening;
    if (opening.plainMarkup && !opening.rootIsEmpty && opening.rootTagEnd <= kLongestPrologForBatches) {
        impl_->batchedWalk = std::make_unique<BatchedWalk>(impl_->file, impl_->opening, impl_->keep);
        return impl_->take(impl_->batchedWalk->next());
    }
    impl_->walk = std::make_unique<DocumentStream>(impl_->file, impl_->keep);
    return impl_->take(impl_->walk->next());
}

std::optional<ContactDocument> AddressBook::nextDocument() {
    if (impl_->batchedWalk) return impl_->take(impl_->batchedWalk->next());
    if (impl_->walk) return impl_->take(impl_->walk->next());
    return firstDocument();
}

const OtherDocuments& AddressBook::otherDocuments() const {
    static const OtherDocuments none;
    if (impl_->othersAtEnd) return *impl_->othersAtEnd;
    if (impl_->batchedWalk) return impl_->batchedWalk->others();
    if (impl_->walk) return impl_->walk->others();
    return none;
}

std::optional<DocumentPlace> AddressBook::place() const {
    if (!impl_->lastOffset || !impl_->opening.plainMarkup) return std::nullopt;
    return DocumentPlace{impl_->file.identity(), *impl_->lastOffset};
}

void AddressBook::checkWhole() {
    static const ItemNames formOnly{"Form"};
    DocumentStream stream(impl_->file, formOnly);
    while (stream.next()) {
    }
}

std::optional<ContactDocument> AddressBook::documentAt(std::int64_t n) {
    if (n < 1 || impl_->opening.rootIsEmpty) return std::nullopt;
    if (!impl_->opening.plainMarkup) return impl_->walkTo(n);
    DocumentScanner scanner = impl_->scanner(impl_->opening.rootTagEnd);
    for (std::int64_t i = 1;; ++i) {
        auto step = scanner.next(false);
        if (step == DocumentScanner::Step::End) return scanner.passedConflict() ? impl_->walkTo(n) : std::nullopt;
        if (step == DocumentScanner::Step::Malformed)
            throw impl_->file.malformed(scanner.errorOffset(), scanner.errorText());
        if (step == DocumentScanner::Step::Uncertain) return impl_->walkTo(n);
        if (i == n) {
            auto doc = parseDocumentAt(impl_->file, impl_->opening, scanner.found().start, scanner.found().end);
            if (!doc) return impl_->walkTo(n);
            impl_->file.checkUnchanged();
            return doc;
        }
    }
}

std::optional<ContactDocument> AddressBook::documentAt(std::int64_t n, const DocumentPlace& place) {
    const BookOpening& opening = impl_->opening;
    if (n >= 1 && opening.plainMarkup && !opening.rootIsEmpty && place.book == impl_->file.identity() &&
        place.offset >= opening.rootTagEnd && place.offset < impl_->file.size()) {
        try {
            DocumentScanner scanner = impl_->scanner(place.offset, 16 << 10);
            if (scanner.documentHere() == DocumentScanner::Step::Found) {
                auto doc = parseDocumentAt(impl_->file, opening, scanner.found().start, scanner.found().end);
                if (doc) {
                    impl_->file.checkUnchanged();
                    return doc;
                }
            }
        } catch (const NotesError&) {
            // The position lookup below says what is wrong, if anything is.
        }
    }
    return documentAt(n);
}

} // namespace brenmoor::notes
