// The export run shared by every format: the checks, the folder, the walk over the
// book with progress, the completion. The walk always runs to the book's end; where it
// gives another number of contacts than the count, the run fails rather than drop one.
// A failure reaches the user as one message saying where the export stopped, why, and
// which files were and were not written; a tolerant writer's failures of single
// contacts are counted and reported with the completion instead.
#include "export/export_run.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

#include "contact/contact_from_document.h"
#include "export/export_error.h"
#include "export/output_file.h"
#include "export/run_summary.h"
#include "notes/address_book.h"
#include "text/translation.h"
#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

using text::arg;
using text::translate;

constexpr const char* kFolderPrompt = "Please select a Server folder.";

std::string completedMessage() { return translate("brenmoor::exporting", "Conversion Process Completed"); }

std::string reasonOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return translate("brenmoor::exporting", "There was not enough memory to go on.");
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return translate("brenmoor::exporting", "An unknown error occurred.");
    }
}

// How far a run has come, for the message of a run that stops.
struct Progress {
    enum class Stage { Preparing, Walking, Checking, Closing };
    Stage stage = Stage::Preparing;
    std::int64_t reached = 0;            // the contact being read or written
    std::optional<std::int64_t> total;   // the book's count, where it could be read
};

// Thrown out of the walk when the user asks it to stop.
struct StopRequested {};

// What the walk did: the contacts it read and wrote, and what a tolerant run could not
// write (contacts whose step failed, and the rest of a book that broke off).
struct Walked {
    std::int64_t contacts = 0;
    std::int64_t written = 0;
    std::int64_t failed = 0;
    std::string firstFailure;
    std::int64_t unread = 0;   // contacts counted but never read
    std::string unreadReason;  // why the walk ended before the book's end, where it did

    bool any() const { return failed > 0 || !unreadReason.empty(); }
};

// The walk over the book from its first document to its end, each contact through the
// writer. Failures of single contacts in a tolerant run, and a book that breaks off
// after some contacts were written, are counted; every other failure throws.
// With a selection and lists (groups), the contacts passed over are shown to the lists as
// not picked.
Walked walk(notes::AddressBook& book, std::optional<notes::ContactDocument> current, FormatWriter& writer,
            ExportUi& ui, Progress& progress, const std::vector<std::int64_t>& selection, ItemTally& tally,
            contact::GroupBook* groups) {
    const bool tolerant = writer.errorTolerant();
    Walked walked;
    contact::Contact passedOver;
    std::size_t chosen = 0; // selected contacts reached so far
    while (current) {
        if (ui.stopRequested()) throw StopRequested{};
        progress.reached = ++walked.contacts;
        const bool wanted = selection.empty() || selection[chosen] == walked.contacts;
        if (wanted) {
            ui.setProgressValue(selection.empty() ? walked.contacts : std::int64_t(++chosen));
            try {
                tally.look(*current);
                writer.writeContact(std::move(*current), walked.contacts);
                tally.written();
                ++walked.written;
            } catch (const OutputBroken&) {
                throw;
            } catch (...) {
                if (!tolerant) throw;
                if (walked.failed++ == 0) walked.firstFailure = reasonOf(std::current_exception());
            }
        } else if (groups) {
            contact::readContact(*current, passedOver, walked.contacts);
            groups->look(*current, passedOver, walked.contacts, false);
        }
        // A selection ends with its last contact.
        if (!selection.empty() && chosen == selection.size()) break;
        progress.reached = walked.contacts + 1;
        try {
            current = book.nextDocument();
        } catch (...) {
            // With nothing written the book failed, not single contacts: no output.
            if (!tolerant || walked.written == 0) throw;
            walked.unreadReason = reasonOf(std::current_exception());
            walked.unread = std::max<std::int64_t>(progress.total.value_or(0) - walked.contacts, 0);
            break;
        }
    }
    return walked;
}

