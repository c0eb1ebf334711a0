// The run's summary: the tally of items kept from the formats' fields, and its lines.
#include "export/run_summary.h"

#include <algorithm>

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
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& [name, value] = items[i];
        const bool unread = value.unreadable;
        const bool lost = carried_ && !carriedAt_[i] && holdsValue(value);
        if ((unread || lost) && contact::isUserItem(name))
            (unread ? unreadable_ : notCarried_).pending.push_back(name);
    }
}

void ItemTally::written() {
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
