// The DXL reader on expat: the wrapper that feeds the book to expat and hands the
// elements below the root to the document builder, with entity handling kept safe and
// every failure placed at its line and column.
#include "notes/dxl_parser.h"

// Debian's expat is built with DTD support; the declarations of its entity
// expansion limits are only visible with XML_DTD defined.
#ifndef XML_DTD
#define XML_DTD
#endif
#include <expat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/text_bytes.h"
#include "text/translation.h"

namespace brenmoor::notes {

namespace {

constexpr std::string_view kDxlNamespace = "http://www.lotus.com/dxl";

NotesError outOfMemory(const BookFile& file) {
    return NotesError(text::arg(
        text::translate("brenmoor::notes", "Out of memory while reading the address book \"%1\"."), {file.path()}));
}

constexpr char kNamespaceSeparator = ' ';
// The bytes read and handed to expat at a time.
constexpr std::size_t kChunk = 256 << 10;
// No entity of an address book needs more text than this.
constexpr std::uint64_t kEntityLimit = 1 << 20;

using text::equalsIgnoringCase;

// A segment of the text fed to expat: bytes of the book, or bytes of our own.
struct Segment {
    std::uint64_t streamStart;
    std::uint64_t fileStart; // where its bytes lie in the book; our own bytes map to this point
    std::uint64_t length;
    bool fromFile;
};

// windows-1252, which some tools name in the XML declaration of a Windows export.
int windows1252(void* /*data*/, const XML_Char* name, XML_Encoding* info) {
    std::string_view encoding(name);
    if (!equalsIgnoringCase(encoding, "windows-1252") && !equalsIgnoringCase(encoding, "cp1252"))
        return XML_STATUS_ERROR;
    static constexpr std::array<int, 32> high{
        0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, -1,     0x017D, -1,     -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178};
    for (int i = 0; i < 256; ++i) info->map[i] = i;
    for (int i = 0; i < 32; ++i) info->map[0x80 + i] = high[static_cast<std::size_t>(i)];
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

enum class Mode { Probe, Documents };

// One expat parser: the book's bytes fed piece by piece, every offset placed in the
// book, entity declarations kept safe, the root checked, and the elements below the
// root handed to the document builder.
class Reader {
public:
    Reader(const BookFile& file, Mode mode, const ItemNames& keep, bool groups = false)
        : file_(file), mode_(mode), builder_(keep, groups) {
        builder_.boundFileData([this] {
            const std::uint64_t at = bookOffset(XML_GetCurrentByteIndex(parser_));
            return file_.size() > at ? file_.size() - at : 0;
        });
        parser_ = XML_ParserCreateNS(nullptr, kNamespaceSeparator);
        if (!parser_) throw outOfMemory(file);
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Reader::onStart, &Reader::onEnd);
        XML_SetEntityDeclHandler(parser_, &Reader::onEntity);
        XML_SetAttlistDeclHandler(parser_, &Reader::onAttlist);
        XML_SetUnknownEncodingHandler(parser_, &windows1252, nullptr);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
#if XML_MAJOR_VERSION > 2 || (XML_MAJOR_VERSION == 2 && XML_MINOR_VERSION >= 4)
        XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser_, 20.0f);
        XML_SetBillionLaughsAttackProtectionActivationThreshold(parser_, kEntityLimit);
#endif
    }
    ~Reader() { XML_ParserFree(parser_); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Feeds the book's bytes [start, end), read piece by piece into expat's own buffer,
    // or text of our own; throws on malformed XML and when the file changed. Returns
    // false once the probe has what it needs.
    bool feedFile(std::uint64_t start, std::uint64_t end, bool final) {
        while (true) {
            auto length = static_cast<std::size_t>(std::min<std::uint64_t>(end - start, kChunk));
            bool last = final && start + length == end;
            if (length == 0) return parsed(XML_Parse(parser_, nullptr, 0, last ? XML_TRUE : XML_FALSE));
            void* buffer = XML_GetBuffer(parser_, static_cast<int>(length));
            if (!buffer) throw outOfMemory(file_);
            file_.read(start, static_cast<char*>(buffer), length);
            noteSegment({streamLength_, start, length, true});
            if (!parsed(XML_ParseBuffer(parser_, static_cast<int>(length), last ? XML_TRUE : XML_FALSE))) return false;
            start += length;
            if (start == end) return true;
        }
    }
    bool feedOwn(std::string_view text, std::uint64_t fileOffset, bool final) {
        noteSegment({streamLength_, fileOffset, text.size(), false});
        return parsed(XML_Parse(parser_, text.data(), static_cast<int>(text.size()), final ? XML_TRUE : XML_FALSE));
    }

    std::deque<WalkedDocument>& ready() { return builder_.ready(); }
    const OtherDocuments& others() const { return builder_.others(); }
    std::vector<ContactDocument>& groups() { return builder_.groups(); }
    const BookOpening& opening() const { return opening_; }
    bool rootSeen() const { return rootSeen_; }

private:
    bool parsed(XML_Status status) {
        if (callbackFault_) std::rethrow_exception(callbackFault_);
        if (status == XML_STATUS_OK) return true;
        if (probeDone_) return false;
        std::uint64_t offset = bookOffset(XML_GetCurrentByteIndex(parser_));
        if (!refusal_.empty()) throw file_.malformed(offset, refusal_);
        throw file_.malformed(offset, XML_ErrorString(XML_GetErrorCode(parser_)));
    }

    // Remembers where the stream's bytes come from; a run of the book that goes on
    // where the last one ended extends it, so a long walk keeps one entry.
    void noteSegment(Segment segment) {
        streamLength_ += segment.length;
        if (!segments_.empty()) {
            Segment& last = segments_.back();
            if (last.fromFile && segment.fromFile && last.fileStart + last.length == segment.fileStart &&
                last.streamStart + last.length == segment.streamStart) {
                last.length += segment.length;
                return;
            }
        }
        segments_.push_back(segment);
    }

    std::uint64_t bookOffset(XML_Index index) const {
        if (index < 0) return 0;
        auto at = static_cast<std::uint64_t>(index);
        for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
            if (at >= it->streamStart) {
                if (!it->fromFile) return it->fileStart;
                return it->fileStart + std::min(at - it->streamStart, it->length);
            }
        }
        return 0;
    }

