// `brenmoor-convert export FORMAT BOOK FOLDER`: the window's export run on the command
// line. The folder is made where missing and stands in for the folder picker; progress
// goes to stderr as a bar when stderr is a terminal; the completion goes to stdout, the
// run's summary (what was written and what was not) to stderr. A PST
// store written without some contacts, and any export of a book whose attached files
// could not all be written (held compressed or damaged), ends with status 3, so
// scripts see the loss.
// Several books (or --from) make a batch (batch_export.h); FORMAT may name several formats.
#include <algorithm>
#include <cctype>
#include <cstdlib>
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
    {"--from", "", "LIST", "the books are the lines of the file LIST (- for standard input), or its rows"
                           " where it is a CSV mapping with the column book"},
    {"--report-json", "", "FILE", "write the batch report as JSON to FILE too"},
    {"--skip-done", "", "", "leave out each book and format the report in FOLDER says is done"},
    {"--shard", "", "K/N", "convert only the K-th of N shares of the books (every N-th, from the K-th)"},
    {"--shards", "", "N", "N shares, this one by SLURM_ARRAY_TASK_ID or JOB_COMPLETION_INDEX"},
    {"--m365-mapping", "", "FILE", "write the Microsoft 365 PST import mapping of the PST stores to FILE"},
    {"--m365-target-folder", "", "PATH", "its TargetRootFolder (default: /Imported Notes Contacts)"},
    {"--duplicates-report", "", "FILE", "list in FILE the contacts found in more than one book"},
    {"--only", "", "LIST", "only the contacts at these positions, as list numbers them: 3,7-12"},
    {"--category", "", "NAME", "only the contacts with the category NAME"},
    {"--split", "", "cards|N", "vCard formats: a file per contact (cards), or at most N cards a file"},
    {"--max-file-bytes", "", "N", "vCard formats: at most N bytes a file (a larger card gets a file alone)"},
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
                  "        (a file of the same name there is replaced by the complete new one; the\n"
                  "        window asks first where a text or HTML page per contact would replace one)\n"
                  "FOLDER  where the files go (made if missing); with several books (or --from) each\n"
                  "        book gets a subfolder of its own (its file name and a hash of its path:\n"
                  "        names-3fa9c01b22e4), and FOLDER/brenmoor-report.csv\n"
                  "        gets a row per book and format\n";
}

