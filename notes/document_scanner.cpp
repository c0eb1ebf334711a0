// The position scan over the book's bytes: tags counted and matched, comments,
// CDATA sections and processing instructions stepped over, Person documents found.
#include "notes/document_scanner.h"

#include <cstring>

#include "text/text_bytes.h"

namespace brenmoor::notes {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameEnd(char c) { return isSpace(c) || c == '>' || c == '/'; }

bool isPerson(std::string_view value) { return text::equalsIgnoringCase(value, "person"); }

const char* find(const char* from, const char* end, std::string_view needle) {
    if (from >= end) return nullptr;
    return static_cast<const char*>(memmem(from, static_cast<std::size_t>(end - from), needle.data(), needle.size()));
}

// Whether the '<' at p may start markup that skipContent looks at: a comment, CDATA
// section or processing instruction, or a start or end tag whose name begins with
// first. A '<' too near the end to tell counts as one.
bool isCandidate(const char* p, const char* end, char first) {
    if (end - p < 3) return true;
    char next = p[1];
    return next == '!' || next == '?' || next == first || (next == '/' && p[2] == first);
}

// The first candidate '<' at or after p, or end. Sixteen bytes at a time where the
// compiler has vectors: nearly every tag inside a document is passed over unread.
const char* nextCandidate(const char* p, const char* end, char first) {
#if (defined(__GNUC__) || defined(__clang__)) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    using Bytes = char __attribute__((vector_size(16)));
    while (end - p >= 18) {
        Bytes at, next, after;
        std::memcpy(&at, p, 16);
        std::memcpy(&next, p + 1, 16);
        std::memcpy(&after, p + 2, 16);
        auto hits = (at == '<') & ((next == '!') | (next == '?') | (next == first) | ((next == '/') & (after == first)));
        std::uint64_t low, high;
        std::memcpy(&low, &hits, 8);
        std::memcpy(&high, reinterpret_cast<const char*>(&hits) + 8, 8);
        if (low) return p + __builtin_ctzll(low) / 8;
        if (high) return p + 8 + __builtin_ctzll(high) / 8;
        p += 16;
    }
#endif
    while (true) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (!p) return end;
        if (isCandidate(p, end, first)) return p;
        ++p;
    }
}

} // namespace

DocumentScanner::DocumentScanner(const BookFile& file, std::uint64_t contentStart, std::string rootQName,
                                 std::size_t windowBytes)
    : window_(file, windowBytes), pos_(contentStart), rootQName_(std::move(rootQName)) {
    std::size_t colon = rootQName_.find(':');
    if (colon != std::string::npos) rootPrefix_ = rootQName_.substr(0, colon);
}

void DocumentScanner::view() {
    begin_ = window_.data();
    end_ = begin_ + window_.size();
    viewStart_ = window_.start();
    viewReachesEnd_ = window_.reachesEndOfBook();
}

bool DocumentScanner::has(const char* p, std::size_t n) {
    if (static_cast<std::size_t>(end_ - p) >= n) return true;
    if (!viewReachesEnd_) needMore_ = true;
    return false;
}

bool DocumentScanner::startsWith(const char* p, std::string_view text) {
    return has(p, text.size()) && std::memcmp(p, text.data(), text.size()) == 0;
}

DocumentScanner::Unit DocumentScanner::fail(const char* at, std::string text) {
    if (needMore_) return Unit::NeedMore;
    errorOffset_ = offsetOf(at);
    errorText_ = std::move(text);
    return Unit::Malformed;
}

DocumentScanner::Unit DocumentScanner::ranOutAt(std::uint64_t offset, std::string text) {
    if (!viewReachesEnd_) {
        needMore_ = true;
        return Unit::NeedMore;
    }
    if (needMore_) return Unit::NeedMore;
    errorOffset_ = offset;
    errorText_ = std::move(text);
    return Unit::Malformed;
}

DocumentScanner::Unit DocumentScanner::ranOut(const char* at, std::string text) {
    if (!viewReachesEnd_) {
        needMore_ = true;
        return Unit::NeedMore;
    }
    return fail(at, std::move(text));
}

