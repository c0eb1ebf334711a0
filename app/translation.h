// The program's texts in the user's language: the translation shipped for a locale
// (German first), compiled into the program from app/translations/.
#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>

namespace brenmoor::app {

// The translation for locale, or nullptr where the program has none (English, the
// language of its own texts, needs none). Install it on the application.
std::unique_ptr<QTranslator> programTranslation(const QLocale& locale);

// The messages the layers below the window word (the address book's, the exports', the
// store's) are looked up in the application's installed translations too.
void translateLayerTexts();

} // namespace brenmoor::app
