// The files of a format whose contacts may be shared out over several: at most so many
// contacts or bytes a file, or a file per contact. A contact's text is never split. The
// files filled wait under hidden temporary names and are put in place together, in
// order, when the run ends well; a failed or cancelled run leaves none of them and
// touches no file that was there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/format_writer.h"
#include "export/output_file.h"

namespace brenmoor::exporting {

class SplitOutput final : public TextSink {
public:
    // fileName: the name of the one file, whose stem and extension the others take.
    SplitOutput(std::string_view fileName, FileSplit split) : fileName_(fileName), split_(split) {}
    void setSplit(const FileSplit& split) { split_ = split; }
    const FileSplit& split() const { return split_; }
    // The extension of the files, with its dot: ".vcf".
    std::string_view extension() const { return std::string_view(fileName_).substr(fileName_.rfind('.')); }

    // opening: what every file starts with. Starts the first file, except with a file
    // per contact.
    void open(const std::string& folder, std::string opening);
    // Makes ready for the next contact, whose text has size bytes (0 where not known
    // beforehand, which only a limit of bytes needs): starts the next file where the
    // limits say, or the contact's own file named ownName.
    void beginContact(std::uint64_t size, const std::string& ownName);
    // Makes ready for what follows the contacts (the lists): with a file per contact,
    // a file of their own, stem + "_lists" + extension.
    void beginLists();
    // The text goes into the file being written.
    void append(std::string_view text) override;
    // Puts every file in place, in order.
    void close();
    void abandon() noexcept;
    // Where the contacts went into more than one file, a sentence for the run's summary
    // naming them; "" where into one.
    std::string account() const;

private:
    void next(const std::string& name);
    std::string numbered(std::int64_t number) const;

    std::string fileName_;
    FileSplit split_;
    std::string folder_;
    std::string opening_;
    std::vector<std::unique_ptr<OutputFile>> parked_;
    std::unique_ptr<OutputFile> file_;
    std::int64_t inFile_ = 0;
    std::uint64_t bytes_ = 0; // in the file being written
    std::int64_t files_ = 0;
    std::string firstName_, lastName_;
};

} // namespace brenmoor::exporting