// Sentences on the contacts a tolerant run could not write; empty when there were none.
std::string skipAccount(const Walked& walked, const Progress& progress) {
    std::string account;
    auto sentence = [&](const std::string& text) { account += (account.empty() ? "" : " ") + text; };
    if (progress.total)
        sentence(arg(translate("brenmoor::exporting", "%1 of %2 could not be written."),
                     {contactsText(walked.failed + walked.unread), std::to_string(*progress.total)}));
    else if (walked.failed > 0)
        sentence(arg(translate("brenmoor::exporting", "%1 could not be written."), {contactsText(walked.failed)}));
    if (walked.failed > 0)
        sentence(arg(translate("brenmoor::exporting", "The first failure: %1"), {walked.firstFailure}));
    if (!walked.unreadReason.empty())
        sentence(arg(translate("brenmoor::exporting", "The address book could not be read after contact %1: %2"),
                     {std::to_string(walked.contacts), walked.unreadReason}));
    return account;
}

// The completion message: the skipped contacts' account and the writer's own summary
// (values it left out) below the fixed text, where there is anything to say.
std::string completionMessage(const Walked& walked, const Progress& progress, const std::string& writerSummary) {
    std::string account = walked.any() ? skipAccount(walked, progress) : std::string();
    if (!writerSummary.empty()) account += (account.empty() ? "" : " ") + writerSummary;
    if (account.empty()) return completedMessage();
    return completedMessage() + "\r\n\r\n" + account;
}

RunSummary summaryOf(const OutputRecord& record, const std::string& folder, std::int64_t contactsWritten) {
    RunSummary summary;
    summary.folder = folder;
    summary.contactsWritten = contactsWritten;
    summary.fileCount = record.finishedCount();
    summary.firstFiles = record.firstFinishedNames();
    return summary;
}

std::string stoppedAt(const Progress& progress) {
    switch (progress.stage) {
    case Progress::Stage::Preparing:
        return translate("brenmoor::exporting", "The export stopped before any contact was exported.");
    case Progress::Stage::Walking:
        // A book that grew after it was counted has more contacts than its count.
        if (progress.total && progress.reached > *progress.total)
            return arg(translate("brenmoor::exporting", "The export stopped at contact %1, past the %2 the address "
                                                        "book held when the export began."),
                       {std::to_string(progress.reached), std::to_string(*progress.total)});
        if (progress.total)
            return arg(translate("brenmoor::exporting", "The export stopped at contact %1 of %2."),
                       {std::to_string(progress.reached), std::to_string(*progress.total)});
        return arg(translate("brenmoor::exporting", "The export stopped at contact %1."),
                   {std::to_string(progress.reached)});
    case Progress::Stage::Checking:
        return translate("brenmoor::exporting", "The export stopped at the end of the address book.");
    case Progress::Stage::Closing:
        return translate("brenmoor::exporting", "The export stopped while completing its files.");
    }
    return {};
}

// Which files the run put in place and which it did not; everything else is untouched.
std::string outputAccount(const OutputRecord& record, const std::string& folder) {
    std::string names;
    for (const std::string& name : record.unfinished()) names += (names.empty() ? "" : ", ") + name;
    const std::string notWritten =
        names.empty() ? std::string()
                      : arg(record.unfinished().size() == 1 ? translate("brenmoor::exporting", "%1 was not written")
                                                            : translate("brenmoor::exporting", "%1 were not written"),
                            {names});

    const std::int64_t count = record.finishedCount();
    if (count == 0)
        return arg(translate("brenmoor::exporting", "%1; every file in \"%2\" is kept as it was."),
                   {notWritten.empty() ? translate("brenmoor::exporting", "No file was written") : notWritten, folder});
    const std::string written =
        count == 1 ? arg(translate("brenmoor::exporting", "1 file was written to \"%1\" (%2)"),
                         {folder, record.firstFinished()})
                   : arg(translate("brenmoor::exporting", "%1 files were written to \"%2\" (%3 to %4)"),
                         {std::to_string(count), folder, record.firstFinished(), record.lastFinished()});
    if (notWritten.empty())
        return arg(translate("brenmoor::exporting", "%1; every other file in the folder is kept as it was."), {written});
    return arg(translate("brenmoor::exporting", "%1; %2, and every other file in the folder is kept as it was."),
               {written, notWritten});
}

