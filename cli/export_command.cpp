// `brenmoor-convert export FORMAT BOOK FOLDER`: the window's export run on the command
// line. The folder is made where missing and stands in for the folder picker; progress
// goes to stderr as a bar when stderr is a terminal; the completion goes to stdout, the
// run's summary (what was written and what was not) to stderr. A PST
// store written without some contacts, and any export of a book whose attached files
// could not all be written (held compressed or damaged), ends with status 3, so
// scripts see the loss.
// Several books (or --from) make a batch (batch_export.h); FORMAT may name several formats.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/batch_export.h"
#include "cli/commands.h"
#include "cli/contact_selection.h"
#include "export/export_run.h"
#include "export/output_formats.h"

namespace brenmoor::cli {

namespace {

using exporting::ExportRun;
using exporting::OutputFormat;

constexpr Option kOptions[] = {
    {"--jobs", "-j", "N", "convert N books at once (default: the number of cores)"},
    {"--from", "", "LIST", "the books are the lines of the file LIST (- for standard input)"},
    {"--report-json", "", "FILE", "write the batch report as JSON to FILE too"},
    {"--skip-done", "", "", "leave out each book and format the report in FOLDER says is done"},
    {"--only", "", "LIST", "only the contacts at these positions, as list numbers them: 3,7-12"},
    {"--category", "", "NAME", "only the contacts with the category NAME"},
    kHelpOption,
};

// The formats named by a comma-separated list of their words, each once.
std::vector<const OutputFormat*> formatsNamed(const std::string& list) {
    std::vector<const OutputFormat*> formats;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string word = list.substr(start, comma - start);
        const OutputFormat* format = exporting::findOutputFormat(word);
        if (!format) throw UsageError("unknown format: " + word + " (the formats: " + formatWords() + ")");
        if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
        if (comma == list.size()) return formats;
        start = comma + 1;
    }
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

    void showCompletion(const std::string& text, const exporting::RunSummary& summary) override {
        summary_ = summary;
        showMessage(text);
    }

    const std::vector<std::string>& messages() const { return messages_; }
    const std::optional<exporting::RunSummary>& summary() const { return summary_; }

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
    std::optional<exporting::RunSummary> summary_;
};

} // namespace

std::span<const Option> exportOptions() { return kOptions; }

std::string exportDetails() {
    std::string text = "FORMAT, with the files it writes:\n";
    std::size_t width = 0;
    for (const OutputFormat& format : exporting::outputFormats()) width = std::max(width, format.word.size());
    for (const OutputFormat& format : exporting::outputFormats()) {
        std::string word(format.word);
        word.resize(width, ' ');
        text += "  " + word + "  " + std::string(format.name) + ": " + std::string(format.files) + "\n";
    }
    return text + "  several formats at once: a comma-separated list (pst,vcard3)\n"
                  "BOOK    the address book exported as DXL; with one BOOK the files go into FOLDER itself\n"
                  "FOLDER  where the files go (made if missing); with several books (or --from) each\n"
                  "        book gets a subfolder named after its file, and FOLDER/brenmoor-report.csv\n"
                  "        gets a row per book and format\n";
}

int worstStatus(int a, int b) {
    auto rank = [](int status) { return status == kFailed ? 2 : status == kSomeContactsSkipped ? 1 : 0; };
    return rank(a) >= rank(b) ? a : b;
}

bool makeFolder(const std::string& folder, std::ostream& err) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && std::filesystem::is_directory(folder)) return true;
    err << "Could not make the folder \"" << folder << "\": "
        << (error ? error.message() : std::string("a file of that name is in the way")) << ".\n";
    return false;
}

namespace {

// One book in one format into folder, as the window's export run does it.
int exportBook(const OutputFormat& format, const std::string& book, const std::vector<std::int64_t>* picked,
               const std::string& folder, std::ostream& out, std::ostream& err) {
    ConsoleExportUi ui(folder, err);
    ExportRun run(ui);
    if (picked) run.setSelection(*picked);
    const ExportRun::Outcome outcome = run.run(format, book);
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
        if (const auto& summary = ui.summary()) err << exporting::summaryText(*summary);
        if (!run.resultPath().empty()) out << run.resultPath() << '\n';
        out << completion << '\n';
        const bool filesMissing = ui.summary() && exporting::someFilesNotWritten(*ui.summary());
        return outcome == ExportRun::Outcome::Completed && !filesMissing ? kDone : kSomeContactsSkipped;
    }
    for (const std::string& message : messages) err << message << '\n';
    return kFailed;
}

} // namespace

int runExport(const ParsedArguments& args, std::ostream& out, std::ostream& err) {
    const Arguments& operands = args.operands;
    if (operands.empty()) throw UsageError("export needs a FORMAT, a BOOK and a FOLDER");
    const std::vector<const OutputFormat*> formats = formatsNamed(operands[0]);
    const bool fromList = args.has("--from");
    if (operands.size() < (fromList ? 2u : 3u))
        throw UsageError(fromList ? "export --from LIST needs a FORMAT and a FOLDER"
                                  : "export needs a FORMAT, a BOOK and a FOLDER");
    if (fromList && operands.size() > 2) throw UsageError("export --from LIST takes no BOOK");
    const std::string& folder = operands.back();
    if (folder.empty()) throw UsageError("the FOLDER may not be empty");

    const ContactSelection selection(args.value("--only"), args.value("--category"));
    BatchRequest batch{.formats = formats, .books = {}, .folder = folder, .jobs = 1,
                       .reportJson = args.value("--report-json"), .skipDone = args.has("--skip-done"),
                       .selection = &selection};
    const std::string jobs = args.value("--jobs", std::to_string(std::max(1u, std::thread::hardware_concurrency())));
    std::size_t used = 0;
    try {
        batch.jobs = static_cast<unsigned>(std::stoul(jobs, &used));
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != jobs.size() || batch.jobs < 1 || batch.jobs > 1024)
        throw UsageError("-j takes a whole number from 1 to 1024, not \"" + jobs + "\"");

    if (fromList) {
        try {
            batch.books = readBookList(args.value("--from"));
        } catch (const std::exception& e) {
            err << "brenmoor-convert: " << e.what() << "\n";
            return kFailed;
        }
    } else {
        batch.books.assign(operands.begin() + 1, operands.end() - 1);
    }
    for (const std::string& book : batch.books)
        if (book.empty()) throw UsageError("a BOOK may not be empty");

    // One book without the batch's options: its files go into FOLDER itself.
    const bool single = !fromList && batch.books.size() == 1 && !batch.skipDone && batch.reportJson.empty();
    if (!single) return runBatch(batch, out, err);

    const std::string& book = batch.books.front();
    std::optional<std::vector<std::int64_t>> picked;
    if (selection.picks()) {
        try {
            picked = selection.positionsIn(book);
        } catch (const std::exception& e) {
            err << "brenmoor-convert: " << e.what() << "\n";
            return kFailed;
        }
        if (picked->empty()) {
            err << "brenmoor-convert: no contact of \"" << book << "\" is among the " << selection.description()
                << "; no file was written.\n";
            return kDone;
        }
    }
    if (!makeFolder(folder, err)) return kFailed;
    int status = kDone;
    for (const OutputFormat* format : formats)
        status = worstStatus(status, exportBook(*format, book, picked ? &*picked : nullptr, folder, out, err));
    return status;
}

} // namespace brenmoor::cli
