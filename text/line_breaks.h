// Line breaks written as CR LF, the form Windows programs keep: a bare LF or CR becomes
// CR LF, a CR LF stays one break. Text may come in pieces; a CR ending one piece and an
// LF starting the next are one break.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace brenmoor::text {

class CrLfLines {
public:
    void append(std::string& out, std::string_view piece) {
        if (afterCr_ && !piece.empty() && piece.front() == '\n') piece.remove_prefix(1);
        afterCr_ = false;
        if (!piece.data() || (!std::memchr(piece.data(), '\n', piece.size()) &&
                              !std::memchr(piece.data(), '\r', piece.size()))) {
            out.append(piece);
            return;
        }
        std::size_t start = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const char c = piece[i];
            if (c != '\r' && c != '\n') continue;
            out.append(piece.substr(start, i - start));
            out += "\r\n";
            if (c == '\r' && i + 1 < piece.size() && piece[i + 1] == '\n') ++i;
            else afterCr_ = c == '\r' && i + 1 == piece.size();
            start = i + 1;
        }
        out.append(piece.substr(start));
    }

private:
    bool afterCr_ = false;
};

// A whole text.
inline void appendWithCrLf(std::string& out, std::string_view value) { CrLfLines().append(out, value); }

} // namespace brenmoor::text
