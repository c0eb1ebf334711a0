// Dates, labels, note lines and phone places of the importer formats.
#include "export/contact_text.h"

#include "text/text_bytes.h"

namespace brenmoor::exporting {

std::string isoDate(const CalendarDate& date) { return text::threeNumbers(date.year, 4, date.month, date.day, "-"); }

std::string_view phoneLabel(contact::PhoneKind kind) {
    using contact::PhoneKind;
    switch (kind) {
    case PhoneKind::WorkVoice: return "Office phone";
    case PhoneKind::WorkFax: return "Office fax";
    case PhoneKind::WorkCell: return "Cell phone";
    case PhoneKind::WorkPager: return "Pager";
    case PhoneKind::HomeVoice: return "Home phone";
    case PhoneKind::HomeFax: return "Home fax";
    case PhoneKind::PersonalCell: return "Personal cell phone";
    case PhoneKind::Assistant: return "Assistant's phone";
    case PhoneKind::Car: return "Car phone";
    case PhoneKind::OtherVoice: return "Other phone";
    case PhoneKind::OtherFax: return "Other fax";
    }
    return "Phone";
}

std::string_view relationLabel(contact::Relation relation) {
    using contact::Relation;
    switch (relation) {
    case Relation::Spouse: return "Spouse";
    case Relation::Child: return "Child";
    case Relation::Manager: return "Manager";
    case Relation::Assistant: return "Assistant";
    }
    return "Related";
}

void appendNoteLine(std::string& note, std::string_view label, std::string_view value) {
    if (!note.empty()) note += "\r\n";
    note += label;
    note += ": ";
    note += value;
}

bool PiecedText::forEachNotePiece(const std::function<void(std::string_view)>& each) const {
    bool any = false;
    contact::forEachNotePiece(*noteOf_, [&](std::string_view piece) {
        any = true;
        each(piece);
    });
    return any;
}

void appendCommonNoteLines(std::string& lines, const contact::Contact& contact, Carried carried) {
    if (!contact.notesMailAddress.empty()) appendNoteLine(lines, "Notes mail address", contact.notesMailAddress);
    if (!carried.instantMessaging)
        for (const std::string& address : contact.imAddresses) appendNoteLine(lines, "Sametime", address);
    if (!carried.alternateName && !contact.alternateName.empty())
        appendNoteLine(lines, "Alternate name",
                       contact.alternateNameLanguage.empty()
                           ? contact.alternateName
                           : contact.alternateName + " (" + contact.alternateNameLanguage + ")");
    if (!contact.nameReading.empty() && !(carried.nameReading && !contact.readingFamily.empty()))
        appendNoteLine(lines, "Name reading", contact.nameReading);
    if (!carried.privateFlag && contact.isPrivate) {
        if (!lines.empty()) lines += "\r\n";
        lines += "Private contact";
    }
    if (!carried.photo && contact.photo) appendNoteLine(lines, "Photo", attachmentText(*contact.photo));
    for (const contact::Attachment& file : contact.attachments)
        if (!carried.attachments || !file.readable()) appendNoteLine(lines, "Attachment", attachmentText(file));
    for (const std::string& name : contact.idFiles)
        appendNoteLine(lines, "Notes ID file", name + " (holds private keys, never exported)");
    if (contact.otherFields.empty()) return;
    if (!lines.empty()) lines += "\r\n";
    lines += "Other fields";
    for (const contact::OtherField& field : contact.otherFields) appendNoteLine(lines, field.label, field.value);
}

std::string attachmentText(const contact::Attachment& file) {
    using State = notes::AttachedFile::State;
    if (file.file.state == State::Compressed) return file.name() + " (stored compressed in the book, not readable)";
    if (file.file.state == State::Damaged) return file.name() + " (damaged in the book, not readable)";
    if (file.file.state == State::NotesBitmap)
        return file.name() + " (a Notes bitmap, not readable: export the book again with ConvertNotesBitmapsToGIF set)";
    constexpr std::uint64_t kKilo = 1024, kMega = 1024 * 1024;
    const std::uint64_t size = file.size();
    if (size < kKilo) return file.name() + " (" + std::to_string(size) + (size == 1 ? " byte)" : " bytes)");
    if (size < kMega) return file.name() + " (" + std::to_string((size + kKilo / 2) / kKilo) + " KB)";
    const std::uint64_t tenths = (size * 10 + kMega / 2) / kMega;
    return file.name() + " (" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB)";
}

std::string_view webPageLabel(contact::Place place) {
    switch (place) {
    case contact::Place::Work: return "Work web page";
    case contact::Place::Home: return "Home web page";
    case contact::Place::Other: return "Web page";
    }
    return "Web page";
}

std::string joinedCategories(const std::vector<std::string>& categories, std::string_view separator) {
    std::string joined;
    for (const std::string& category : categories) {
        if (!joined.empty()) joined += separator;
        joined += category;
    }
    return joined;
}

std::vector<const contact::Phone*> fillPhoneSlots(const std::vector<contact::Phone>& phones,
                                                  std::span<const PhoneSlot> slots,
                                                  std::vector<std::string_view>& numbers) {
    numbers.assign(slots.size(), std::string_view());
    const auto place = [&](const contact::Phone& phone, std::uint32_t PhoneSlot::*kinds) {
        const std::uint32_t bit = 1u << static_cast<unsigned>(phone.kind);
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if ((slots[i].*kinds & bit) == 0 || !numbers[i].empty()) continue;
            numbers[i] = phone.number;
            return true;
        }
        return false;
    };
    std::vector<const contact::Phone*> unplaced;
    for (const contact::Phone& phone : phones)
        if (!place(phone, &PhoneSlot::kinds)) unplaced.push_back(&phone);
    std::erase_if(unplaced, [&](const contact::Phone* phone) { return place(*phone, &PhoneSlot::alsoKinds); });
    return unplaced;
}

void appendQuotedCsvRecord(TextSink& out, std::span<const PiecedText> fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out.append(i > 0 ? ",\"" : "\"");
        fields[i].forEach([&](std::string_view piece) {
            for (std::size_t quote; (quote = piece.find('"')) != std::string_view::npos; piece.remove_prefix(quote + 1)) {
                out.append(piece.substr(0, quote + 1));
                out.append("\"");
            }
            out.append(piece);
        });
        out.append("\"");
    }
    out.append("\r\n");
}

bool nameKnownOnlyWhole(const contact::Contact& contact) {
    const contact::Name& name = contact.name;
    return name.given.empty() && name.middle.empty() && name.family.empty() && !contact.formattedNameMadeUp &&
           contact.formattedName != text::cutBefore(contact.organization, text::kDerivedNameLimit) &&
           (contact.emails.empty() ||
            contact.formattedName != text::cutBefore(contact.emails.front().address, text::kDerivedNameLimit));
}

} // namespace brenmoor::exporting
