// The run's summary: the tally of items kept from the formats' fields, and its lines.
#include "export/run_summary.h"

#include <algorithm>

#include "contact/contact_from_document.h"
#include "contact/item_kinds.h"
#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

std::string counted(std::int64_t n, const char* noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

bool holdsValue(const notes::ItemValue& value) {
    if (!value.text.empty()) return true;
    return std::any_of(value.more.begin(), value.more.end(), [](const std::string& v) { return !v.empty(); });
}

// The names of files, the first few of them where there are many.
constexpr std::size_t kFileNamesShown = 10;

// "2 photos, 5 attachments", each part only where there are any; "" where none.
std::string filesText(const RunSummary& summary, FileUse use) {
    const std::int64_t photos = summary.photos[std::size_t(use)];
    const std::int64_t attachments = summary.attachments[std::size_t(use)];
    std::string text = photos > 0 ? counted(photos, "photo") : "";
    if (attachments > 0) text += (text.empty() ? "" : ", ") + counted(attachments, "attachment");
    return text;
}

std::string namesText(const std::vector<std::string>& names, std::int64_t count) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + names[i];
    if (count > std::int64_t(names.size())) text += " and " + std::to_string(count - std::int64_t(names.size())) + " more";
    return text;
}

// The contact's name as the tree shows it, without the gap of a missing middle name.
std::string contactName(const notes::ContactDocument& doc) {
    std::string name = notes::displayName(doc);
    for (std::size_t gap; (gap = name.find("  ")) != std::string::npos;) name.erase(gap, 1);
    return name;
}

} // namespace

std::string itemCountsText(const ItemCounts& counts) {
    std::string text;
    for (const auto& [name, contacts] : counts)
        text += (text.empty() ? "" : ", ") + name + " (" + counted(contacts, "contact") + ")";
    return text;
}

std::string summaryText(const RunSummary& summary) {
    std::string text = "Contacts written: " + std::to_string(summary.contactsWritten) + "\n";
    if (summary.contactsSkipped > 0) text += "Contacts not written: " + std::to_string(summary.contactsSkipped) + "\n";
    if (summary.groupsWritten && summary.lists > 0) text += "Mailing lists written: " + std::to_string(summary.lists) + "\n";
    if (const std::string written = filesText(summary, FileUse::Written); !written.empty())
        text += "Written with the contacts: " + written + "\n";
    if (const std::string named = filesText(summary, FileUse::Named); !named.empty())
        text += "Named in the contacts' notes: " + named + "\n";
    return text + notWrittenText(summary);
}

std::string notWrittenText(const RunSummary& summary) {
    std::string text;
    if (!summary.notLists.empty()) {
        text += "Groups that are no address lists, not written:";
        for (std::size_t i = 0; i < summary.notLists.size(); ++i)
            text += (i == 0 ? " " : ", ") + summary.notLists[i].first + " (" + summary.notLists[i].second + ")";
        text += "\n";
    }
    if (summary.wholeBook && summary.contactsWritten == 0 && summary.contactsSkipped == 0) {
        text += "The address book holds no contacts: no document of the form \"Person\".";
        if (!summary.otherDocuments.empty())
            text += " It holds " + notes::otherDocumentsText(summary.otherDocuments) + " documents.";
        text += "\n";
    } else if (summary.wholeBook && !summary.otherDocuments.empty()) {
        text += "Documents that are no contacts, not written: " + notes::otherDocumentsText(summary.otherDocuments) +
                "\n";
    }
    if (!summary.unreadable.empty())
        text += "Rich text or MIME that could not be read, left empty: " + itemCountsText(summary.unreadable) +
                ". Export the book again with rich text as DXL (RichTextOption and MIMEOption set to DXL).\n";
    if (!summary.notCarried.empty())
        text += "Values this format has no place for, not written: " + itemCountsText(summary.notCarried) + "\n";
    if (const std::string dropped = filesText(summary, FileUse::Dropped); !dropped.empty())
        text += "Photos and attachments this format has no place for, not written: " + dropped + "\n";
    if (summary.compressedCount > 0)
        text += "Attachments the book holds compressed, not written: " + namesText(summary.compressedFiles, summary.compressedCount) +
                ". Export the book again with the DXL exporter's UncompressAttachments option set.\n";
    if (summary.damagedCount > 0)
        text += "Attachments whose data is damaged in the book, not written: " + namesText(summary.damagedFiles, summary.damagedCount) +
                ". Export the book again.\n";
    return text;
}

