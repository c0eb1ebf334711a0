// The program's own texts in the user's language. Every layer words its messages in
// English and looks them up with translate(context, source), where source is a literal
// and context names the layer ("brenmoor::notes", ...), so Qt's lupdate finds them. The
// window installs Qt's translations as the translator; the command line installs none,
// so what it prints stays English, as scripts that read it expect.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace brenmoor::text {

using Translator = std::string (*)(const char* context, const char* source);

inline Translator& installedTranslator() {
    static Translator translator = nullptr;
    return translator;
}

// Set once at start-up, before any other thread runs.
inline void installTranslator(Translator translator) { installedTranslator() = translator; }

// The source in the installed translation's language; the source itself where no
// translation is installed or it has none for this text.
inline std::string translate(const char* context, const char* source) {
    const Translator translator = installedTranslator();
    return translator ? translator(context, source) : std::string(source);
}

// The pattern with %1 to %9 replaced by the arguments, as QString::arg fills them (a
// "%1" inside an argument stays as it is; a number without an argument too).
inline std::string arg(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 64);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += args.begin()[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

} // namespace brenmoor::text
