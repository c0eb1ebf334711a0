// `brenmoor-convert export FORMAT BOOK FOLDER`: the window's export run on the command
// line. The folder is made where missing and stands in for the folder picker; progress
// goes to stderr as a bar when stderr is a terminal; the completion goes to stdout.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "export/export_run.h"

namespace brenmoor::cli {

namespace {

using exporting::ExportRun;
using exporting::Format;

constexpr const char* kUsage =
    "usage: brenmoor-convert export FORMAT BOOK FOLDER\n"
    "  FORMAT  csv, txt, html, vcard or pst\n"
    "  BOOK    the address book exported as DXL\n"
    "  FOLDER  where the files go (made if missing)\n";

bool parseFormat(const std::string& name, Format& format) {
    static const std::pair<const char*, Format> kFormats[] = {
        {"csv", Format::Csv},   {"txt", Format::Txt}, {"html", Format::Html},
        {"vcard", Format::Vcard}, {"pst", Format::Pst},
    };
    for (const auto& [text, value] : kFormats)
        if (name == text) {
            format = value;
            return true;
        }
    return false;
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
    explicit ConsoleExportUi(std::string folder)
        : folder_(std::move(folder)), bar_(::isatty(STDERR_FILENO) == 1) {}

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
        std::fprintf(stderr, "\r[%s%s] %3d%% %lld/%lld", std::string(filled, '#').c_str(),
                     std::string(width - filled, ' ').c_str(), percent,
                     static_cast<long long>(value), static_cast<long long>(maximum_));
        std::fflush(stderr);
        drawn_ = true;
    }

    const std::vector<std::string>& messages() const { return messages_; }

private:
    void endBar() {
        if (!drawn_) return;
        std::fputc('\n', stderr);
        drawn_ = false;
    }

    std::string folder_;
    bool bar_;
    bool drawn_ = false;
    int shown_ = -1;
    std::int64_t minimum_ = 0;
    std::int64_t maximum_ = 0;
    std::vector<std::string> messages_;
};

} // namespace

// args: FORMAT BOOK FOLDER. Returns the process status.
int runExportCommand(const std::vector<std::string>& args) {
    Format format{};
    if (args.size() != 3 || !parseFormat(args[0], format)) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string& book = args[1];
    const std::string& folder = args[2];
    if (book.empty() || folder.empty()) {
        std::cerr << kUsage;
        return 2;
    }

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::cerr << "Could not make the folder \"" << folder << "\": "
                  << (error ? error.message() : std::string("a file of that name is in the way"))
                  << ".\n";
        return 1;
    }

    ConsoleExportUi ui(folder);
    ExportRun run(ui);
    const ExportRun::Outcome outcome = run.run(format, book);
    const auto& messages = ui.messages();

    if (outcome == ExportRun::Outcome::Completed) {
        // The completion's first line on stdout; any account of skipped contacts on stderr.
        std::string completion = messages.empty() ? std::string() : messages.back();
        std::size_t lineEnd = completion.find('\n');
        if (lineEnd != std::string::npos) {
            std::size_t detail = completion.find_first_not_of('\n', lineEnd);
            if (detail != std::string::npos) std::cerr << completion.substr(detail) << '\n';
            completion.resize(lineEnd);
        }
        if (!run.resultPath().empty()) std::cout << run.resultPath() << '\n';
        std::cout << completion << '\n';
        return 0;
    }
    for (const std::string& message : messages) std::cerr << message << '\n';
    return 1;
}

} // namespace brenmoor::cli