const char* DocumentScanner::skipSpecial(const char* p) {
    const char* close = nullptr;
    std::size_t closeLength = 0;
    if (has(p, 2) && p[1] == '?') {
        close = find(p + 2, end_, "?>");
        closeLength = 2;
    } else if (startsWith(p, "<!--")) {
        close = find(p + 4, end_, "-->");
        closeLength = 3;
    } else if (startsWith(p, "<![CDATA[")) {
        close = find(p + 9, end_, "]]>");
        closeLength = 3;
    } else {
        fail(p, "not well-formed (invalid token)");
        return nullptr;
    }
    if (!close) {
        ranOut(p, "unclosed token");
        return nullptr;
    }
    return close + closeLength;
}

int DocumentScanner::namedAt(const char* p, std::string_view name) {
    if (p < end_ && *p != name[0]) return 0;
    if (!has(p, name.size() + 1)) return needMore_ ? -1 : 0;
    return std::memcmp(p, name.data(), name.size()) == 0 && isNameEnd(p[name.size()]) ? 1 : 0;
}

const char* DocumentScanner::tagEnd(const char* p) {
    const char* q = p + 1;
    while (q < end_ && *q != '>') {
        if (*q == '"' || *q == '\'') {
            const void* close = std::memchr(q + 1, *q, static_cast<std::size_t>(end_ - q - 1));
            if (!close) {
                q = end_;
                break;
            }
            q = static_cast<const char*>(close);
        } else if (*q == '<') {
            fail(q, "not well-formed (invalid token)");
            return nullptr;
        }
        ++q;
    }
    if (q >= end_) {
        ranOut(p, "unclosed token");
        return nullptr;
    }
    return q;
}

const char* DocumentScanner::skipContent(OpenChild& open) {
    const char* from = begin_ + (open.resume - viewStart_);
    const char* after = stepContent(open);
    if (open.person) lookForConflictMark(from, after ? after : begin_ + (open.resume - viewStart_), open);
    return after;
}

// "$Conflict" holds no '<', so a mark that began before a tag ends before it too: only one
// that runs past the end of the view can be cut, and then no tag stands between its '$'
// and that end, so the step may go on from the '$'.
void DocumentScanner::lookForConflictMark(const char* from, const char* to, OpenChild& open) {
    static constexpr std::string_view kMark = "$conflict";
    for (const char* p = from; p < to; ++p) {
        p = static_cast<const char*>(std::memchr(p, '$', static_cast<std::size_t>(to - p)));
        if (!p) return;
        if (static_cast<std::size_t>(end_ - p) < kMark.size()) {
            if (!viewReachesEnd_) open.resume = offsetOf(p);
            return;
        }
        if (text::equalsIgnoringCase(std::string_view(p, kMark.size()), kMark)) {
            open.conflictMark = true;
            return;
        }
    }
}

const char* DocumentScanner::stepContent(OpenChild& open) {
    const std::string_view name = open.name;
    const char* p = begin_ + (open.resume - viewStart_);
    while (true) {
        p = nextCandidate(p, end_, name[0]);
        // Everything before p is passed: the step goes on from there.
        open.resume = offsetOf(p);
        if (p == end_ || !has(p, 2)) {
            ranOutAt(open.start, "unclosed token: <" + open.name + "> has no end tag");
            return nullptr;
        }
        char kind = p[1];
        if (kind == '!' || kind == '?') {
            p = skipSpecial(p);
            if (!p) return nullptr;
        } else if (kind == '/') {
            int named = namedAt(p + 2, name);
            if (named < 0) return nullptr;
            if (named == 0) {
                p += 2;
                continue;
            }
            const char* q = p + 2 + name.size();
            while (q < end_ && isSpace(*q)) ++q;
            if (q == end_) {
                ranOut(p, "not well-formed (invalid token)");
                return nullptr;
            }
            if (*q != '>') {
                fail(p, "not well-formed (invalid token)");
                return nullptr;
            }
            p = q + 1;
            if (--open.depth == 0) return p;
        } else {
            int named = namedAt(p + 1, name);
            if (named < 0) return nullptr;
            if (named == 0) {
                ++p;
                continue;
            }
            const char* q = tagEnd(p);
            if (!q) return nullptr;
            if (q[-1] != '/') ++open.depth;
            p = q + 1;
        }
    }
}

