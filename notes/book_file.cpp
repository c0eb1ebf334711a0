// The address-book file as bytes, mapped read-only, and the messages about it.
#include "notes/book_file.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brenmoor::notes {

namespace {

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

NotesError cannotOpen(const std::string& path, int err) {
    return NotesError("Cannot open the address book " + quoted(path) + ": " + std::strerror(err) +
                      ". Check the path and that you may read the file.");
}

} // namespace

BookFile::BookFile(const std::string& path) : path_(path) {
    if (path.empty())
        throw NotesError("No address book was named. Choose the DXL file exported from Notes.");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw cannotOpen(path, errno);
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        throw cannotOpen(path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw NotesError("The address book " + quoted(path) +
                         " is a folder, not a file. Choose the DXL file exported from Notes.");
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw NotesError("The address book " + quoted(path) +
                         " is not a regular file. Choose the DXL file exported from Notes.");
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ == 0) {
        ::close(fd);
        throw NotesError("The address book " + quoted(path) +
                         " is empty. Choose the DXL file exported from Notes.");
    }
    void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    int err = errno;
    ::close(fd);
    if (mapped == MAP_FAILED) throw cannotOpen(path, err);
    data_ = static_cast<const char*>(mapped);

    if (size_ >= 2 && data_[0] == '\x1A' && data_[1] == '\0') {
        ::munmap(mapped, size_);
        data_ = nullptr;
        throw NotesError(
            "The file " + quoted(path) +
            " is a Notes database (.nsf), which Brenmoor cannot read directly. Brenmoor reads "
            "address books exported from Notes as DXL (Domino XML). Export the address book as DXL "
            "first with Notes' DXL exporter (for example a LotusScript agent that runs "
            "NotesSession.CreateDXLExporter on the database), then choose the .xml file it writes.");
    }
}

BookFile::~BookFile() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
}

void BookFile::release(std::uint64_t start, std::uint64_t end) const {
    static const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    std::uint64_t first = (start + page - 1) / page * page;
    std::uint64_t last = std::min<std::uint64_t>(end, size_) / page * page;
    if (first < last) ::madvise(const_cast<char*>(data_) + first, last - first, MADV_DONTNEED);
}

NotesError BookFile::malformed(std::uint64_t offset, std::string_view what) const {
    if (offset > size_) offset = size_;
    std::uint64_t line = 1;
    const char* lineStart = data_;
    const char* end = data_ + offset;
    for (const char* p = data_; p < end;) {
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!nl) break;
        ++line;
        p = static_cast<const char*>(nl) + 1;
        lineStart = p;
    }
    std::uint64_t column = 1;
    for (const char* p = lineStart; p < end; ++p)
        if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++column;
    return NotesError("The address book " + quoted(path_) + " is not well-formed XML: line " +
                      std::to_string(line) + ", column " + std::to_string(column) + ": " +
                      std::string(what) + ". Export the address book from Notes again.");
}

} // namespace brenmoor::notes