    void refuse(std::string reason) {
        if (refusal_.empty()) refusal_ = std::move(reason);
        XML_StopParser(parser_, XML_FALSE);
    }

    static void onEntity(void* self, const XML_Char* name, int isParameter, const XML_Char* value, int length,
                         const XML_Char*, const XML_Char* systemId, const XML_Char* publicId, const XML_Char*) {
        auto* reader = static_cast<Reader*>(self);
        if (!value || systemId || publicId) {
            reader->refuse(std::string("the DOCTYPE declares the external entity \"") + name +
                           "\"; Brenmoor reads nothing outside the address book file");
            return;
        }
        std::string_view text(value, static_cast<std::size_t>(length));
        if (text.find('<') != std::string_view::npos) reader->opening_.plainMarkup = false;
        // The size of the entity's full expansion, with the entities it refers to.
        auto& sizes = isParameter ? reader->parameterEntities_ : reader->generalEntities_;
        std::uint64_t size = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '&' || c == '%') {
                std::size_t semicolon = text.find(';', i + 1);
                if (semicolon != std::string_view::npos && (i + 1 >= text.size() || text[i + 1] != '#')) {
                    std::string ref(text.substr(i + 1, semicolon - i - 1));
                    auto& table = c == '&' ? reader->generalEntities_ : reader->parameterEntities_;
                    auto found = table.find(ref);
                    size += found != table.end() ? found->second : semicolon - i + 1;
                    i = semicolon;
                    continue;
                }
            }
            ++size;
            if (size > kEntityLimit) break;
        }
        if (size > kEntityLimit) {
            reader->refuse(std::string("the entity \"") + name +
                           "\" expands to more than 1 MiB of text, which no address book needs");
            return;
        }
        sizes.emplace(name, size);
    }

    // A declared default adds attributes the bytes do not show, and a type other than
    // CDATA lets expat normalise a value's spaces (form=' Person ' reads "Person"):
    // either way the bytes no longer say what an attribute means.
    static void onAttlist(void* self, const XML_Char*, const XML_Char*, const XML_Char* type, const XML_Char* dflt,
                          int) {
        if (dflt || std::strcmp(type, "CDATA") != 0) static_cast<Reader*>(self)->opening_.plainMarkup = false;
    }

    static void onStart(void* self, const XML_Char* name, const XML_Char** attrs) {
        static_cast<Reader*>(self)->start(name, attrs);
    }
    static void onEnd(void* self, const XML_Char* name) { static_cast<Reader*>(self)->end(name); }
    static void onText(void* self, const XML_Char* text, int length) {
        static_cast<Reader*>(self)->characters(std::string_view(text, static_cast<std::size_t>(length)));
    }

    void start(const XML_Char* name, const XML_Char** attrs) {
        const int level = ++depth_;
        if (level == 1) startRoot(name, attrs);
        else if (builder_.start(level, name, attrs))
            builder_.documentStartsAt(bookOffset(XML_GetCurrentByteIndex(parser_)));
        followBuilder();
    }
    void end(const XML_Char* name) {
        builder_.end(depth_--, name);
        followBuilder();
    }
    void characters(std::string_view text) { builder_.characters(text); }

    // Character data is only asked of expat while the builder reads a value.
    void followBuilder() {
        if (builder_.wantsText() == textWanted_) return;
        textWanted_ = builder_.wantsText();
        XML_SetCharacterDataHandler(parser_, textWanted_ ? &Reader::onText : nullptr);
    }

    // The root must be DXL's <database>; the probe takes where its start tag lies.
    void startRoot(const XML_Char* name, const XML_Char** attrs) {
        rootSeen_ = true;
        if (dxlLocalName(name) != "database") {
            notDxl_ = notDxlMessage(name);
            XML_StopParser(parser_, XML_FALSE);
            return;
        }
        if (mode_ != Mode::Probe) return;
        if (const char* replica = attributeValue(attrs, "replicaid"))
            opening_.replicaId = std::string(text::trimmed(replica));
        opening_.rootStart = bookOffset(XML_GetCurrentByteIndex(parser_));
        opening_.rootTagEnd = opening_.rootStart + static_cast<std::uint64_t>(XML_GetCurrentByteCount(parser_));
        std::string tag(opening_.rootTagEnd - opening_.rootStart, '\0');
        try {
            file_.read(opening_.rootStart, tag.data(), tag.size());
        } catch (const NotesError&) {
            // Not thrown through expat: raised once XML_Parse has returned.
            callbackFault_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
            return;
        }
        opening_.rootIsEmpty = tag.size() >= 2 && tag[tag.size() - 2] == '/';
        std::size_t nameEnd = tag.find_first_of(" \t\r\n/>", 1);
        opening_.rootQName = std::string(tag.substr(1, nameEnd - 1));
        probeDone_ = true;
        XML_StopParser(parser_, XML_FALSE);
    }

    std::string notDxlMessage(const XML_Char* name) const {
        std::string_view full(name);
        std::size_t separator = full.rfind(kNamespaceSeparator);
        std::string shown(separator == std::string_view::npos ? full : full.substr(separator + 1));
        const bool database = separator == std::string_view::npos && shown == "database";
        return text::arg(database ? text::translate("brenmoor::notes",
                                                    "The file \"%1\" is XML, but not a Notes address book exported "
                                                    "as DXL: its root element is <%2> without the DXL namespace %3, "
                                                    "where a DXL export has <database xmlns='%3'>. Choose the DXL "
                                                    "file exported from Notes.")
                                  : text::translate("brenmoor::notes",
                                                    "The file \"%1\" is XML, but not a Notes address book exported "
                                                    "as DXL: its root element is <%2>, where a DXL export has "
                                                    "<database xmlns='%3'>. Choose the DXL file exported from "
                                                    "Notes."),
                         {file_.path(), shown, kDxlNamespace});
    }

    const BookFile& file_;
    Mode mode_;
    XML_Parser parser_ = nullptr;
    std::vector<Segment> segments_;
    std::uint64_t streamLength_ = 0;
    std::string refusal_;
    std::exception_ptr callbackFault_;
    std::unordered_map<std::string, std::uint64_t> generalEntities_, parameterEntities_;

    BookOpening opening_;
    bool rootSeen_ = false;
    bool probeDone_ = false;