std::size_t ItemTally::Counter::indexOf(const std::string& name) {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), text::lowerAscii);
    auto [entry, added] = index.try_emplace(std::move(key), counts.size());
    if (added) counts.emplace_back(name, 0);
    return entry->second;
}

void ItemTally::look(const notes::ContactDocument& doc) {
    notCarried_.pending.clear();
    unreadable_.pending.clear();
    const auto& items = doc.items();
    if (carried_) {
        carriedAt_.assign(items.size(), 0);
        for (std::size_t i = 0; i < notes::kContactItemCount; ++i)
            if (carried_->test(i))
                if (std::size_t at = doc.positionOf(static_cast<notes::ContactItem>(i)); at < items.size())
                    carriedAt_[at] = 1;
    }
    lookAtFiles(doc);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& [name, value] = items[i];
        const bool unread = value.unreadable;
        const bool lost = carried_ && !carriedAt_[i] && holdsValue(value);
        if ((unread || lost) && contact::isUserItem(name))
            (unread ? unreadable_ : notCarried_).pending.push_back(name);
    }
}

void ItemTally::lookAtFiles(const notes::ContactDocument& doc) {
    pendingFiles_ = RunSummary{};
    if (doc.files().empty()) return;
    std::optional<contact::Attachment> photo;
    std::vector<contact::Attachment> attachments;
    contact::readFiles(doc, photo, attachments);
    if (photo) {
        const bool named = media_.jpegPhotoOnly && photo->image != contact::ImageKind::Jpeg;
        ++pendingFiles_.photos[std::size_t(named ? FileUse::Named : media_.photo)];
    }
    for (const contact::Attachment& file : attachments) {
        if (file.readable()) {
            ++pendingFiles_.attachments[std::size_t(media_.attachments)];
            continue;
        }
        const bool compressed = file.file.state == notes::AttachedFile::State::Compressed;
        (compressed ? pendingFiles_.compressedFiles : pendingFiles_.damagedFiles)
            .push_back(file.name() + " (" + contactName(doc) + ")");
    }
}

void ItemTally::countFiles(RunSummary& summary) const {
    summary.photos = files_.photos;
    summary.attachments = files_.attachments;
    summary.compressedCount = files_.compressedCount;
    summary.compressedFiles = files_.compressedFiles;
    summary.damagedCount = files_.damagedCount;
    summary.damagedFiles = files_.damagedFiles;
}

void ItemTally::written() {
    for (std::size_t i = 0; i < 3; ++i) {
        files_.photos[i] += pendingFiles_.photos[i];
        files_.attachments[i] += pendingFiles_.attachments[i];
    }
    // A large book's names are kept only as far as the summary shows them.
    files_.compressedCount += std::int64_t(pendingFiles_.compressedFiles.size());
    files_.damagedCount += std::int64_t(pendingFiles_.damagedFiles.size());
    for (auto [from, to] : {std::pair(&pendingFiles_.compressedFiles, &files_.compressedFiles),
                            std::pair(&pendingFiles_.damagedFiles, &files_.damagedFiles)})
        for (std::string& name : *from)
            if (to->size() < kFileNamesShown) to->push_back(std::move(name));
    pendingFiles_ = RunSummary{};
    for (Counter* counter : {&notCarried_, &unreadable_}) {
        // A contact counts once for an item, however often it spells it.
        std::vector<std::size_t> seen;
        for (const std::string& name : counter->pending) {
            const std::size_t at = counter->indexOf(name);
            if (std::find(seen.begin(), seen.end(), at) != seen.end()) continue;
            seen.push_back(at);
            ++counter->counts[at].second;
        }
        counter->pending.clear();
    }
}

} // namespace brenmoor::exporting