DocumentScanner::Unit DocumentScanner::stepOverOpenChild() {
    const char* after = skipContent(*open_);
    if (!after) {
        if (needMore_) return Unit::NeedMore;
        open_.reset();
        return Unit::Malformed;
    }
    // A Person document with a $Conflict item is a conflict; one that only mentions it in
    // a value is not. Only the parse can tell.
    if (open_->person && open_->conflictMark) {
        open_.reset();
        return Unit::Uncertain;
    }
    const Unit unit = open_->person ? Unit::Person : open_->group ? Unit::Group : Unit::Skipped;
    if (unit != Unit::Skipped) found_ = {open_->start, offsetOf(after)};
    pos_ = offsetOf(after);
    open_.reset();
    return unit;
}

DocumentScanner::Unit DocumentScanner::rootEndTag(const char* p) {
    const char* nameStart = p + 2;
    const char* q = nameStart;
    while (q < end_ && !isSpace(*q) && *q != '>') ++q;
    std::string_view name(nameStart, static_cast<std::size_t>(q - nameStart));
    while (q < end_ && isSpace(*q)) ++q;
    if (q == end_) return ranOut(p, "unclosed token");
    if (*q != '>') return fail(q, "not well-formed (invalid token)");
    if (name != rootQName_) return fail(p, "mismatched tag");
    pos_ = offsetOf(q + 1);
    return Unit::RootEnd;
}

// Reads the attributes between from and to for form, conflict and class. Skipped when
// read; Uncertain where one of them cannot be told from the bytes (a reference in its
// value, a namespace declared); Malformed where the markup is wrong.
DocumentScanner::Unit DocumentScanner::attributes(const char* a, const char* attributesEnd, Attributes& read) {
    while (true) {
        while (a < attributesEnd && isSpace(*a)) ++a;
        if (a >= attributesEnd) return Unit::Skipped;
        const char* attrName = a;
        while (a < attributesEnd && *a != '=' && !isSpace(*a)) ++a;
        std::string_view attr(attrName, static_cast<std::size_t>(a - attrName));
        while (a < attributesEnd && isSpace(*a)) ++a;
        if (a >= attributesEnd || *a != '=') return fail(a, "not well-formed (invalid token)");
        ++a;
        while (a < attributesEnd && isSpace(*a)) ++a;
        if (a >= attributesEnd || (*a != '"' && *a != '\'')) return fail(a, "not well-formed (invalid token)");
        char quote = *a++;
        const char* valueStart = a;
        while (a < attributesEnd && *a != quote) ++a;
        if (a >= attributesEnd) return fail(valueStart, "not well-formed (invalid token)");
        std::string_view value(valueStart, static_cast<std::size_t>(a - valueStart));
        ++a;
        if (attr == "xmlns" || attr.substr(0, 6) == "xmlns:") return Unit::Uncertain;
        std::string_view* wanted = attr == "form" ? &read.form : attr == "conflict" ? &read.conflict
                                   : attr == "class"                     ? &read.noteClass
                                                                         : nullptr;
        if (wanted && !(attr == "form" && read.hasForm)) {
            if (value.find('&') != std::string_view::npos) return Unit::Uncertain;
            *wanted = value;
            if (attr == "form") read.hasForm = true;
        }
        if (a < attributesEnd && !isSpace(*a)) return fail(a, "not well-formed (invalid token)");
    }
}

DocumentScanner::Unit DocumentScanner::childElement(const char* p) {
    const char* nameStart = p + 1;
    const char* q = nameStart;
    while (q < end_ && !isNameEnd(*q)) ++q;
    if (q == end_ && !viewReachesEnd_) return ranOut(p, "unclosed token");
    if (q == nameStart) return fail(p, "not well-formed (invalid token)");
    std::string_view name(nameStart, static_cast<std::size_t>(q - nameStart));
    const char* attributesStart = q;
    q = tagEnd(p);
    if (!q) return needMore_ ? Unit::NeedMore : Unit::Malformed;
    bool selfClosing = q[-1] == '/' && q - 1 >= attributesStart;

    bool person = false, group = false;
    std::string_view prefix, local = name;
    std::size_t colon = name.find(':');
    if (colon != std::string_view::npos) {
        prefix = name.substr(0, colon);
        local = name.substr(colon + 1);
    }
    if (local == "document" || local == "note") {
        if (prefix != rootPrefix_) return Unit::Uncertain;
        Attributes read;
        if (Unit unit = attributes(attributesStart, selfClosing ? q - 1 : q, read); unit != Unit::Skipped) return unit;
        if (local == "note") {
            // A note's form is in its items: only the parse can tell.
            if (read.noteClass == "document") return Unit::Uncertain;
        } else {
            person = read.hasForm && isPerson(read.form) && read.conflict != "true";
            passedConflict_ = passedConflict_ || (read.hasForm && isPerson(read.form) && !person);
            group = reportGroups_ && read.hasForm && text::equalsIgnoringCase(read.form, "group") &&
                    read.conflict != "true";
        }
    }
    if (!selfClosing) {
        open_ = OpenChild{offsetOf(p), std::string(name), person, group, offsetOf(q + 1), 1};
        return stepOverOpenChild();
    }
    if (person || group) found_ = {offsetOf(p), offsetOf(q + 1)};
    pos_ = offsetOf(q + 1);
    return person ? Unit::Person : group ? Unit::Group : Unit::Skipped;
}

