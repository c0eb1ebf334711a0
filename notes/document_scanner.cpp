// The position scan over the book's bytes: tags counted and matched, comments,
// CDATA sections and processing instructions stepped over, Person documents found.
#include "notes/document_scanner.h"

#include <cstring>

namespace brenmoor::notes {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameEnd(char c) { return isSpace(c) || c == '>' || c == '/'; }

bool isPerson(std::string_view value) {
    static constexpr std::string_view person = "person";
    if (value.size() != person.size()) return false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != person[i]) return false;
    }
    return true;
}

const char* find(const char* from, const char* end, std::string_view needle) {
    if (from >= end) return nullptr;
    return static_cast<const char*>(memmem(from, static_cast<std::size_t>(end - from), needle.data(), needle.size()));
}

} // namespace

DocumentScanner::DocumentScanner(std::string_view book, std::uint64_t contentStart, std::string rootQName)
    : begin_(book.data()), end_(book.data() + book.size()), pos_(book.data() + contentStart),
      rootQName_(std::move(rootQName)) {
    std::size_t colon = rootQName_.find(':');
    if (colon != std::string::npos) rootPrefix_ = std::string_view(rootQName_).substr(0, colon);
}

DocumentScanner::Step DocumentScanner::fail(const char* at, std::string text) {
    errorOffset_ = static_cast<std::uint64_t>(at - begin_);
    errorText_ = std::move(text);
    return Step::Malformed;
}

bool DocumentScanner::skipSpecial(const char*& p) {
    const char* after = nullptr;
    std::size_t left = static_cast<std::size_t>(end_ - p);
    if (p[1] == '?') {
        const char* close = find(p + 2, end_, "?>");
        if (close) after = close + 2;
    } else if (left >= 4 && std::memcmp(p, "<!--", 4) == 0) {
        const char* close = find(p + 4, end_, "-->");
        if (close) after = close + 3;
    } else if (left >= 9 && std::memcmp(p, "<![CDATA[", 9) == 0) {
        const char* close = find(p + 9, end_, "]]>");
        if (close) after = close + 3;
    } else {
        fail(p, "not well-formed (invalid token)");
        return false;
    }
    if (!after) {
        fail(p, "unclosed token");
        return false;
    }
    p = after;
    return true;
}

DocumentScanner::Step DocumentScanner::trailer() {
    const char* p = pos_;
    while (true) {
        while (p < end_ && isSpace(*p)) ++p;
        if (p == end_) return Step::End;
        if (*p != '<' || p + 1 >= end_ || (p[1] != '?' && p[1] != '!')) return fail(p, "junk after document element");
        if (p[1] == '!' && (end_ - p < 4 || std::memcmp(p, "<!--", 4) != 0))
            return fail(p, "junk after document element");
        if (!skipSpecial(p)) return Step::Malformed;
    }
}

const char* DocumentScanner::tagEnd(const char* p) {
    const char* q = p + 1;
    while (q < end_ && *q != '>') {
        if (*q == '"' || *q == '\'') {
            const void* close = std::memchr(q + 1, *q, static_cast<std::size_t>(end_ - q - 1));
            if (!close) break;
            q = static_cast<const char*>(close);
        } else if (*q == '<') {
            fail(q, "not well-formed (invalid token)");
            return nullptr;
        }
        ++q;
    }
    if (q >= end_) {
        fail(p, "unclosed token");
        return nullptr;
    }
    return q;
}

