// Saving a contact's photo and attached files as files of their own, into a folder named
// after the contact as its text page is (contact_file_name.h). Each file is written
// whole or not at all and never over anything: a name taken gets the next free one
// ("contract_2.pdf"). Its bytes are decoded as they are written, never held whole.
// Notes ID files (contact::isNotesIdFile) hold private keys and are never saved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "notes/address_book.h"

namespace brenmoor::exporting {

// What became of one file of the contact.
struct SavedFile {
    std::string name;                // as the book names it
    notes::AttachedFile::State state; // Readable where saved; else why it could not be
    std::string path;                // where it went; "" where it was not saved
    bool nameTaken = false;          // its own name was taken: path has another
    bool idFile = false;             // a Notes ID file, never saved
};

// The name of the contact's folder in folder: "JaneDoe_3" for the document at position 3.
std::string contactFolderName(const notes::ContactDocument& doc, std::int64_t position);

// Saves the photo (first) and every other file of the document into
// folder/contactFolderName(doc, position)/, made where missing (only where the contact
// has a file to save); the ID files and the files that cannot be read come last, unsaved.
// Throws ExportError naming the file and the system's reason where a folder or a file
// cannot be written; the files saved before stay, and a folder made for the contact is
// removed again where nothing was saved into it.
std::vector<SavedFile> saveAttachedFiles(const notes::ContactDocument& doc, std::int64_t position,
                                         const std::string& folder);

} // namespace brenmoor::exporting