DocumentScanner::Unit DocumentScanner::unit(bool onlyHere) {
    if (open_) return stepOverOpenChild();
    const char* p = begin_ + (pos_ - viewStart_);
    if (*p != '<') {
        if (onlyHere) return Unit::Skipped;
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end_ - p)));
        if (!p) {
            if (viewReachesEnd_) return fail(end_, "no element found: the file ends inside <" + rootQName_ + ">");
            pos_ = offsetOf(end_); // the text so far is passed; read on
            return Unit::Skipped;
        }
        pos_ = offsetOf(p);
    }
    if (!has(p, 2)) return ranOut(end_, "no element found: the file ends inside <" + rootQName_ + ">");
    char kind = p[1];
    if (kind == '!' || kind == '?') {
        const char* after = skipSpecial(p);
        if (!after) return needMore_ ? Unit::NeedMore : Unit::Malformed;
        pos_ = offsetOf(after);
        return Unit::Skipped;
    }
    if (kind == '/') return rootEndTag(p);
    return childElement(p);
}

DocumentScanner::Step DocumentScanner::scan(bool checkTrailer, bool onlyHere) {
    if (rootEnded_) return checkTrailer ? trailer() : Step::End;
    window_.moveTo(pos_);
    view();
    while (true) {
        if (pos_ == window_.end()) {
            if (viewReachesEnd_) {
                fail(end_, "no element found: the file ends inside <" + rootQName_ + ">");
                return Step::Malformed;
            }
            window_.extend(pos_);
            view();
        }
        needMore_ = false;
        switch (unit(onlyHere)) {
        case Unit::Skipped:
            if (onlyHere) return Step::End;
            continue;
        case Unit::Person: return Step::Found;
        case Unit::Group: return Step::Group;
        case Unit::RootEnd:
            rootEnded_ = true;
            if (onlyHere) return Step::End;
            return checkTrailer ? trailer() : Step::End;
        case Unit::NeedMore: // pos_ is still where that unit starts
            // A child's content is stepped over from where the step stopped, so the
            // window slides on instead of growing to hold the whole child.
            window_.extend(open_ ? open_->resume : pos_);
            view();
            continue;
        case Unit::Uncertain: return Step::Uncertain;
        case Unit::Malformed: return Step::Malformed;
        }
    }
}

DocumentScanner::Step DocumentScanner::next(bool checkTrailer) { return scan(checkTrailer, false); }

DocumentScanner::Step DocumentScanner::documentHere() {
    Step step = scan(false, true);
    return step == Step::Found ? step : Step::End;
}

DocumentScanner::Step DocumentScanner::trailer() {
    window_.moveTo(pos_);
    view();
    while (true) {
        needMore_ = false;
        const char* p = begin_ + (pos_ - viewStart_);
        while (p < end_ && isSpace(*p)) ++p;
        pos_ = offsetOf(p);
        if (p == end_) {
            if (viewReachesEnd_) return Step::End;
            window_.extend(pos_);
            view();
            continue;
        }
        const char* after = nullptr;
        if (*p != '<' || !has(p, 2) || (p[1] != '?' && p[1] != '!') || (p[1] == '!' && !startsWith(p, "<!--"))) {
            if (!needMore_) {
                fail(p, "junk after document element");
                return Step::Malformed;
            }
        } else {
            after = skipSpecial(p);
            if (!after && !needMore_) return Step::Malformed;
        }
        if (needMore_) {
            window_.extend(pos_);
            view();
            continue;
        }
        pos_ = offsetOf(after);
    }
}

} // namespace brenmoor::notes
