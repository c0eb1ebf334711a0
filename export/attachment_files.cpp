// A contact's files saved one by one, each through an unnamed file linked in when whole.
#include "export/attachment_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <system_error>
#include <unordered_map>
#include <unistd.h>

#include "contact/contact_from_document.h"
#include "export/contact_file_name.h"
#include "export/export_error.h"
#include "export/output_file.h"

namespace brenmoor::exporting {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw ExportError(what + " \"" + path + "\": " + std::strerror(error) + ".");
}

// Makes the contact's folder where it is missing; a folder there already is used (not a
// link: the files go where the folder names them, nowhere else). True where it made it.
bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int error = errno;
    struct stat status {};
    if (error == EEXIST && ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return false;
    fail("Could not make the folder", path, error == EEXIST ? ENOTDIR : error);
}

void writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) fail("Could not write the file", path, written < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Writes the file's bytes into folder under its safe name, or the next free one after
// those this contact's files of that name took (next: a number per name).
SavedFile save(const contact::Attachment& file, const std::string& folder,
               std::unordered_map<std::string, std::int64_t>& next) {
    SavedFile saved{file.name(), file.file.state, {}, false};
    const std::string name = safeFileName(file.name());
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = name.size();
    const std::string stem = name.substr(0, dot), extension = name.substr(dot);
    const std::string intended = outputPath(folder, name);
    UnnamedFile output;
    int fd = -1;
    try {
        output.create(intended);
        fd = output.duplicate();
    } catch (const std::system_error& error) {
        fail("Could not save the file", intended, error.code().value());
    }
    try {
        file.forEachDecodedPiece([&](std::string_view bytes) { writeAll(fd, bytes, intended); });
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) fail("Could not write the file", intended, errno);
    saved.path = output.publish(folder, stem, extension, &next.try_emplace(name, 1).first->second);
    saved.nameTaken = saved.path != intended;
    return saved;
}

} // namespace

std::string contactFolderName(const notes::ContactDocument& doc, std::int64_t position) {
    return contactFileName(doc.itemText(notes::ContactItem::FirstName), doc.itemText(notes::ContactItem::LastName),
                           position, "");
}

std::vector<SavedFile> saveAttachedFiles(const notes::ContactDocument& doc, std::int64_t position,
                                         const std::string& folder) {
    std::optional<contact::Attachment> photo;
    std::vector<contact::Attachment> files;
    std::vector<std::string> idFiles;
    contact::readFiles(doc, photo, files, idFiles);
    if (photo) files.insert(files.begin(), std::move(*photo));
    // The readable files first, in order; then those that cannot be saved.
    const auto unreadable = std::stable_partition(files.begin(), files.end(),
                                                  [](const contact::Attachment& file) { return file.readable(); });
    std::vector<SavedFile> saved;
    if (unreadable != files.begin()) {
        const std::string contactFolder = outputPath(folder, contactFolderName(doc, position));
        const bool made = makeFolder(contactFolder);
        std::unordered_map<std::string, std::int64_t> next;
        try {
            for (auto file = files.begin(); file != unreadable; ++file) saved.push_back(save(*file, contactFolder, next));
        } catch (...) {
            if (made && saved.empty()) ::rmdir(contactFolder.c_str());
            throw;
        }
    }
    for (auto file = unreadable; file != files.end(); ++file)
        saved.push_back({file->name(), file->file.state, {}, false});
    for (std::string& name : idFiles)
        saved.push_back({std::move(name), notes::AttachedFile::State::Readable, {}, false, true});
    return saved;
}

} // namespace brenmoor::exporting
