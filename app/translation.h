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

} // namespace brenmoor::app
