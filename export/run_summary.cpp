// The run's summary: the tally of items kept from the formats' fields, and its lines.
#include "export/run_summary.h"

#include <algorithm>

#include "contact/contact_from_document.h"
#include "contact/item_kinds.h"
#include "text/text_bytes.h"
#include "text/translation.h"

namespace brenmoor::exporting {

namespace {

using text::arg;
using text::translate;

// "1 contact", "3 photos": the text for one and the pattern for more, both translated.
std::string counted(std::int64_t n, const std::string& one, const std::string& more) {
    return n == 1 ? one : arg(more, {std::to_string(n)});
}

std::string line(const std::string& pattern, const std::string& value) { return arg(pattern, {value}) + "\n"; }

bool holdsValue(const notes::ItemValue& value) {
    if (!value.text.empty()) return true;
    return std::any_of(value.more.begin(), value.more.end(), [](const std::string& v) { return !v.empty(); });
}

// The names of files, the first few of them where there are many.
constexpr std::size_t kFileNamesShown = 10;

// The attached files left out, each kind with its line of the summary (translate's
// literals stay where lupdate finds them).
using FilesLeftOut = RunSummary::FilesLeftOut;
constexpr std::pair<FilesLeftOut RunSummary::*, std::string (*)()> kFilesLeftOut[] = {
    {&RunSummary::compressed,
     [] {
         return translate("brenmoor::exporting", "Attachments the book holds compressed, not written: %1. Export the "
                                                 "book again with the DXL exporter's UncompressAttachments option set.");
     }},
    {&RunSummary::damaged,
     [] {
         return translate("brenmoor::exporting",
                          "Attachments whose data is damaged in the book, not written: %1. Export the book again.");
     }},
    {&RunSummary::idFiles,
     [] { return translate("brenmoor::exporting", "Notes ID files, never written as they hold private keys: %1"); }},
    {&RunSummary::bitmaps,
     [] {
         return translate("brenmoor::exporting", "Pictures the book holds as Notes bitmaps, not written: %1. Export the "
                                                 "book again with the DXL exporter's ConvertNotesBitmapsToGIF option set.");
     }},
};

// "2 photos, 5 attachments", each part only where there are any; "" where none.
std::string filesText(const RunSummary& summary, FileUse use) {
    const std::int64_t photos = summary.photos[std::size_t(use)];
    const std::int64_t attachments = summary.attachments[std::size_t(use)];
    std::string text = photos > 0 ? counted(photos, translate("brenmoor::exporting", "1 photo"),
                                            translate("brenmoor::exporting", "%1 photos"))
                                  : "";
    if (attachments > 0)
        text += (text.empty() ? "" : ", ") + counted(attachments, translate("brenmoor::exporting", "1 attachment"),
                                                     translate("brenmoor::exporting", "%1 attachments"));
    return text;
}

std::string namesText(const std::vector<std::string>& names, std::int64_t count) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + names[i];
    if (count > std::int64_t(names.size()))
        text = arg(translate("brenmoor::exporting", "%1 and %2 more"),
                   {text, std::to_string(count - std::int64_t(names.size()))});
    return text;
}

// The contact's name as the tree shows it, without the gap of a missing middle name.
std::string contactName(const notes::ContactDocument& doc) {
    std::string name = notes::displayName(doc);
    for (std::size_t gap; (gap = name.find("  ")) != std::string::npos;) name.erase(gap, 1);
    return name;
}

} // namespace

std::string contactsText(std::int64_t n) {
    return n == 1 ? translate("brenmoor::exporting", "1 contact")
                  : arg(translate("brenmoor::exporting", "%1 contacts"), {std::to_string(n)});
}

std::string otherDocumentsCountText(const notes::OtherDocuments& others) {
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (others.conflicts > 0)
        add(counted(others.conflicts, translate("brenmoor::exporting", "1 conflict"),
                    translate("brenmoor::exporting", "%1 conflicts")));
    for (const auto& [form, count] : others.forms)
        add(form.empty() ? counted(count, translate("brenmoor::exporting", "1 document without a form"),
                                   translate("brenmoor::exporting", "%1 documents without a form"))
                         : arg(count == 1 ? translate("brenmoor::exporting", "1 %1 document")
                                          : translate("brenmoor::exporting", "%2 %1 documents"),
                               {form, std::to_string(count)}));
    return text;
}

std::string itemCountsText(const ItemCounts& counts) {
    std::string text;
    for (const auto& [name, contacts] : counts)
        text += (text.empty() ? "" : ", ") + name + " (" + contactsText(contacts) + ")";
    return text;
}

std::string summaryText(const RunSummary& summary) {
    std::string text =
        line(translate("brenmoor::exporting", "Contacts written: %1"), std::to_string(summary.contactsWritten));
    if (summary.contactsSkipped > 0)
        text += line(translate("brenmoor::exporting", "Contacts not written: %1"),
                     std::to_string(summary.contactsSkipped));
    if (summary.groupsWritten && summary.lists > 0)
        text += line(translate("brenmoor::exporting", "Mailing lists written: %1"), std::to_string(summary.lists));
    if (const std::string written = filesText(summary, FileUse::Written); !written.empty())
        text += line(translate("brenmoor::exporting", "Written with the contacts: %1"), written);
    if (const std::string named = filesText(summary, FileUse::Named); !named.empty())
        text += line(translate("brenmoor::exporting", "Named in the contacts' notes: %1"), named);
    return text + notWrittenText(summary);
}

