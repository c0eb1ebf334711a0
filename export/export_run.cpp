// The export run shared by every format: the checks, the folder, the walk over the
// book with progress, the completion. Failures reach the user as one message that
// says what failed; a tolerant writer's failures are counted and reported with the
// completion instead.
#include "export/export_run.h"

#include <exception>
#include <optional>

#include "export/csv_writer.h"
#include "export/html_writer.h"
#include "export/ldif_writer.h"
#include "export/outlook_csv_writer.h"
#include "export/pst_writer.h"
#include "export/standard_vcard_writer.h"
#include "export/text_writer.h"
#include "export/vcard_writer.h"
#include "notes/address_book.h"

namespace brenmoor::exporting {

namespace {

constexpr const char* kNoBookMessage =
    "File Not Selected!\r\n\r\nFirst Select Names.nsf file using Browse button..";
constexpr const char* kFolderPrompt = "Please select a Server folder.";
constexpr const char* kCompletedMessage = "Conversion Process Completed";

std::string reasonOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "There was not enough memory to go on.";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "An unknown error occurred.";
    }
}

// The failures of a tolerant run: how many contacts were not written and why the first was not.
struct Skipped {
    std::int64_t contacts = 0;
    std::string firstReason;
    std::string bookReason; // set where the book could not be read at all

    void contact(std::exception_ptr error, std::int64_t count = 1) {
        if (firstReason.empty()) firstReason = reasonOf(error);
        contacts += count;
    }
};

std::string completionMessage(const Skipped& skipped, std::int64_t total) {
    std::string message = kCompletedMessage;
    if (!skipped.bookReason.empty())
        message += "\r\n\r\nNo contact was written, because the address book could not be read: " +
                   skipped.bookReason;
    else if (skipped.contacts > 0)
        message += "\r\n\r\n" + std::to_string(skipped.contacts) + " of " +
                   std::to_string(total) + " contacts could not be written. The first failure: " +
                   skipped.firstReason;
    return message;
}

} // namespace

std::unique_ptr<FormatWriter> makeWriter(Format format) {
    switch (format) {
    case Format::Pst: return makePstWriter();
    case Format::Csv: return makeCsvWriter();
    case Format::Vcard: return makeVcardWriter();
    case Format::Html: return makeHtmlWriter();
    case Format::Txt: return makeTextWriter();
    case Format::Vcard3: return makeVcard3Writer();
    case Format::Vcard4: return makeVcard4Writer();
    case Format::Ldif: return makeLdifWriter();
    case Format::OutlookCsv: return makeOutlookCsvWriter();
    }
    return nullptr;
}

ExportRun::ExportRun(ExportUi& ui) : ui_(ui) {}

ExportRun::Outcome ExportRun::run(Format format, const std::string& bookPath) {
    return run([format] { return makeWriter(format); }, bookPath);
}

ExportRun::Outcome ExportRun::run(const std::function<std::unique_ptr<FormatWriter>()>& makeWriter,
                                  const std::string& bookPath) {
    resultPath_.clear();
    if (bookPath.empty()) {
        ui_.showMessage(kNoBookMessage);
        return Outcome::NoBook;
    }
    const std::string folder = ui_.browseForFolder(kFolderPrompt);
    if (folder.empty()) return Outcome::Cancelled;

    std::unique_ptr<FormatWriter> writer;
    bool tolerant = false;
    bool closing = false;
    try {
        writer = makeWriter();
        writer->prepare(folder);
        tolerant = writer->errorTolerant();

        Skipped skipped;
        std::int64_t total = 0;
        std::optional<notes::AddressBook> book;
        std::optional<notes::ContactDocument> current;
        try {
            book.emplace(bookPath);
            current = book->firstDocument();
        } catch (...) {
            if (!tolerant) throw;
            skipped.bookReason = reasonOf(std::current_exception());
        }
        if (book && skipped.bookReason.empty()) {
            try {
                writer->open(folder);
            } catch (...) {
                if (!tolerant) throw;
                skipped.firstReason = reasonOf(std::current_exception());
            }
            try {
                total = book->entryCount();
            } catch (...) {
                if (!tolerant) throw;
                skipped.bookReason = reasonOf(std::current_exception());
            }
        }
        ui_.setProgressRange(0, total);

        for (std::int64_t n = 1; n <= total; ++n) {
            ui_.setProgressValue(n);
            if (!current) {
                if (!tolerant)
                    throw notes::NotesError("The address book \"" + bookPath + "\" lists " +
                                            std::to_string(total) + " contacts but ended after " +
                                            std::to_string(n - 1) + ".");
                skipped.contact(std::make_exception_ptr(notes::NotesError(
                                    "the address book ended before its last contact.")),
                                total - n + 1);
                break;
            }
            try {
                writer->writeContact(*current, n);
            } catch (...) {
                if (!tolerant) throw;
                skipped.contact(std::current_exception());
            }
            if (n == total) break;
            try {
                current = book->nextDocument();
            } catch (...) {
                if (!tolerant) throw;
                // The walk cannot go on past unreadable text: the rest is not written.
                skipped.contact(std::current_exception(), total - n);
                break;
            }
        }

        // Closing writes out what is still held, so its failure fails the run in every
        // mode: the output would be incomplete.
        closing = true;
        writer->close();
        resultPath_ = writer->resultPath();
        ui_.showMessage(completionMessage(skipped, total));
        ui_.setProgressValue(0);
        return Outcome::Completed;
    } catch (...) {
        std::string reason = reasonOf(std::current_exception());
        if (writer && !closing) {
            // Keep what was written: the close writes out what the writer still holds.
            try {
                writer->close();
            } catch (...) {
            }
        }
        ui_.showMessage(reason);
        ui_.setProgressValue(0);
        return Outcome::Failed;
    }
}

} // namespace brenmoor::exporting
