// The save choices' words.
#include "app/save_scope.h"

#include <QCoreApplication>
#include <QLocale>

namespace brenmoor::app {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("brenmoor::app::SaveScope", text); }

} // namespace

QString countText(std::int64_t count) { return QLocale().toString(qlonglong(count)); }

bool scopeOffered(SaveScope scope, const ScopeCounts& counts) {
    switch (scope) {
    case SaveScope::All: return true;
    case SaveScope::Selected: return counts.selected > 0;
    case SaveScope::Shown: return counts.filtered && counts.shown > 0;
    }
    return false;
}

SaveScope defaultScope(const ScopeCounts& counts) {
    if (counts.selected > 1) return SaveScope::Selected;
    if (scopeOffered(SaveScope::Shown, counts)) return SaveScope::Shown;
    return SaveScope::All;
}

QString scopeChoiceText(SaveScope scope, const ScopeCounts& counts) {
    switch (scope) {
    case SaveScope::All:
        return counts.total == 1 ? tr("&All: the one contact of the book") : tr("&All %1 contacts").arg(countText(counts.total));
    case SaveScope::Selected:
        return counts.selected == 1 ? tr("The &selected contact")
                                    : tr("The %1 &selected contacts").arg(countText(counts.selected));
    case SaveScope::Shown:
        return counts.shown == 1 ? tr("The contact shown by the &filter")
                                 : tr("The %1 contacts shown by the &filter").arg(countText(counts.shown));
    }
    return {};
}

QString scopeSummary(SaveScope scope, const ScopeCounts& counts) {
    QString what;
    switch (scope) {
    case SaveScope::All:
        what = counts.total == 1 ? tr("The one contact of the address book is saved")
                                 : tr("All %1 contacts of the address book are saved").arg(countText(counts.total));
        break;
    case SaveScope::Selected:
        what = counts.selected == 1 ? tr("Only the selected contact is saved")
                                    : tr("Only the %1 selected contacts are saved").arg(countText(counts.selected));
        break;
    case SaveScope::Shown:
        what = counts.shown == 1 ? tr("Only the contact shown by the filter is saved")
                                 : tr("Only the %1 contacts shown by the filter are saved").arg(countText(counts.shown));
        break;
    }
    return what + tr(", in the folder you choose next.");
}

} // namespace brenmoor::app
