// Finds the program's translation for a locale among those compiled in.
#include "app/translation.h"

#include <QCoreApplication>

#include "text/translation.h"

namespace brenmoor::app {

std::unique_ptr<QTranslator> programTranslation(const QLocale& locale) {
    auto translator = std::make_unique<QTranslator>();
    // brenmoor_de.qm for de, de_DE, de_AT, ...
    if (!translator->load(locale, QStringLiteral("brenmoor"), QStringLiteral("_"), QStringLiteral(":/translations")))
        return nullptr;
    return translator;
}

void translateLayerTexts() {
    text::installTranslator([](const char* context, const char* source) {
        return QCoreApplication::translate(context, source).toStdString();
    });
}

} // namespace brenmoor::app
