// `brenmoor-convert export FORMAT BOOK FOLDER`: the window's export run on the command
// line. The folder is made where missing and stands in for the folder picker; progress
// goes to stderr as a bar when stderr is a terminal; the completion goes to stdout. A PST
// store written without some contacts ends with status 3, so scripts see the loss.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "cli/commands.h"
#include "export/export_run.h"
#include "export/output_formats.h"

namespace brenmoor::cli {

namespace {

using exporting::ExportRun;
using exporting::OutputFormat;

constexpr int kSomeContactsSkipped = 3;

// The usage text, its formats read from the table of output formats.
std::string usage() {
    std::string text = "usage: brenmoor-convert export FORMAT BOOK FOLDER\n"
                       "  FORMAT  one of these, with the files it writes:\n";
    for (const OutputFormat& format : exporting::outputFormats()) {
        std::string word(format.word);
        word.resize(std::max<std::size_t>(word.size(), 12), ' ');
        text += "            " + word + " " + std::string(format.name) + ": " + std::string(format.files) + "\n";
    }
    return text + "  BOOK    the address book exported as DXL\n"
                  "  FOLDER  where the files go (made if missing)\n"
                  "exit status:\n"
                  "  0  every contact was written\n"
                  "  1  the export failed; no file was half-written or damaged\n"
                  "  2  wrong usage\n"
                  "  3  pst only: the store was written, but some contacts could not be\n";
}

// Message boxes of the window become lines; CR LF becomes the terminal's line end.
std::string asLines(const std::string& message) {
    std::string out;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
        out += message[i];
    }
    return out;
}

class ConsoleExportUi final : public exporting::ExportUi {
public:
    ConsoleExportUi(std::string folder, std::ostream& err)
        : folder_(std::move(folder)), err_(err), bar_(::isatty(STDERR_FILENO) == 1) {}

    std::string browseForFolder(const std::string&) override { return folder_; }
    void showMessage(const std::string& text) override {
        endBar();
        messages_.push_back(asLines(text));
    }
    void setProgressRange(std::int64_t minimum, std::int64_t maximum) override {
        minimum_ = minimum;
        maximum_ = maximum;
        shown_ = -1;
    }
    void setProgressValue(std::int64_t value) override {
        if (!bar_ || maximum_ <= minimum_ || value <= minimum_) return;
        const int width = 40;
        const int percent = static_cast<int>((value - minimum_) * 100 / (maximum_ - minimum_));
        if (percent == shown_) return;
        shown_ = percent;
        const int filled = percent * width / 100;
        err_ << "\r[" << std::string(filled, '#') << std::string(width - filled, ' ') << "] "
             << percent << "% " << value << "/" << maximum_ << std::flush;
        drawn_ = true;
    }

    const std::vector<std::string>& messages() const { return messages_; }

private:
    void endBar() {
        if (!drawn_) return;
        err_ << '\n';
        drawn_ = false;
    }

    std::string folder_;
    std::ostream& err_;
    bool bar_;
    bool drawn_ = false;
    int shown_ = -1;
    std::int64_t minimum_ = 0;
    std::int64_t maximum_ = 0;
    std::vector<std::string> messages_;
};

} // namespace

std::string exportUsageLine() {
    constexpr std::size_t kIndent = 29; // where the subcommands' descriptions start
    std::string text = "export FORMAT BOOK FOLDER   FORMAT:";
    std::size_t lineStart = 0;
    const auto formats = exporting::outputFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const std::string word = std::string(formats[i].word) + (i + 1 < formats.size() ? "," : "");
        if (text.size() - lineStart + 1 + word.size() > 76) {
            text += "\n";
            lineStart = text.size();
            text.append(kIndent - 1, ' ');
        }
        text += " " + word;
    }
    return text;
}

int runExport(const Arguments& args, std::ostream& out, std::ostream& err) {
    const OutputFormat* format = args.size() == 3 ? exporting::findOutputFormat(args[0]) : nullptr;
    if (!format || args[1].empty() || args[2].empty()) {
        err << usage();
        return 2;
    }
    const std::string& book = args[1];
    const std::string& folder = args[2];

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        err << "Could not make the folder \"" << folder << "\": "
                  << (error ? error.message() : std::string("a file of that name is in the way"))
                  << ".\n";
        return 1;
    }

    ConsoleExportUi ui(folder, err);
    ExportRun run(ui);
    const ExportRun::Outcome outcome = run.run(*format, book);
    const auto& messages = ui.messages();

    if (outcome == ExportRun::Outcome::Completed || outcome == ExportRun::Outcome::CompletedWithSkips) {
        // The completion's first line on stdout; any account of skipped contacts on stderr.
        std::string completion = messages.empty() ? std::string() : messages.back();
        std::size_t lineEnd = completion.find('\n');
        if (lineEnd != std::string::npos) {
            std::size_t detail = completion.find_first_not_of('\n', lineEnd);
            if (detail != std::string::npos) err << completion.substr(detail) << '\n';
            completion.resize(lineEnd);
        }
        if (!run.resultPath().empty()) out << run.resultPath() << '\n';
        out << completion << '\n';
        return outcome == ExportRun::Outcome::Completed ? 0 : kSomeContactsSkipped;
    }
    for (const std::string& message : messages) err << message << '\n';
    return 1;
}

} // namespace brenmoor::cli