public:
    std::string notDxl_;

private:
    int depth_ = 0;
    bool textWanted_ = false;
    DocumentBuilder builder_;
};

// Whether the first markup of the file would be '<': after a UTF-8 byte-order mark and white space.
bool looksLikeMarkup(const BookFile& file) {
    std::string bytes = file.head(4);
    if (bytes.size() >= 2 && ((bytes[0] == '\xFE' && bytes[1] == '\xFF') || (bytes[0] == '\xFF' && bytes[1] == '\xFE')))
        return true; // UTF-16 with a byte-order mark
    if (bytes.size() >= 2 && ((bytes[0] == '\0' && bytes[1] == '<') || (bytes[0] == '<' && bytes[1] == '\0')))
        return true; // UTF-16 without one
    std::uint64_t at = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    std::string chunk(4096, '\0');
    while (std::size_t length = file.read(at, chunk.data(), chunk.size())) {
        std::size_t first = std::string_view(chunk.data(), length).find_first_not_of(" \t\r\n");
        if (first != std::string_view::npos) return chunk[first] == '<';
        at += length;
    }
    return false;
}

bool isAsciiCompatible(std::string_view bytes) {
    if (bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0')) return false;
    if (bytes.size() >= 2 && ((bytes[0] == '\xFE' && bytes[1] == '\xFF') || (bytes[0] == '\xFF' && bytes[1] == '\xFE')))
        return false;
    return true;
}

void throwIfNotDxl(const Reader& reader) {
    if (!reader.notDxl_.empty()) throw NotesError(reader.notDxl_);
}

} // namespace

