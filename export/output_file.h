// Output files of the text formats: where a file goes in the chosen folder, a buffered
// file that collects many lines and writes them in large blocks, and the one-shot
// write of a whole file. Every write, flush and close is checked, so a full disk or
// a read-only folder ends in an ExportError rather than in a silent short file.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::exporting {

// The path of file name inside folder: folder, "/" and the name ("/" + name at the root).
std::string outputPath(const std::string& folder, std::string_view fileName);

// Creates (or replaces) path and writes content to it in one go.
void writeWholeFile(const std::string& path, std::string_view content);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file afresh, replacing one of the same name.
    void create(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Collects text; writes to the disk whenever a block is full.
    void append(std::string_view text);
    // Writes what is collected and closes the file; throws when the data did not reach it.
    void close();
    // Closes without reporting anything: for the way out of a failed run.
    void abandon() noexcept;

private:
    void flush();

    int fd_ = -1;
    std::string path_;
    std::string buffer_;
};

} // namespace brenmoor::exporting
