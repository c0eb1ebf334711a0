// Building contact documents from the elements of a DXL book: which children of the
// root are Person documents (and what the others are), how an item's first child gives its kind, the values of
// lists, the paragraphs of rich text, and the note info.
#include "notes/dxl_document_builder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "notes/user_name.h"
#include "text/base64.h"
#include "text/text_bytes.h"

namespace brenmoor::notes {

// A value from this size on is moved out of the builder's buffer rather than copied.
constexpr std::size_t kLargeValue = 1 << 20;

namespace {

using text::equalsIgnoringCase;

// "http://www.lotus.com/dxl " as expat joins it to the local names of DXL elements.
constexpr char kDxlPrefix[] = "http://www.lotus.com/dxl ";
constexpr std::size_t kDxlPrefixLength = sizeof kDxlPrefix - 1;

// The room a file's data gets at first where its declared size asks for more.
constexpr std::uint64_t kFirstFileRoom = 4 << 10;

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

} // namespace

std::string_view dxlLocalName(const char* name) {
    if (std::strncmp(name, kDxlPrefix, kDxlPrefixLength) != 0) return {};
    return std::string_view(name + kDxlPrefixLength);
}

const char* attributeValue(const char* const* attrs, std::string_view name) {
    for (; attrs && attrs[0]; attrs += 2)
        if (std::strncmp(attrs[0], name.data(), name.size()) == 0 && attrs[0][name.size()] == '\0') return attrs[1];
    return nullptr;
}

bool DocumentBuilder::start(int level, const char* name, const char* const* attrs) {
    // Most elements are of no interest: leave before reading their names.
    if (level > 2 && (!inDocument_ || (level > 3 && !inItem_ && !inNoteInfo_))) return false;
    const std::string_view local = dxlLocalName(name);
    if (level == 2) return startRootChild(local, attrs);
    if (!inDocument_) return false;
    if (inNoteInfo_) startNoteInfoChild(level, local);
    else if (level == 3) startDocumentChild(local, attrs);
    else if (!inItem_) return false;
    else if (fileItem_) startInFileItem(local, level, attrs);
    else if (captureLevel_ != 0) startInValue(local, level, attrs);
    else startItemChild(local, level);
    return false;
}

// A <document> tells its form and whether it is a conflict by its attributes; a
// <note class='document'> tells its form by its Form item, read at its end.
bool DocumentBuilder::startRootChild(std::string_view local, const char* const* attrs) {
    if (local == "document") {
        const char* form = attributeValue(attrs, "form");
        const char* conflict = attributeValue(attrs, "conflict");
        const bool isConflict = conflict && std::string_view(conflict) == "true";
        if (!form || !equalsIgnoringCase(form, "person")) {
            others_.addForm(form ? form : "");
            if (!collectGroups_ || !form || !equalsIgnoringCase(form, "group") || isConflict) return false;
            inGroup_ = true;
        }
        inNote_ = false;
    } else if (local == "note") {
        const char* noteClass = attributeValue(attrs, "class");
        if (!noteClass || std::string_view(noteClass) != "document") return false;
        inNote_ = true;
    } else {
        return false;
    }
    inDocument_ = true;
    conflict_ = false;
    parent_.clear();
    if (local == "document") {
        const char* conflict = attributeValue(attrs, "conflict");
        conflict_ = conflict && std::string_view(conflict) == "true";
        if (const char* parent = conflict_ ? attributeValue(attrs, "parent") : nullptr) parent_ = parent;
    }
    items_.clear();
    info_ = NoteInfo{};
    files_.clear();
    references_.clear();
    return !inGroup_;
}

// <noteinfo><modified><datetime>: the time of the document's last change.
void DocumentBuilder::startNoteInfoChild(int level, std::string_view local) {
    if (level == 4) {
        inModified_ = local == "modified";
    } else if (level == 5 && inModified_ && local == "datetime" && info_.modified.empty()) {
        captureLevel_ = level;
        buffer_.clear();
    }
}

void DocumentBuilder::startDocumentChild(std::string_view local, const char* const* attrs) {
    if (local == "noteinfo") {
        // The UNID, an attribute, comes with every walk: it tells a document again later.
        if (const char* unid = attributeValue(attrs, "unid"); unid && info_.unid.empty()) info_.unid = unid;
        if (keep_.empty() || inGroup_ || (collectGroups_ && inNote_)) {
            inNoteInfo_ = true;
            inModified_ = false;
        }
    } else if (local == "item") {
        startItem(attributeValue(attrs, "name"));
    }
}

// A $Conflict item makes the document a conflict; a note's Form item is read whatever
// the walk keeps, to tell its form.
void DocumentBuilder::startItem(const char* itemName) {
    const std::string_view name(itemName ? itemName : "");
    if (equalsIgnoringCase(name, "$Conflict")) conflict_ = true;
    if (!keeps(itemName) && !(inNote_ && equalsIgnoringCase(name, "Form"))) return;
    inItem_ = true;
    fileItem_ = equalsIgnoringCase(name, "$FILE");
    photoItem_ = equalsIgnoringCase(name, "Photo");
    itemName_ = name;
    value_ = ItemValue{};
    firstChildSeen_ = false;
    awaitLevel_ = 0;
    listValueSeen_ = false;
    pairLevel_ = 0;
    captureLevel_ = 0;
}

// Inside a value: the paragraphs, section titles, breaks, tabs and links of rich text,
// and the breaks of text. A section's title is a line of its own, as a paragraph is.
void DocumentBuilder::startInValue(std::string_view local, int level, const char* const* attrs) {
    if (value_.kind == ItemValue::Kind::RichText) {
        if (hiddenLevel_ != 0) {
            if (pictureLevel_ != 0 && level == pictureLevel_ + 1 && (local == "jpeg" || local == "png" || local == "gif")) {
                file_ = AttachedFile{};
                file_.name = std::string(itemName_) + "." + std::string(local == "jpeg" ? "jpg" : local);
                file_.item = itemName_;
                startFileData(level);
            } else if (pictureLevel_ != 0 && level == pictureLevel_ + 1 && local == "notesbitmap") {
                AttachedFile& bitmap = files_.emplace_back();
                bitmap.name = itemName_;
                bitmap.item = itemName_;
                bitmap.state = AttachedFile::State::NotesBitmap;
            }
            return;
        }
        if (isHiddenRichTextElement(local)) {
            startHidden(local, level, attrs);
        } else if (local == "pardef") {
            rememberListStyle(attrs);
        } else if (local == "par" || local == "sectiontitle") {
            if (paragraphs_++ > 0) buffer_ += "\r\n";
            ++openParagraphs_;
            if (local == "par" && !listStyles_.empty()) startListParagraph(attributeValue(attrs, "def"));
        } else if (local == "tablerow") {
            // A tabbed table's tab label is a heading of the tab's content.
            const char* label = attributeValue(attrs, "tablabel");
            if (!label || !*label) return;
            if (paragraphs_++ > 0) buffer_ += "\r\n";
            buffer_ += label;
        } else if (openParagraphs_ > 0 && local == "doclink" && linkLevel_ == 0) {
            startDocLink(level, attrs);
        } else if (openParagraphs_ > 0 && local == "break") {
            buffer_ += "\r\n";
        } else if (openParagraphs_ > 0 && local == "tab") {
            buffer_ += '\t';
        } else if (openParagraphs_ > 0 && local == "urllink" && linkLevel_ == 0) {
            const char* href = attributeValue(attrs, "href");
            if (!href || !*href) return; // a link computed by a formula has no target to keep
            linkLevel_ = level;
            linkTarget_ = href;
            linkTextStart_ = buffer_.size();
        }
    } else if (local == "break") {
        buffer_ += "\r\n";
    }
}

// A picture of "Photo" is read as a file; an attachment reference gives the display
// name of the file it shows and the item it shows it in (its own picture is the file's
// icon, not read).
void DocumentBuilder::startHidden(std::string_view local, int level, const char* const* attrs) {
    hiddenLevel_ = level;
    if (local == "picture" && photoItem_) {
        pictureLevel_ = level;
    } else if (local == "attachmentref") {
        const char* name = attributeValue(attrs, "name");
        const char* shown = attributeValue(attrs, "displayname");
        if (name && *name) references_.push_back({name, shown ? shown : "", itemName_});
    }
}

// $FILE: <object><file name='...' compression='none' size='...'>...<filedata>base64</filedata></file></object>.
void DocumentBuilder::startInFileItem(std::string_view local, int level, const char* const* attrs) {
    if (level == 5 && local == "file") {
        fileLevel_ = level;
        file_ = AttachedFile{};
        const char* name = attributeValue(attrs, "name");
        file_.name = name ? name : "";
        file_.item = itemName_;
        const char* compression = attributeValue(attrs, "compression");
        if (compression && *compression && !equalsIgnoringCase(compression, "none"))
            file_.state = AttachedFile::State::Compressed;
        if (const char* size = attributeValue(attrs, "size"))
            for (const char* c = size; *c >= '0' && *c <= '9' && file_.declaredSize < (1ull << 50); ++c)
                file_.declaredSize = file_.declaredSize * 10 + std::uint64_t(*c - '0');
    } else if (fileLevel_ != 0 && level == fileLevel_ + 1 && local == "filedata") {
        if (file_.state == AttachedFile::State::Readable) startFileData(level);
    }
}

void DocumentBuilder::startFileData(int level) {
    fileDataLevel_ = level;
    fileData_.clear();
    // Room for the whole base64 text at once where the file tells its size: growing by
    // doubling would copy a large file's text. The size is a hint, not a promise: never
    // more room than the book has bytes left, nor more than a gigabyte ahead.
    // The room is taken once the data outgrows a first small part of it, so a size declared
    // far beyond the data costs nothing.
    fileRoom_ = 0;
    if (file_.declaredSize == 0) return;
    fileRoom_ = std::min<std::uint64_t>(file_.declaredSize / 3 * 4 + 4, 1ull << 30);
    if (bytesLeft_) fileRoom_ = std::min(fileRoom_, bytesLeft_());
    fileData_.reserve(std::min<std::uint64_t>(fileRoom_, kFirstFileRoom));
}

// The data read: kept where it is whole base64, else the file is damaged. A picture is
// a file of its own; a $FILE's file is complete at its element's end.
void DocumentBuilder::endFileData() {
    fileDataLevel_ = 0;
    if (!text::isCleanBase64(fileData_)) {
        file_.state = AttachedFile::State::Damaged;
        fileData_.clear();
    } else {
        // A size declared larger than the data leaves room that the kept text would hold
        // for good.
        if (fileRoom_ > 0 && fileData_.capacity() - fileData_.size() > fileData_.size() / 8)
            fileData_.shrink_to_fit();
        file_.base64 = std::make_shared<const std::string>(std::move(fileData_));
        fileData_ = std::string();
    }
    if (pictureLevel_ != 0) files_.push_back(std::move(file_));
}

// A link's target follows its text in angle brackets ("LinkedIn <https://...>"); a link
// that shows no text is its description and its target ("Minutes <notes://...>"), or the
// target alone.
void DocumentBuilder::endLink() {
    const bool shown = text::trimmed(std::string_view(buffer_).substr(linkTextStart_)).size() > 0;
    if (!shown && !linkDescription_.empty()) buffer_ += linkDescription_;
    buffer_ += shown || !linkDescription_.empty() ? " <" + linkTarget_ + ">" : linkTarget_;
    linkLevel_ = 0;
    linkTarget_.clear();
    linkDescription_.clear();
}

// A link to a Notes document: its notes:// URL of the server's common name, the
// database's replica ID, the view's and the document's universal IDs, as the link
// names them ("0" for a view it does not name), and its description.
void DocumentBuilder::startDocLink(int level, const char* const* attrs) {
    const char* document = attributeValue(attrs, "document");
    if (!document || !*document) return;
    const char* server = attributeValue(attrs, "server");
    const char* database = attributeValue(attrs, "database");
    const char* view = attributeValue(attrs, "view");
    const char* description = attributeValue(attrs, "description");
    linkTarget_ = "notes://";
    for (char c : commonName(server ? server : "")) {
        if (c == ' ') linkTarget_ += "%20";
        else linkTarget_ += c;
    }
    linkTarget_ += '/';
    linkTarget_ += database ? database : "";
    linkTarget_ += '/';
    linkTarget_ += view && *view ? view : "0";
    linkTarget_ += '/';
    linkTarget_ += document;
    linkDescription_ = description ? description : "";
    linkLevel_ = level;
    linkTextStart_ = buffer_.size();
}

// The list styles of the rich text's paragraph definitions ("pardef id='2' list='number'").
void DocumentBuilder::rememberListStyle(const char* const* attrs) {
    const char* list = attributeValue(attrs, "list");
    if (!list || !*list || std::string_view(list) == "none") return;
    const char* id = attributeValue(attrs, "id");
    if (!id) return;
    listStyles_.emplace_back(id, list);
}

// A paragraph of a list begins with its number ("1. ", "b. ", "iii. ") or its bullet; a
// numbered list counts on while its paragraphs follow one another.
void DocumentBuilder::startListParagraph(const char* def) {
    if (listStyles_.empty()) return;
    std::string_view style;
    for (const auto& [id, list] : listStyles_)
        if (def && id == def) style = list;
    if (style.empty()) {
        listDef_.clear();
        return;
    }
    listNumber_ = listDef_ == def ? listNumber_ + 1 : 1;
    listDef_ = def;
    const int n = listNumber_;
    if (style == "number") {
        buffer_ += std::to_string(n) + ". ";
    } else if (style == "alphaupper" || style == "alphalower") {
        std::string letters;
        for (int k = n; k > 0; k = (k - 1) / 26) letters.insert(letters.begin(), char((style == "alphaupper" ? 'A' : 'a') + (k - 1) % 26));
        buffer_ += letters + ". ";
    } else if (style == "romanupper" || style == "romanlower") {
        static constexpr std::pair<int, std::string_view> kRoman[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                                     {100, "c"},   {90, "xc"},  {50, "l"},  {40, "xl"},
                                                                     {10, "x"},    {9, "ix"},   {5, "v"},   {4, "iv"},
                                                                     {1, "i"}};
        std::string roman;
        int k = n;
        for (const auto& [value, digits] : kRoman)
            for (; k >= value; k -= value) roman += digits;
        if (style == "romanupper")
            for (char& c : roman) c = char(c - 'a' + 'A');
        buffer_ += roman + ". ";
    } else if (style == "check") {
        buffer_ += "\u2611 ";
    } else if (style == "uncheck") {
        buffer_ += "\u2610 ";
    } else {
        buffer_ += "\u2022 "; // bullet, circle, square
    }
}

void DocumentBuilder::startItemChild(std::string_view local, int level) {
    if (level == 4 && !firstChildSeen_) {
        firstChildSeen_ = true;
        if (local == "text") capture(ItemValue::Kind::Text, level);
        else if (local == "number") capture(ItemValue::Kind::Number, level);
        else if (local == "datetime") capture(ItemValue::Kind::DateTime, level);
        else if (local == "richtext") capture(ItemValue::Kind::RichText, level);
        else if (local == "rawitemdata" || local == "itemdata") value_.unreadable = true;
        else if (local == "textlist") await("text", level + 1);
        else if (local == "numberlist") await("number", level + 1);
        else if (local == "datetimelist") await("datetime", level + 1);
        else if (local == "datetimepair") startPair(level);
        return;
    }
    if (pairLevel_ != 0 && level == pairLevel_ + 1) {
        if (local == "datetime" && pairEnds_ < 2) capture(ItemValue::Kind::DateTime, level);
        return;
    }
    if (awaitLevel_ != level) return;
    if (local == awaited_) {
        // Every value of the list: the first is the item's text, the rest go to more.
        capture(awaited_ == "text"     ? ItemValue::Kind::Text
                : awaited_ == "number" ? ItemValue::Kind::Number
                                       : ItemValue::Kind::DateTime,
                level);
    } else if (awaited_ == "datetime" && local == "datetimepair") {
        startPair(level);
    }
}

// A pair of date-times (a range) is one value: its two ends joined by '/'.
void DocumentBuilder::startPair(int level) {
    value_.kind = ItemValue::Kind::DateTime;
    pairLevel_ = level;
    pairEnds_ = 0;
}

bool DocumentBuilder::keeps(const char* itemName) const {
    std::string_view name(itemName ? itemName : "");
    if (inGroup_) return isGroupItem(name);
    if (keep_.empty() || (collectGroups_ && inNote_ && isGroupItem(name))) return true;
    for (const std::string& kept : keep_)
        if (equalsIgnoringCase(kept, name)) return true;
    return false;
}

void DocumentBuilder::capture(ItemValue::Kind kind, int level) {
    value_.kind = kind;
    captureLevel_ = level;
    buffer_.clear();
    paragraphs_ = 0;
    openParagraphs_ = 0;
    hiddenLevel_ = 0;
    linkLevel_ = 0;
    if (!listStyles_.empty()) {
        listStyles_.clear();
        listDef_.clear();
    }
}

// Values of a list are the awaited children at level.
void DocumentBuilder::await(std::string_view element, int level) {
    awaited_ = element;
    awaitLevel_ = level;
    listValueSeen_ = false;
}

void DocumentBuilder::end(int level, const char* name) {
    if (!inDocument_) return;
    if (fileDataLevel_ == level) return endFileData();
    if (fileLevel_ == level) {
        fileLevel_ = 0;
        if (file_.state == AttachedFile::State::Readable && !file_.base64) file_.state = AttachedFile::State::Damaged;
        files_.push_back(std::move(file_));
        return;
    }
    if (inNoteInfo_) {
        if (level == captureLevel_) {
            info_.modified = buffer_;
            buffer_.clear();
            captureLevel_ = 0;
        } else if (level == 3) {
            inNoteInfo_ = false;
        }
        return;
    }
    if (captureLevel_ != 0) {
        if (level == captureLevel_) endValue();
        else if (value_.kind != ItemValue::Kind::RichText) return;
        else if (hiddenLevel_ == level) hiddenLevel_ = pictureLevel_ = 0;
        else if (linkLevel_ == level) endLink();
        else if (hiddenLevel_ == 0 && openParagraphs_ > 0 &&
                 (dxlLocalName(name) == "par" || dxlLocalName(name) == "sectiontitle"))
            --openParagraphs_;
        return;
    }
    if (pairLevel_ == level) pairLevel_ = 0;
    if (awaitLevel_ == level + 1) awaitLevel_ = 0; // the list ended
    if (level == 3 && inItem_) {
        inItem_ = fileItem_ = photoItem_ = false;
        items_.emplace_back(std::move(itemName_), std::move(value_));
        itemName_.clear();
        value_ = ItemValue{};
    } else if (level == 2) {
        endDocument();
    }
}

void DocumentBuilder::endValue() {
    // Copied, not moved: the value gets a buffer of its own size and buffer_ keeps its
    // room for the next value. A large value takes the buffer itself (its unused room is
    // never touched, so it costs no memory), as a copy would hold it twice.
    if (pairLevel_ != 0 && pairEnds_ == 1) {
        std::string& start = value_.more.empty() ? value_.text : value_.more.back();
        start += '/';
        start += buffer_;
        pairEnds_ = 2;
        buffer_.clear();
        captureLevel_ = 0;
        return;
    }
    std::string& value = listValueSeen_ ? value_.more.emplace_back() : value_.text;
    if (buffer_.size() >= kLargeValue) value.swap(buffer_);
    else value = buffer_;
    if (pairLevel_ != 0) pairEnds_ = 1;
    if (awaitLevel_ != 0 || pairLevel_ != 0) listValueSeen_ = true;
    buffer_.clear();
    captureLevel_ = 0;
}

void DocumentBuilder::endDocument() {
    inDocument_ = false;
    // A group's document was counted by its form where it began; a $Conflict item makes
    // it no group.
    const bool groupDocument = inGroup_ ? !conflict_ : isGroupNote();
    const bool keep = groupDocument || (!inGroup_ && isPersonDocument());
    inGroup_ = false;
    if (keep) {
        if (groupDocument) std::erase_if(items_, [](const auto& item) { return !isGroupItem(item.first); });
        // The document gets a vector of its own size; items_ keeps its room for the next.
        std::vector<std::pair<std::string, ItemValue>> items(std::make_move_iterator(items_.begin()),
                                                             std::make_move_iterator(items_.end()));
        // A file shown by the item Photo is shown there whatever else shows it; the first
        // display name given is the file's name.
        for (AttachedFile& file : files_)
            for (const Reference& reference : references_) {
                const std::string& stored = file.storedName.empty() ? file.name : file.storedName;
                if (!equalsIgnoringCase(file.item, "$FILE") || stored != reference.name) continue;
                if (file.shownIn.empty() || equalsIgnoringCase(reference.item, "Photo")) file.shownIn = reference.item;
                if (reference.shown.empty() || !file.storedName.empty() || reference.shown == file.name) continue;
                file.storedName = std::move(file.name);
                file.name = reference.shown;
            }
        if (groupDocument)
            groups_.emplace_back(std::move(items), std::move(info_));
        else
            ready_.push_back({ContactDocument(std::move(items), std::move(info_), std::move(files_)), documentStart_});
    }
    items_.clear();
    info_ = NoteInfo{};
    files_.clear();
    references_.clear();
}

// Where the builder collects groups: a note (not a conflict) whose Form item reads
// Group, counted among the other forms as the contacts' walk counts it.
bool DocumentBuilder::isGroupNote() {
    if (!collectGroups_ || !inNote_ || conflict_) return false;
    auto form = std::find_if(items_.begin(), items_.end(),
                             [](const auto& item) { return equalsIgnoringCase(item.first, "Form"); });
    if (form == items_.end() || !equalsIgnoringCase(form->second.text, "group")) return false;
    others_.addForm(form->second.text);
    return true;
}

// At a document's end: a conflict is counted as one (and where it names its parent, set
// aside until the walk's end tells whether the parent is in the book), a note of another
// form by its form; a note's Form item, read only to tell its form, goes where the walk
// does not keep it.
bool DocumentBuilder::isPersonDocument() {
    if (conflict_) {
        ++others_.conflicts;
        if (!inNote_ && !parent_.empty()) {
            others_.openConflicts.push_back(
                {ContactDocument({std::make_move_iterator(items_.begin()), std::make_move_iterator(items_.end())},
                                 std::move(info_), std::move(files_)),
                 std::move(parent_), documentStart_});
        }
        return false;
    }
    if (!inNote_) return true;
    auto form = std::find_if(items_.begin(), items_.end(),
                             [](const auto& item) { return equalsIgnoringCase(item.first, "Form"); });
    const std::string_view formName = form == items_.end() ? std::string_view() : std::string_view(form->second.text);
    if (!equalsIgnoringCase(formName, "person")) {
        others_.addForm(formName);
        return false;
    }
    if (!keeps("Form")) items_.erase(form);
    return true;
}

void DocumentBuilder::characters(std::string_view text) {
    if (fileDataLevel_ != 0) {
        // Base64 text without the line breaks and spaces between its lines.
        if (fileData_.size() + text.size() > fileData_.capacity() && fileData_.capacity() < fileRoom_)
            fileData_.reserve(std::max<std::uint64_t>(fileRoom_, fileData_.size() + text.size()));
        while (!text.empty()) {
            const std::size_t space = std::min(text.find_first_of(text::kWhiteSpace), text.size());
            fileData_.append(text.substr(0, space));
            text.remove_prefix(std::min(text.find_first_not_of(text::kWhiteSpace, space), text.size()));
        }
        return;
    }
    if (captureLevel_ == 0) return;
    if (inNoteInfo_) {
        buffer_.append(text);
        return;
    }
    if (value_.kind == ItemValue::Kind::RichText && (openParagraphs_ == 0 || hiddenLevel_ != 0)) return;
    buffer_.append(text);
}

} // namespace brenmoor::notes
