// The DXL reader on expat: contacts out of <document form='Person'> elements, with
// entity handling kept safe and every failure placed at its line and column.
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

namespace brenmoor::notes {

namespace {

constexpr std::string_view kDxlNamespace = "http://www.lotus.com/dxl";
constexpr char kNamespaceSeparator = ' ';
// The bytes read and handed to expat at a time.
constexpr std::size_t kChunk = 256 << 10;
// A value from this size on is moved out of the reader's buffer rather than copied.
constexpr std::size_t kLargeValue = 1 << 20;
// No entity of an address book needs more text than this.
constexpr std::uint64_t kEntityLimit = 1 << 20;

// "http://www.lotus.com/dxl " as expat joins it to the local names of DXL elements.
constexpr char kDxlPrefix[] = "http://www.lotus.com/dxl ";
constexpr std::size_t kDxlPrefixLength = sizeof kDxlPrefix - 1;

// The local name of a DXL element, or the empty text for elements of other namespaces.
std::string_view dxlLocalName(const XML_Char* name) {
    if (std::strncmp(name, kDxlPrefix, kDxlPrefixLength) != 0) return {};
    return std::string_view(name + kDxlPrefixLength);
}

using text::equalsIgnoringCase;

const XML_Char* attribute(const XML_Char** attrs, std::string_view name) {
    for (; attrs && attrs[0]; attrs += 2)
        if (std::strncmp(attrs[0], name.data(), name.size()) == 0 && attrs[0][name.size()] == '\0') return attrs[1];
    return nullptr;
}

// Rich-text elements whose content is no text of the paragraph: pictures and their
// data, attachments, embedded objects and controls, formulas and code.
bool isHiddenRichTextElement(std::string_view local) {
    static constexpr std::array<std::string_view, 26> hidden{
        "picture", "gif", "jpeg", "png", "bmp", "svg", "cgm", "notesbitmap", "imagemap",
        "attachmentref", "objectref", "object", "filedata", "rawitemdata", "embeddedcontrol",
        "embeddedview", "embeddedfolder", "embeddedoutline", "embeddednavigator",
        "embeddeddatepicker", "embeddedschedule", "embeddededitor", "computedtext", "code",
        "formula", "lotusscript"};
    return std::find(hidden.begin(), hidden.end(), local) != hidden.end();
}

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

// One expat parser with the handlers that build contacts.
class Reader {
public:
    Reader(const BookFile& file, Mode mode, const ItemNames& keep) : file_(file), mode_(mode), keep_(keep) {
        parser_ = XML_ParserCreateNS(nullptr, kNamespaceSeparator);
        if (!parser_) throw NotesError("Out of memory while reading the address book \"" + file.path() + "\".");
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
            if (!buffer) throw NotesError("Out of memory while reading the address book \"" + file_.path() + "\".");
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

    std::deque<WalkedDocument>& ready() { return ready_; }
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
        int level = ++depth_;
        // Most elements are of no interest: leave before reading their names.
        if (level > 2 && (!inPerson_ || (level > 3 && !inItem_ && !inNoteInfo_))) return;
        std::string_view local = dxlLocalName(name);
        if (level == 1) {
            rootSeen_ = true;
            if (local != "database") {
                std::string_view full(name);
                std::size_t separator = full.rfind(kNamespaceSeparator);
                std::string shown(separator == std::string_view::npos ? full : full.substr(separator + 1));
                std::string message = "The file \"" + file_.path() + "\" is XML, but not a Notes address book exported as DXL: its root element is <" +
                                      shown + ">";
                if (separator == std::string_view::npos && shown == "database")
                    message += " without the DXL namespace " + std::string(kDxlNamespace);
                message += ", where a DXL export has <database xmlns='" + std::string(kDxlNamespace) +
                           "'>. Choose the DXL file exported from Notes.";
                notDxl_ = message;
                XML_StopParser(parser_, XML_FALSE);
                return;
            }
            if (mode_ == Mode::Probe) {
                auto index = XML_GetCurrentByteIndex(parser_);
                opening_.rootStart = bookOffset(index);
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
            return;
        }
        if (level == 2) {
            if (local == "document") {
                const XML_Char* form = attribute(attrs, "form");
                if (form && equalsIgnoringCase(form, "person")) {
                    inPerson_ = true;
                    documentStart_ = bookOffset(XML_GetCurrentByteIndex(parser_));
                    items_.clear();
                    info_ = NoteInfo{};
                }
            }
            return;
        }
        if (!inPerson_) return;
        if (inNoteInfo_) {
            // <noteinfo><modified><datetime>: the time of the document's last change.
            if (level == 4) inModified_ = local == "modified";
            else if (level == 5 && inModified_ && local == "datetime" && info_.modified.empty()) {
                XML_SetCharacterDataHandler(parser_, &Reader::onText);
                captureLevel_ = level;
                buffer_.clear();
            }
            return;
        }
        if (level == 3) {
            if (local == "noteinfo" && keep_.empty()) {
                inNoteInfo_ = true;
                inModified_ = false;
                if (const XML_Char* unid = attribute(attrs, "unid"); unid && info_.unid.empty()) info_.unid = unid;
            } else if (local == "item") {
                const XML_Char* itemName = attribute(attrs, "name");
                if (!keeps(itemName)) return;
                inItem_ = true;
                itemName_ = itemName ? itemName : "";
                value_ = ItemValue{};
                firstChildSeen_ = false;
                awaitLevel_ = 0;
                listValueSeen_ = false;
                captureLevel_ = 0;
            }
            return;
        }
        if (!inItem_) return;

        if (captureLevel_ != 0) {
            if (value_.kind == ItemValue::Kind::RichText) {
                if (hiddenLevel_ != 0) return;
                if (isHiddenRichTextElement(local)) {
                    hiddenLevel_ = level;
                } else if (local == "par") {
                    if (paragraphs_++ > 0) buffer_ += "\r\n";
                    ++openParagraphs_;
                } else if (openParagraphs_ > 0 && local == "break") {
                    buffer_ += "\r\n";
                } else if (openParagraphs_ > 0 && local == "tab") {
                    buffer_ += '\t';
                }
            } else if (local == "break") {
                buffer_ += "\r\n";
            }
            return;
        }
        if (level == 4 && !firstChildSeen_) {
            firstChildSeen_ = true;
            if (local == "text") capture(ItemValue::Kind::Text, level);
            else if (local == "number") capture(ItemValue::Kind::Number, level);
            else if (local == "datetime") capture(ItemValue::Kind::DateTime, level);
            else if (local == "richtext") capture(ItemValue::Kind::RichText, level);
            else if (local == "textlist") await("text", level + 1);
            else if (local == "numberlist") await("number", level + 1);
            else if (local == "datetimelist") await("datetime", level + 1);
            else if (local == "datetimepair") await("datetime", level + 1, true);
            return;
        }
        if (awaitLevel_ == level) {
            if (local == awaited_) {
                // Every value of the list: the first is the item's text, the rest go to more.
                capture(awaited_ == "text" ? ItemValue::Kind::Text
                        : awaited_ == "number" ? ItemValue::Kind::Number
                                               : ItemValue::Kind::DateTime,
                        level);
            } else if (awaited_ == "datetime" && local == "datetimepair" && level == 5 && !listValueSeen_) {
                // A pair's first date-time stands for it; later pairs are not values of their own.
                awaitLevel_ = 0;
                await("datetime", level + 1, true);
            }
        }
    }

    bool keeps(const XML_Char* itemName) const {
        if (keep_.empty()) return true;
        std::string_view name(itemName ? itemName : "");
        for (const std::string& kept : keep_)
            if (equalsIgnoringCase(kept, name)) return true;
        return false;
    }

    // Character data is only asked of expat while a value is being read.
    void capture(ItemValue::Kind kind, int level) {
        XML_SetCharacterDataHandler(parser_, &Reader::onText);
        value_.kind = kind;
        captureLevel_ = level;
        buffer_.clear();
        paragraphs_ = 0;
        openParagraphs_ = 0;
        hiddenLevel_ = 0;
    }
    // Values of a list are the awaited children at level; a pair (single) has one value.
    void await(std::string_view element, int level, bool single = false) {
        awaited_ = element;
        awaitLevel_ = level;
        awaitSingle_ = single;
        listValueSeen_ = false;
    }

    void end(const XML_Char* name) {
        int level = depth_--;
        if (!inPerson_) return;
        if (inNoteInfo_) {
            if (level == captureLevel_) {
                XML_SetCharacterDataHandler(parser_, nullptr);
                info_.modified = buffer_;
                buffer_.clear();
                captureLevel_ = 0;
            } else if (level == 3) {
                inNoteInfo_ = false;
            }
            return;
        }
        if (captureLevel_ != 0) {
            if (level == captureLevel_) {
                XML_SetCharacterDataHandler(parser_, nullptr);
                // Copied, not moved: the value gets a buffer of its own size and buffer_
                // keeps its room for the next value. A large value takes the buffer itself
                // (its unused room is never touched, so it costs no memory), as a copy
                // would hold it twice.
                std::string& value = listValueSeen_ ? value_.more.emplace_back() : value_.text;
                if (buffer_.size() >= kLargeValue) value.swap(buffer_);
                else value = buffer_;
                if (awaitSingle_) awaitLevel_ = 0; // a pair is one value: its first date-time
                else if (awaitLevel_ != 0) listValueSeen_ = true;
                buffer_.clear();
                captureLevel_ = 0;
            } else if (value_.kind == ItemValue::Kind::RichText) {
                if (hiddenLevel_ == level) hiddenLevel_ = 0;
                else if (hiddenLevel_ == 0 && openParagraphs_ > 0 && dxlLocalName(name) == "par") --openParagraphs_;
            }
            return;
        }
        if (awaitLevel_ == level + 1) awaitLevel_ = 0; // the list ended
        if (level == 3 && inItem_) {
            inItem_ = false;
            items_.emplace_back(std::move(itemName_), std::move(value_));
            itemName_.clear();
            value_ = ItemValue{};
        } else if (level == 2) {
            inPerson_ = false;
            // The document gets a vector of its own size; items_ keeps its room for the next.
            std::vector<std::pair<std::string, ItemValue>> items(std::make_move_iterator(items_.begin()),
                                                                 std::make_move_iterator(items_.end()));
            ready_.push_back({ContactDocument(std::move(items), std::move(info_)), documentStart_});
            items_.clear();
            info_ = NoteInfo{};
        }
    }

    void characters(std::string_view text) {
        if (captureLevel_ == 0) return;
        if (inNoteInfo_) {
            buffer_.append(text);
            return;
        }
        if (value_.kind == ItemValue::Kind::RichText && (openParagraphs_ == 0 || hiddenLevel_ != 0)) return;
        buffer_.append(text);
    }

    const BookFile& file_;
    Mode mode_;
    const ItemNames keep_; // a copy: callers may pass a temporary list
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
    bool inPerson_ = false;
    std::vector<std::pair<std::string, ItemValue>> items_;
    bool inItem_ = false;
    std::string itemName_;
    ItemValue value_;
    bool firstChildSeen_ = false;
    std::string_view awaited_;
    int awaitLevel_ = 0;
    bool listValueSeen_ = false;
    bool awaitSingle_ = false;
    bool inNoteInfo_ = false;
    bool inModified_ = false;
    NoteInfo info_;
    int captureLevel_ = 0;
    std::string buffer_;
    int paragraphs_ = 0;
    int openParagraphs_ = 0;
    int hiddenLevel_ = 0;

    std::uint64_t documentStart_ = 0;
    std::deque<WalkedDocument> ready_;
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
        throw NotesError("The file \"" + file.path() +
                         "\" is not XML, so it is no address book exported from Notes as DXL. Choose the DXL "
                         "(.xml or .dxl) file exported from Notes.");
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
    State(const BookFile& f, const ItemNames& keep) : file(f), reader(f, Mode::Documents, keep) {}
    const BookFile& file;
    Reader reader;
    std::uint64_t fed = 0;
    std::exception_ptr fault;
};

DocumentStream::DocumentStream(const BookFile& file, const ItemNames& keep)
    : state_(std::make_unique<State>(file, keep)) {}

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

std::optional<ContactDocument> parseDocumentAt(const BookFile& file, const BookOpening& opening,
                                               std::uint64_t start, std::uint64_t end) {
    static const ItemNames every;
    Reader reader(file, Mode::Documents, every);
    reader.feedFile(0, opening.rootTagEnd, false);
    reader.feedFile(start, end, false);
    reader.feedOwn("</" + opening.rootQName + ">", end, true);
    throwIfNotDxl(reader);
    if (reader.ready().size() != 1) return std::nullopt;
    return std::move(reader.ready().front().document);
}

void parseContent(const BookFile& file, const BookOpening& opening, std::uint64_t start, std::uint64_t end,
                  const ItemNames& keep, std::vector<WalkedDocument>& documents) {
    Reader reader(file, Mode::Documents, keep);
    auto collect = [&] {
        for (auto& doc : reader.ready()) documents.push_back(std::move(doc));
        reader.ready().clear();
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
