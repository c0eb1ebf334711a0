// Where a writer's text goes, piece by piece: an output file, or a string for a caller
// that wants the text whole. A writer that hands its text on as it goes never holds a
// long value twice.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::exporting {

class TextSink {
public:
    virtual void append(std::string_view text) = 0;

protected:
    ~TextSink() = default;
};

class StringSink final : public TextSink {
public:
    void append(std::string_view piece) override { text.append(piece); }
    std::string text;
};

} // namespace brenmoor::exporting
