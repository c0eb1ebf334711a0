// The address-book file read with pread, checked against what it was at opening,
// and the messages about it.
#include "notes/book_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "text/translation.h"

namespace brenmoor::notes {

namespace {

using text::arg;
using text::translate;

NotesError cannotOpen(const std::string& path, int err) {
    return NotesError(arg(translate("brenmoor::notes",
                                    "Cannot open the address book \"%1\": %2. Check the path and that you may "
                                    "read the file."),
                          {path, std::strerror(err)}));
}

BookIdentity identityOf(const struct stat& st) {
    BookIdentity identity;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::uint64_t>(st.st_size);
    identity.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return identity;
}

} // namespace

BookFile::BookFile(const std::string& path) : path_(path) {
    if (path.empty())
        throw NotesError(
            translate("brenmoor::notes", "No address book was named. Choose the DXL file exported from Notes."));
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. Reads
    // of a regular file are not affected by it.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw cannotOpen(path, errno);
    try {
        struct stat st{};
        if (::fstat(fd_, &st) != 0) throw cannotOpen(path, errno);
        if (S_ISDIR(st.st_mode))
            throw NotesError(arg(translate("brenmoor::notes", "The address book \"%1\" is a folder, not a file. "
                                                              "Choose the DXL file exported from Notes."),
                                 {path}));
        if (!S_ISREG(st.st_mode))
            throw NotesError(arg(translate("brenmoor::notes",
                                           "The address book \"%1\" is not a regular file (it is a pipe, a "
                                           "device or a socket). Choose the DXL file exported from Notes."),
                                 {path}));
        identity_ = identityOf(st);
        if (identity_.size == 0)
            throw NotesError(arg(translate("brenmoor::notes",
                                           "The address book \"%1\" is empty. Choose the DXL file exported from Notes."),
                                 {path}));
        if (head(2) == std::string_view("\x1A\0", 2))
            throw NotesError(arg(
                translate("brenmoor::notes",
                          "The file \"%1\" is a Notes database (.nsf), which Brenmoor cannot read directly. "
                          "Brenmoor reads address books exported from Notes as DXL (Domino XML). Export the "
                          "address book as DXL first with Notes' DXL exporter (for example a LotusScript agent "
                          "that runs NotesSession.CreateDXLExporter on the database), then choose the .xml file "
                          "it writes."),
                {path}));
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

BookFile::~BookFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t BookFile::read(std::uint64_t offset, char* out, std::size_t length) const {
    if (offset >= size()) return 0;
    if (length > size() - offset) length = static_cast<std::size_t>(size() - offset);
    std::size_t done = 0;
    while (done < length) {
        ssize_t got = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw NotesError(arg(translate("brenmoor::notes", "The address book \"%1\" could not be read: %2. "
                                                              "Check the disk or the network share it is on, then "
                                                              "try again."),
                                 {path_, std::strerror(errno)}));
        }
        if (got == 0) throw changed(); // shorter than at opening
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::string BookFile::head(std::size_t length) const {
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(length, size())), '\0');
    read(0, bytes.data(), bytes.size());
    return bytes;
}

bool BookFile::hasChanged() const {
    struct stat st{};
    if (::fstat(fd_, &st) != 0) return true;
    BookIdentity now = identityOf(st);
    return now.size != identity_.size || now.modified != identity_.modified;
}

void BookFile::checkUnchanged() const {
    if (hasChanged()) throw changed();
}

NotesError BookFile::changed() const {
    return NotesError(arg(translate("brenmoor::notes",
                                    "The address book \"%1\" changed while it was read. Wait until nothing "
                                    "writes to it any more (for example until the export from Notes has "
                                    "finished), then try again."),
                          {path_}));
}

NotesError BookFile::malformed(std::uint64_t offset, std::string_view what) const {
    if (hasChanged()) return changed();
    if (offset > size()) offset = size();
    std::uint64_t line = 1;
    std::uint64_t column = 1;
    std::vector<char> chunk(1 << 16);
    try {
        for (std::uint64_t at = 0; at < offset;) {
            std::size_t length = read(at, chunk.data(), static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), offset - at)));
            for (std::size_t i = 0; i < length; ++i) {
                char c = chunk[i];
                if (c == '\n') {
                    ++line;
                    column = 1;
                } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                    ++column;
                }
            }
            at += length;
        }
    } catch (const NotesError& error) {
        return error;
    }
    return NotesError(arg(translate("brenmoor::notes", "The address book \"%1\" is not well-formed XML: line "
                                                       "%2, column %3: %4. Export the address book from Notes "
                                                       "again."),
                          {path_, std::to_string(line), std::to_string(column), what}));
}

} // namespace brenmoor::notes
