// Which contacts a save writes: all of the book, those the user selected, or those the
// filter shows. The Save As menu and the save format dialog offer the same choices, in
// the same words, and say before anything is written which one a save takes.
#pragma once

#include <QString>
#include <cstdint>

namespace brenmoor::app {

enum class SaveScope { All, Selected, Shown };

struct ScopeCounts {
    std::int64_t total = 0;    // contacts in the book on screen
    std::int64_t selected = 0; // selected, hidden by the filter or not
    std::int64_t shown = 0;    // shown by the filter
    bool filtered = false;
};

// Whether the choice has contacts to save: a selection, a filter showing some.
bool scopeOffered(SaveScope scope, const ScopeCounts& counts);
// The choice a save takes unless the user picks another: several selected contacts,
// else the contacts a filter shows, else all.
SaveScope defaultScope(const ScopeCounts& counts);
// The choice as the menu and the dialog name it: "All 25 contacts", "The 7 selected
// contacts", "The 3 contacts shown by the filter".
QString scopeChoiceText(SaveScope scope, const ScopeCounts& counts);
// What Convert will do, in a sentence: "The 7 selected contacts are saved, in the folder
// you choose next."
QString scopeSummary(SaveScope scope, const ScopeCounts& counts);
// A count as the user's locale writes it: 100,000 or 100.000.
QString countText(std::int64_t count);

} // namespace brenmoor::app