namespace {

unsigned wholeNumber(const std::string& text, const std::string& what) {
    std::size_t used = 0;
    unsigned long n = 0;
    try {
        n = std::stoul(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || !std::isdigit(static_cast<unsigned char>(text[0])) || n > 1000000)
        throw UsageError(what + " is no whole number: \"" + text + "\"");
    return static_cast<unsigned>(n);
}

// The share of the list this process takes: --shard K/N; else the job array's index
// (Slurm's, from its first index, or a Kubernetes Indexed Job's) of --shards N or of
// SLURM_ARRAY_TASK_COUNT; else the whole list. The job array's variables count only
// for a batch (or with --shards): a single book exported inside a job is not shared out.
Shard shardOf(const ParsedArguments& args, bool batch) {
    Shard shard;
    auto environment = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value && *value ? std::optional<std::string>(value) : std::nullopt;
    };
    if (args.has("--shard")) {
        const std::string text = args.value("--shard");
        const std::size_t slash = text.find('/');
        if (slash == std::string::npos) throw UsageError("--shard takes K/N, as 2/4, not \"" + text + "\"");
        const unsigned k = wholeNumber(text.substr(0, slash), "--shard's K");
        shard.count = wholeNumber(text.substr(slash + 1), "--shard's N");
        if (k < 1 || k > shard.count) throw UsageError("--shard K/N takes K from 1 to N, not \"" + text + "\"");
        shard.index = k - 1;
        return shard;
    }
    if (!batch && !args.has("--shards")) return shard;
    std::optional<unsigned> count;
    if (args.has("--shards")) count = wholeNumber(args.value("--shards"), "--shards");
    std::optional<unsigned> index;
    std::string source;
    if (const auto task = environment("SLURM_ARRAY_TASK_ID")) {
        source = "SLURM_ARRAY_TASK_ID";
        const unsigned id = wholeNumber(*task, source);
        const unsigned first = wholeNumber(environment("SLURM_ARRAY_TASK_MIN").value_or("0"), "SLURM_ARRAY_TASK_MIN");
        if (id < first) throw UsageError("SLURM_ARRAY_TASK_ID is below SLURM_ARRAY_TASK_MIN");
        index = id - first;
        if (!count) if (const auto tasks = environment("SLURM_ARRAY_TASK_COUNT"))
            count = wholeNumber(*tasks, "SLURM_ARRAY_TASK_COUNT");
    } else if (const auto job = environment("JOB_COMPLETION_INDEX")) {
        source = "JOB_COMPLETION_INDEX";
        index = wholeNumber(*job, source);
    }
    if (!index && !count) return shard;
    if (!index) throw UsageError("--shards N needs SLURM_ARRAY_TASK_ID or JOB_COMPLETION_INDEX (or give --shard K/N)");
    if (!count) throw UsageError(source + " is set: give --shards N, the number of shares");
    if (*count < 1 || *index >= *count)
        throw UsageError(source + " " + std::to_string(*index) + " is not a share of " + std::to_string(*count));
    shard.index = *index;
    shard.count = *count;
    return shard;
}

// The --split and --max-file-bytes of one export; checked against each format.
exporting::FileSplit fileSplitOf(const ParsedArguments& args, const std::vector<const OutputFormat*>& formats) {
    exporting::FileSplit split;
    if (args.has("--split")) {
        const std::string value = args.value("--split");
        if (value == "cards")
            split.perContact = true;
        else if ((split.maxContacts = wholeNumber(value, "--split's N")) < 1)
            throw UsageError("--split takes cards or a number of cards from 1, not \"" + value + "\"");
    }
    if (args.has("--max-file-bytes")) {
        const std::string value = args.value("--max-file-bytes");
        std::size_t used = 0;
        try {
            split.maxBytes = std::stoull(value, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (value.empty() || used != value.size() || !std::isdigit(static_cast<unsigned char>(value[0])) ||
            split.maxBytes < 1)
            throw UsageError("--max-file-bytes takes a number of bytes from 1, not \"" + value + "\"");
        if (split.perContact) throw UsageError("--max-file-bytes has no use with --split cards");
    }
    if (split.any())
        for (const OutputFormat* format : formats)
            if (!format->makeWriter()->setSplit(split))
                throw UsageError("--split and --max-file-bytes are for vcard, vcard3 and vcard4, not " +
                                 std::string(format->word));
    return split;
}

} // namespace

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
               const exporting::FileSplit& split, const std::string& folder, std::ostream& out, std::ostream& err) {
    ConsoleExportUi ui(folder, err);
    ExportRun run(ui);
    if (picked) run.setSelection(*picked);
    const ExportRun::Outcome outcome = run.run(
        [&] {
            auto writer = format.makeWriter();
            if (split.any()) writer->setSplit(split);
            return writer;
        },
        book);
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
                       .selection = &selection, .shard = {},
                       .m365Mapping = args.value("--m365-mapping"),
                       .m365Target = args.value("--m365-target-folder", "/Imported Notes Contacts"),
                       .duplicatesReport = args.value("--duplicates-report")};
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
        for (auto operand = operands.begin() + 1; operand != operands.end() - 1; ++operand)
            batch.books.emplace_back(*operand);
    }
    for (const BatchBook& book : batch.books)
        if (book.path.empty()) throw UsageError("a BOOK may not be empty");
    batch.shard = shardOf(args, fromList || batch.books.size() > 1);

    // One book without the batch's options: its files go into FOLDER itself.
    const bool single = !fromList && batch.books.size() == 1 && !batch.skipDone && batch.reportJson.empty() &&
                        batch.shard.whole() && batch.m365Mapping.empty() && batch.duplicatesReport.empty();
    const exporting::FileSplit split = fileSplitOf(args, formats);
    if (!single && split.any()) throw UsageError("--split and --max-file-bytes take a single book");
    if (!single) {
        dropRepeatedBooks(batch.books, err);
        std::vector<BatchBook> share; // every N-th book of the list, from the K-th
        for (std::size_t i = batch.shard.index; i < batch.books.size(); i += batch.shard.count)
            share.push_back(std::move(batch.books[i]));
        batch.books = std::move(share);
        return runBatch(batch, out, err);
    }

    const std::string& book = batch.books.front().path;
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
        status = worstStatus(status, exportBook(*format, book, picked ? &*picked : nullptr, split, folder, out, err));
    return status;
}

} // namespace brenmoor::cli