BookOpening probeBook(const BookFile& file) {
    if (!looksLikeMarkup(file))
        throw NotesError(text::arg(text::translate("brenmoor::notes",
                                                   "The file \"%1\" is not XML, so it is no address book exported "
                                                   "from Notes as DXL. Choose the DXL (.xml or .dxl) file exported "
                                                   "from Notes."),
                                   {file.path()}));
    static const ItemNames every;
    Reader reader(file, Mode::Probe, every);
    try {
        reader.feedFile(0, file.size(), true);
    } catch (const NotesError&) {
        throwIfNotDxl(reader);
        throw;
    }
    throwIfNotDxl(reader);
    BookOpening opening = reader.opening();
    if (!isAsciiCompatible(file.head(2))) opening.plainMarkup = false;
    return opening;
}

struct DocumentStream::State {
    State(const BookFile& f, const ItemNames& keep, bool groups) : file(f), reader(f, Mode::Documents, keep, groups) {}
    const BookFile& file;
    Reader reader;
    std::uint64_t fed = 0;
    std::exception_ptr fault;
};

DocumentStream::DocumentStream(const BookFile& file, const ItemNames& keep, bool groups)
    : state_(std::make_unique<State>(file, keep, groups)) {}

DocumentStream::DocumentStream(const BookFile& file, const ItemNames& keep, const BookOpening& opening,
                               std::uint64_t contentStart)
    : DocumentStream(file, keep) {
    try {
        state_->reader.feedFile(0, opening.rootTagEnd, false);
    } catch (const NotesError&) {
        state_->fault = std::current_exception();
    }
    state_->fed = contentStart;
}

DocumentStream::~DocumentStream() = default;

std::optional<WalkedDocument> DocumentStream::next() {
    auto& ready = state_->reader.ready();
    while (ready.empty() && !state_->fault && state_->fed < state_->file.size()) {
        std::uint64_t end = std::min<std::uint64_t>(state_->fed + kChunk, state_->file.size());
        try {
            bool final = end == state_->file.size();
            state_->reader.feedFile(state_->fed, end, final);
            if (final) state_->file.checkUnchanged();
        } catch (const NotesError&) {
            // The documents completed before the fault are handed out first.
            state_->fault = std::current_exception();
            if (!state_->reader.notDxl_.empty())
                state_->fault = std::make_exception_ptr(NotesError(state_->reader.notDxl_));
        }
        state_->fed = end;
    }
    if (ready.empty()) {
        if (state_->fault) std::rethrow_exception(state_->fault);
        return std::nullopt;
    }
    WalkedDocument doc = std::move(ready.front());
    ready.pop_front();
    return doc;
}

const OtherDocuments& DocumentStream::others() const { return state_->reader.others(); }

std::vector<ContactDocument>& DocumentStream::groups() { return state_->reader.groups(); }

namespace {

// Parses the element in [start, end) as a child of the root, with the book's prolog and root start tag around it.
void parseAlone(Reader& reader, const BookOpening& opening, std::uint64_t start, std::uint64_t end) {
    reader.feedFile(0, opening.rootTagEnd, false);
    reader.feedFile(start, end, false);
    reader.feedOwn("</" + opening.rootQName + ">", end, true);
    throwIfNotDxl(reader);
}

} // namespace

std::optional<ContactDocument> parseDocumentAt(const BookFile& file, const BookOpening& opening,
                                               std::uint64_t start, std::uint64_t end) {
    static const ItemNames every;
    Reader reader(file, Mode::Documents, every);
    parseAlone(reader, opening, start, end);
    if (reader.ready().size() != 1) return std::nullopt;
    return std::move(reader.ready().front().document);
}

std::optional<ContactDocument> parseGroupAt(const BookFile& file, const BookOpening& opening, std::uint64_t start,
                                            std::uint64_t end) {
    static const ItemNames formOnly{"Form"};
    Reader reader(file, Mode::Documents, formOnly, true);
    parseAlone(reader, opening, start, end);
    if (reader.groups().size() != 1) return std::nullopt;
    return std::move(reader.groups().front());
}

void parseContent(const BookFile& file, const BookOpening& opening, std::uint64_t start, std::uint64_t end,
                  const ItemNames& keep, std::vector<WalkedDocument>& documents, OtherDocuments& others) {
    Reader reader(file, Mode::Documents, keep);
    auto collect = [&] {
        for (auto& doc : reader.ready()) documents.push_back(std::move(doc));
        reader.ready().clear();
        others.add(reader.others());
    };
    try {
        reader.feedFile(0, opening.rootTagEnd, false);
        if (end == file.size()) {
            reader.feedFile(start, end, true);
            file.checkUnchanged();
        } else {
            reader.feedFile(start, end, false);
            reader.feedOwn("</" + opening.rootQName + ">", end, true);
        }
    } catch (const NotesError&) {
        collect();
        throw;
    }
    collect();
}

} // namespace brenmoor::notes
