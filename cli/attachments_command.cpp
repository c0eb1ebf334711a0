// brenmoor-convert attachments BOOK FOLDER: every contact's photo and attached files,
// saved into FOLDER/<the contact's file name>/ (export/attachment_files.h). Prints each
// file saved and the count (saved of found, and from how many contacts); names on the
// error output each file that could not be or was not saved, and why.
#include <string>

#include "cli/commands.h"
#include "export/attachment_files.h"
#include "export/export_error.h"
#include "notes/address_book.h"

namespace brenmoor::cli {

namespace {

using State = notes::AttachedFile::State;

std::string notSavedText(const exporting::SavedFile& file, const std::string& contact) {
    if (file.idFile) return file.name + " (" + contact + ") is a Notes ID file, which holds private keys: never saved";
    if (file.state == State::Compressed)
        return file.name + " (" + contact + ") is stored compressed in the book, not saved";
    return file.name + " (" + contact + ") is damaged in the book, not saved";
}

} // namespace

int runAttachments(const ParsedArguments& args, std::ostream& out, std::ostream& err) {
    if (args.operands.size() != 2) throw UsageError("attachments takes a BOOK and a FOLDER");
    const std::string& book = args.operands[0];
    const std::string& folder = args.operands[1];
    if (book.empty() || folder.empty()) throw UsageError("a BOOK or FOLDER may not be empty");
    std::int64_t saved = 0, found = 0, contacts = 0, compressed = 0, damaged = 0;
    try {
        notes::AddressBook addressBook(book);
        if (!makeFolder(folder, err)) return kFailed;
        std::int64_t position = 0;
        for (auto doc = addressBook.firstDocument(); doc; doc = addressBook.nextDocument()) {
            ++position;
            const auto files = exporting::saveAttachedFiles(*doc, position, folder);
            contacts += !files.empty() && !files.front().path.empty() ? 1 : 0; // the saved ones come first
            for (const exporting::SavedFile& file : files) {
                found += file.idFile ? 0 : 1;
                if (!file.path.empty()) {
                    ++saved;
                    out << file.path;
                    if (file.nameTaken) out << "\t(\"" << file.name << "\" was taken)";
                    out << "\n";
                    continue;
                }
                if (!file.idFile) ++(file.state == State::Compressed ? compressed : damaged);
                err << notSavedText(file, exporting::contactFolderName(*doc, position)) << ".\n";
            }
        }
    } catch (const notes::NotesError& error) {
        err << "brenmoor-convert: " << error.what() << "\n";
        return kFailed;
    } catch (const exporting::ExportError& error) {
        err << "brenmoor-convert: " << error.what() << " The files saved before it stay in \"" << folder << "\".\n";
        return kFailed;
    }
    out << "Files saved: " << saved << " of " << found << ", from " << contacts
        << (contacts == 1 ? " contact" : " contacts") << "\n";
    if (compressed > 0)
        err << "Export the book again with the DXL exporter's UncompressAttachments option set to save the files "
               "it holds compressed.\n";
    if (damaged > 0) err << "Export the book again to save the files whose data is damaged in it.\n";
    return compressed + damaged > 0 ? kSomeContactsSkipped : kDone;
}

} // namespace brenmoor::cli
