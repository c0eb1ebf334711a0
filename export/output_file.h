// Output files of the exports: where a file goes in the chosen folder, and a file that
// is written whole or not at all. It is written without a name (or under a temporary
// name beside its final one) and given the final name only once complete, so a failed
// or killed run never leaves a short file and never damages the file that was there.
// Every write, flush and close is checked; a failure ends in an ExportError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/text_sink.h"

namespace brenmoor::exporting {

// The path of file name inside folder: folder, "/" and the name ("/" + name at the root).
std::string outputPath(const std::string& folder, std::string_view fileName);

// A free name beside finalPath for writing it: hidden, with a random part, in the same
// folder so that the rename into place never copies. Nothing is created.
std::string temporaryPathFor(const std::string& finalPath);

// How a name's number is written: "Ann_2.txt", or as desktop programs keep both of two
// files, "Ann (2).txt".
enum class Numbering { Underscore, Parenthesized };

// The n-th name publishUnderFreeName tries: stem + extension for 1, else stem + "_n" +
// extension (or " (n)"), the stem cut at a character boundary where the whole would be
// longer than kMaxFileNameBytes, so that every number fits beside a long name.
std::string numberedName(const std::string& stem, std::int64_t n, const std::string& extension,
                         Numbering numbering = Numbering::Underscore);

// Puts the complete file at temporaryPath in place under a free name in folder: the
// numberedName of 1, 2, 3, ... It never replaces anything at a name, also not a link; a
// name taken meanwhile by another program is passed over. Returns the path taken. With
// next, it begins at *next and leaves there the number after the one taken: a caller
// that saves many files of one name keeps one per name, and finds each free name in
// one step rather than trying every name taken before it.
std::string publishUnderFreeName(const std::string& temporaryPath, const std::string& folder,
                                 const std::string& stem, const std::string& extension,
                                 std::int64_t* next = nullptr);

// The first of stem + extension, stem + "_2" + extension, "_3", ... that nothing in folder
// has (a link counts, even a dangling one), as publishUnderFreeName would choose now.
std::string firstFreeName(const std::string& folder, const std::string& stem, const std::string& extension,
                          Numbering numbering = Numbering::Underscore);

// Removes the temporary files an earlier run killed half-way left in folder: only files
// of the names temporaryPathFor gives, regular, of this user, not empty and not in use
// (a file being written is locked by its writer). Anything else is left alone, and a
// folder that cannot be read is no failure.
void removeStaleTemporaries(const std::string& folder);

// What the export run in progress on this thread has put in place and what it was
// writing, for the message of a run that stops. Every OutputFile reports to it.
class OutputRecord {
public:
    // Becomes the thread's record until destroyed.
    OutputRecord();
    ~OutputRecord();
    OutputRecord(const OutputRecord&) = delete;
    OutputRecord& operator=(const OutputRecord&) = delete;

    // The record of the run in progress on this thread, or nullptr.
    static OutputRecord* current();

    // A file is begun under the path it is meant for and finished under the path it
    // took (the two differ where a writer takes the next free name).
    void begun(const std::string& path);
    void finished(const std::string& begunPath, const std::string& finalPath);

    std::int64_t finishedCount() const { return finishedCount_; }
    // File names (without the folder) of the first and the last file put in place.
    const std::string& firstFinished() const { return firstFinished_; }
    const std::string& lastFinished() const { return lastFinished_; }
    // File names of the first few files put in place, at most kFirstNamesKept.
    static constexpr std::size_t kFirstNamesKept = 3;
    const std::vector<std::string>& firstFinishedNames() const { return firstNames_; }
    // File names of the files begun and never put in place.
    const std::vector<std::string>& unfinished() const { return unfinished_; }

private:
    OutputRecord* outer_;
    std::int64_t finishedCount_ = 0;
    std::string firstFinished_;
    std::string lastFinished_;
    std::vector<std::string> firstNames_;
    std::vector<std::string> unfinished_;
};

class OutputFile final : public TextSink {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts the file that will replace path (a file or a link of that name) on close().
    void create(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    // The final path.
    const std::string& path() const { return path_; }

    // Collects text; writes to the disk whenever a block is full.
    void append(std::string_view text) override;
    // Writes what is collected and closes the file under a hidden temporary name beside
    // its final one, still not in place: close() puts it there, abandon() drops it. For a
    // writer that completes many files and puts them in place together at the end.
    // keepOpen: the file stays open, and so marked in use, which keeps another run's
    // removal of stale temporary files from taking it (a descriptor per parked file).
    void park(bool keepOpen);
    // Writes what is collected, closes the file and puts it in place under its final
    // name; throws when the data did not reach it, and then nothing is replaced.
    void close();
    // Drops the unfinished file, leaving what was at the final name as it was; for the
    // way out of a failed run.
    void abandon() noexcept;

private:
    void flush();
    // Links the unnamed file in under a temporary name beside its final one.
    void nameTemporarily();
    // Closes the written file; throws where the system reports that data was lost.
    void closeWritten();

    int fd_ = -1;
    std::string path_;
    std::string temporaryPath_; // empty while the file has no name
    std::string buffer_;
};

// A file that a writer fills through a descriptor of its own (the PST store) and that is
// put in place under a free name when complete, never replacing anything. It has no name
// until then where the file system allows; elsewhere it is written under a hidden
// temporary name, which the next run removes where this one is killed.
class UnnamedFile {
public:
    UnnamedFile() = default;
    ~UnnamedFile();
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;

    // Starts the file in the folder of intendedPath. Throws std::system_error (what()
    // is the system's reason alone) where it cannot, for the caller to word.
    void create(const std::string& intendedPath);
    // A new descriptor of the file, open for reading and writing, for the caller to
    // close; throws as create() does.
    int duplicate() const;
    // Puts the complete file in place as publishUnderFreeName does; returns the path.
    std::string publish(const std::string& folder, const std::string& stem, const std::string& extension,
                        std::int64_t* next = nullptr);
    // Drops the file; nothing of it is left.
    void abandon() noexcept;

private:
    int fd_ = -1;
    std::string path_;
    std::string temporaryPath_; // empty while the file has no name
};

// Creates (or replaces) path with content, as an OutputFile does.
void writeWholeFile(const std::string& path, std::string_view content);

} // namespace brenmoor::exporting