std::string notWrittenText(const RunSummary& summary) {
    std::string text;
    if (summary.listsLeftOut > 0)
        text += line(translate("brenmoor::exporting", "Mailing lists left out, none of their members picked: %1"),
                     std::to_string(summary.listsLeftOut));
    if (!summary.listsWithoutMembers.empty()) {
        std::string names;
        for (const std::string& name : summary.listsWithoutMembers) names += (names.empty() ? "" : ", ") + name;
        text += line(translate("brenmoor::exporting", "Mailing lists without a member, not written (an LDIF list "
                                                      "needs one): %1"),
                     names);
    }
    for (const std::string& ambiguous : summary.ambiguousMembers) text += ambiguous + "\n";
    if (!summary.notLists.empty()) {
        std::string groups;
        for (std::size_t i = 0; i < summary.notLists.size(); ++i)
            groups += (i == 0 ? "" : ", ") + summary.notLists[i].first + " (" + summary.notLists[i].second + ")";
        text += line(translate("brenmoor::exporting", "Groups that are no address lists, not written: %1"), groups);
    }
    if (summary.wholeBook && summary.contactsWritten == 0 && summary.contactsSkipped == 0) {
        text += translate("brenmoor::exporting", "The address book holds no contacts: no document of the form "
                                                 "\"Person\".");
        if (!summary.otherDocuments.empty())
            text += " " + arg(translate("brenmoor::exporting", "It holds %1."),
                              {otherDocumentsCountText(summary.otherDocuments)});
        text += "\n";
    } else if (summary.wholeBook && !summary.otherDocuments.empty()) {
        std::string others = notes::otherDocumentsText(summary.otherDocuments);
        if (const std::string kept = notes::keptConflictsText(summary.otherDocuments); !kept.empty())
            others += "; " + kept;
        text += line(translate("brenmoor::exporting", "Documents that are no contacts, not written: %1"), others);
    } else if (summary.wholeBook && !summary.otherDocuments.keptConflicts.empty()) {
        text += notes::keptConflictsText(summary.otherDocuments) + "\n";
    }
    if (!summary.unreadable.empty())
        text += line(translate("brenmoor::exporting",
                               "Rich text or MIME that could not be read, left empty: %1. Export the book again "
                               "with rich text as DXL (RichTextOption and MIMEOption set to DXL)."),
                     itemCountsText(summary.unreadable));
    if (!summary.notCarried.empty())
        text += line(translate("brenmoor::exporting", "Values this format has no place for, not written: %1"),
                     itemCountsText(summary.notCarried));
    if (const std::string dropped = filesText(summary, FileUse::Dropped); !dropped.empty())
        text += line(translate("brenmoor::exporting",
                               "Photos and attachments this format has no place for, not written: %1"),
                     dropped);
    for (const auto& [files, message] : kFilesLeftOut)
        if ((summary.*files).count > 0)
            text += line(message(),
                         namesText((summary.*files).names, (summary.*files).count));
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
    std::vector<std::string> idFiles;
    contact::readFiles(doc, photo, attachments, idFiles);
    for (const std::string& name : idFiles) pendingFiles_.idFiles.names.push_back(name + " (" + contactName(doc) + ")");
    if (photo) {
        const bool named = media_.jpegPhotoOnly && photo->image != contact::ImageKind::Jpeg;
        ++pendingFiles_.photos[std::size_t(named ? FileUse::Named : media_.photo)];
    }
    for (const contact::Attachment& file : attachments) {
        if (file.readable()) {
            ++pendingFiles_.attachments[std::size_t(media_.attachments)];
            continue;
        }
        using State = notes::AttachedFile::State;
        (file.file.state == State::Compressed    ? pendingFiles_.compressed
         : file.file.state == State::NotesBitmap ? pendingFiles_.bitmaps
                                                 : pendingFiles_.damaged)
            .names.push_back(file.name() + " (" + contactName(doc) + ")");
    }
}

void ItemTally::countFiles(RunSummary& summary) const {
    summary.photos = files_.photos;
    summary.attachments = files_.attachments;
    for (const auto& kind : kFilesLeftOut) summary.*kind.first = files_.*kind.first;
}

void ItemTally::written() {
    for (std::size_t i = 0; i < 3; ++i) {
        files_.photos[i] += pendingFiles_.photos[i];
        files_.attachments[i] += pendingFiles_.attachments[i];
    }
    // A large book's names are kept only as far as the summary shows them.
    for (const auto& kind : kFilesLeftOut) {
        FilesLeftOut &from = pendingFiles_.*kind.first, &to = files_.*kind.first;
        to.count += std::int64_t(from.names.size());
        for (std::string& name : from.names)
            if (to.names.size() < kFileNamesShown) to.names.push_back(std::move(name));
    }
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