// The groups of a format that holds lists: written or not address lists, no longer
// among the other documents (the conflicts of groups stay there).
void countGroups(const contact::GroupBook& groups, const FormatWriter& writer, RunSummary& summary) {
    summary.groupsWritten = true;
    summary.listsWithoutMembers = writer.listsWithoutMembers();
    summary.lists = static_cast<std::int64_t>(groups.lists().size() - summary.listsWithoutMembers.size());
    summary.listsLeftOut = groups.listsLeftOut();
    for (const contact::AmbiguousMember& member : groups.ambiguous())
        summary.ambiguousMembers.push_back(contact::ambiguityText(member));
    if (!summary.wholeBook) return;
    for (const contact::Group& group : groups.notLists())
        summary.notLists.emplace_back(group.name, contact::groupTypeName(group.type));
    auto& forms = summary.otherDocuments.forms;
    const auto found = static_cast<std::int64_t>(groups.lists().size() + groups.notLists().size());
    for (auto form = forms.begin(); form != forms.end(); ++form)
        if (text::equalsIgnoringCase(form->first, "group")) {
            form->second -= found;
            if (form->second <= 0) forms.erase(form);
            break;
        }
}

} // namespace

std::string bookIdentity(std::string_view replicaId, std::string_view storeIdentity, const std::string& bookPath) {
    if (!replicaId.empty()) {
        std::string identity = "replica:";
        for (char c : replicaId) identity += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return identity;
    }
    if (const std::string_view owner = text::trimmed(storeIdentity); !owner.empty()) {
        std::string identity = "owner:";
        for (char c : owner) identity += text::lowerAscii(c);
        return identity;
    }
    return "file:" + std::filesystem::path(bookPath).filename().string();
}

ExportRun::ExportRun(ExportUi& ui) : ui_(ui) {}

void ExportRun::setSelection(std::vector<std::int64_t> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(positions.begin(), std::lower_bound(positions.begin(), positions.end(), 1));
    selection_ = std::move(positions);
}

ExportRun::Outcome ExportRun::run(const OutputFormat& format, const std::string& bookPath) {
    return run(format.makeWriter, bookPath);
}