const char* DocumentScanner::skipContent(std::string_view name, const char* from, const char* elementStart) {
    std::size_t depth = 1;
    const char* p = from;
    auto namedHere = [&](const char* at) {
        return static_cast<std::size_t>(end_ - at) > name.size() && at[0] == name[0] &&
               std::memcmp(at, name.data(), name.size()) == 0 && isNameEnd(at[name.size()]);
    };
    while (true) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end_ - p)));
        if (!p || p + 1 >= end_) {
            fail(elementStart, "unclosed token: <" + std::string(name) + "> has no end tag");
            return nullptr;
        }
        char kind = p[1];
        if (kind == '!' || kind == '?') {
            if (!skipSpecial(p)) return nullptr;
        } else if (kind == '/') {
            if (!namedHere(p + 2)) {
                p += 2;
                continue;
            }
            const char* q = p + 2 + name.size();
            while (q < end_ && isSpace(*q)) ++q;
            if (q == end_ || *q != '>') {
                fail(p, "not well-formed (invalid token)");
                return nullptr;
            }
            p = q + 1;
            if (--depth == 0) return p;
        } else if (namedHere(p + 1)) {
            const char* q = tagEnd(p);
            if (!q) return nullptr;
            if (q[-1] != '/') ++depth;
            p = q + 1;
        } else {
            ++p;
        }
    }
}

DocumentScanner::Step DocumentScanner::next(bool checkTrailer) {
    if (rootEnded_) return checkTrailer ? trailer() : Step::End;
    const char* p = pos_;
    while (true) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end_ - p)));
        if (!p || p + 1 >= end_) return fail(end_, "no element found: the file ends inside <" + rootQName_ + ">");
        char kind = p[1];
        if (kind == '!' || kind == '?') {
            if (!skipSpecial(p)) return Step::Malformed;
            continue;
        }
        if (kind == '/') {
            const char* nameStart = p + 2;
            const char* q = nameStart;
            while (q < end_ && !isSpace(*q) && *q != '>') ++q;
            std::string_view name(nameStart, static_cast<std::size_t>(q - nameStart));
            while (q < end_ && isSpace(*q)) ++q;
            if (q == end_) return fail(p, "unclosed token");
            if (*q != '>') return fail(q, "not well-formed (invalid token)");
            if (name != rootQName_) return fail(p, "mismatched tag");
            rootEnded_ = true;
            pos_ = q + 1;
            return checkTrailer ? trailer() : Step::End;
        }

        // A child element of the root.
        const char* nameStart = p + 1;
        const char* q = nameStart;
        while (q < end_ && !isNameEnd(*q)) ++q;
        if (q == nameStart) return fail(p, "not well-formed (invalid token)");
        std::string_view name(nameStart, static_cast<std::size_t>(q - nameStart));
        const char* attributesStart = q;
        q = tagEnd(p);
        if (!q) return Step::Malformed;
        bool selfClosing = q[-1] == '/' && q - 1 >= attributesStart;

        bool person = false;
        std::string_view prefix, local = name;
        std::size_t colon = name.find(':');
        if (colon != std::string_view::npos) {
            prefix = name.substr(0, colon);
            local = name.substr(colon + 1);
        }
        if (local == "document") {
            if (prefix != rootPrefix_) return Step::Uncertain;
            // Read the attributes for form, and for namespace declarations.
            std::string_view form;
            bool hasForm = false;
            const char* a = attributesStart;
            const char* attributesEnd = selfClosing ? q - 1 : q;
            while (true) {
                while (a < attributesEnd && isSpace(*a)) ++a;
                if (a >= attributesEnd) break;
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
                if (attr == "xmlns" || attr.substr(0, 6) == "xmlns:") return Step::Uncertain;
                if (attr == "form" && !hasForm) {
                    if (value.find('&') != std::string_view::npos) return Step::Uncertain;
                    form = value;
                    hasForm = true;
                }
                if (a < attributesEnd && !isSpace(*a)) return fail(a, "not well-formed (invalid token)");
            }
            person = hasForm && isPerson(form);
        }
        const char* after = selfClosing ? q + 1 : skipContent(name, q + 1, p);
        if (!after) return Step::Malformed;
        if (person) {
            found_ = {static_cast<std::uint64_t>(p - begin_), static_cast<std::uint64_t>(after - begin_)};
            pos_ = after;
            return Step::Found;
        }
        p = after;
    }
}

} // namespace brenmoor::notes