ExportRun::Outcome ExportRun::run(const std::function<std::unique_ptr<FormatWriter>()>& makeWriter,
                                  const std::string& bookPath) {
    resultPath_.clear();
    if (bookPath.empty()) {
        ui_.showFailure(kNoBookMessage);
        return Outcome::NoBook;
    }
    const std::string folder = ui_.browseForFolder(kFolderPrompt);
    if (folder.empty()) return Outcome::Cancelled;

    // What a run killed half-way in this folder left behind goes first.
    removeStaleTemporaries(folder);
    OutputRecord record;
    Progress progress;
    contact::GroupBook groups; // outlives the writer, which may point at it
    std::unique_ptr<FormatWriter> writer;
    try {
        writer = makeWriter();
        writer->prepare(folder);
        // The first file per contact already in the folder asks what to do with all of them.
        writer->setExistingFileAnswer([this, answer = std::optional<ExistingFiles>()](const std::string& path) mutable {
            if (!answer) answer = ui_.existingFiles(path);
            if (*answer == ExistingFiles::Cancel) throw StopRequested{};
            return *answer;
        });

        // A book that cannot be read at all fails the run in every mode.
        notes::AddressBook book(bookPath);
        std::optional<notes::ContactDocument> current = book.firstDocument();
        writer->open(folder);
        writer->setBookIdentity(bookIdentity(book.replicaId(), storeIdentity_, bookPath));
        // The lists are read as the count finds them, never all documents at once.
        if (writer->writesGroups()) book.handOutGroups([&](const notes::ContactDocument& doc) { groups.add(doc); });
        try {
            progress.total = book.entryCount();
        } catch (...) {
            // A tolerant run saves what the walk can read, without a count.
            if (!writer->errorTolerant()) throw;
        }
        ui_.setProgressRange(0, selection_.empty() ? progress.total.value_or(0) : std::int64_t(selection_.size()));

        // Where the book cannot be counted, there are no lists to resolve. A selection
        // keeps the lists that hold a contact picked, with those contacts.
        const bool withGroups = writer->writesGroups() && progress.total;
        if (withGroups && !groups.empty()) {
            writer->setGroups(groups);
            if (!selection_.empty()) groups.keepPickedOnly();
        }

        progress.stage = Progress::Stage::Walking;
        ItemTally tally(writer->carriedItems(), writer->mediaUse());
        const Walked walked = walk(book, std::move(current), *writer, ui_, progress, selection_, tally,
                                   withGroups && !groups.empty() && !selection_.empty() ? &groups : nullptr);

        progress.stage = Progress::Stage::Checking;
        if (!selection_.empty() && walked.unreadReason.empty() && walked.contacts < selection_.back())
            throw notes::NotesError(arg(translate("brenmoor::exporting",
                                                  "The address book \"%1\" has %2, fewer than the selection "
                                                  "reaches (%3). Scan it again and select anew."),
                                        {bookPath, contactsText(walked.contacts), std::to_string(selection_.back())}));
        if (selection_.empty() && walked.unreadReason.empty() && progress.total && walked.contacts != *progress.total)
            throw notes::NotesError(arg(translate("brenmoor::exporting",
                                                  "Reading the address book \"%1\" gave %2 where its count said "
                                                  "%3, so the export cannot be sure it has every contact."),
                                        {bookPath, contactsText(walked.contacts), std::to_string(*progress.total)}));

        // Closing puts the files in place, so its failure fails the run in every mode.
        progress.stage = Progress::Stage::Closing;
        writer->close();
        resultPath_ = writer->resultPath();
        RunSummary summary = summaryOf(record, folder, walked.written);
        summary.contactsSkipped = walked.failed + walked.unread;
        if (walked.any()) summary.account = skipAccount(walked, progress);
        summary.wholeBook = selection_.empty() && walked.unreadReason.empty();
        if (summary.wholeBook) summary.otherDocuments = book.otherDocuments();
        if (withGroups) countGroups(groups, *writer, summary);
        summary.notCarried = tally.notCarried();
        summary.unreadable = tally.unreadable();
        tally.countFiles(summary);
        ui_.showCompletion(completionMessage(walked, progress, writer->summary()), summary);
        ui_.setProgressValue(0);
        return walked.any() ? Outcome::CompletedWithSkips : Outcome::Completed;
    } catch (const StopRequested&) {
        // Files complete before the stop stay; the one being written goes.
        writer->abandon();
        writer.reset();
        // A file per contact holds a contact each; one file for all holds none until complete.
        const std::int64_t written = record.unfinished().empty() ? record.finishedCount() : 0;
        ui_.showFailure(arg(written == 1 ? translate("brenmoor::exporting", "Export cancelled: %1 was written. %2")
                                         : translate("brenmoor::exporting", "Export cancelled: %1 were written. %2"),
                            {contactsText(written), outputAccount(record, folder)}));
        ui_.setProgressValue(0);
        return Outcome::Stopped;
    } catch (...) {
        const std::string reason = reasonOf(std::current_exception());
        if (writer) writer->abandon();
        writer.reset();
        ui_.showFailure(stoppedAt(progress) + "\r\n\r\n" + reason + "\r\n\r\n" + outputAccount(record, folder));
        ui_.setProgressValue(0);
        return Outcome::Failed;
    }
}

} // namespace brenmoor::exporting
