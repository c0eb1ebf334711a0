// The writer of the formats that give every contact a file of its own.
#include "export/contact_file_writer.h"

#include "export/contact_file_name.h"
#include "export/contact_page_rows.h"
#include "export/output_file.h"

#include <filesystem>
#include <system_error>

namespace brenmoor::exporting {

namespace {

class ContactFileWriter final : public FormatWriter {
public:
    ContactFileWriter(std::string_view extension, ContactPage page)
        : extension_(extension), page_(page) {}

    void open(const std::string& folder) override { folder_ = folder; }
    void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) override {
        const std::string name =
            contactFileName(doc.itemText(notes::ContactItem::FirstName),
                            doc.itemText(notes::ContactItem::LastName), runningNumber, extension_);
        std::string path = outputPath(folder_, name);
        // "Ann_1 (2).txt", "Ann_1 (3).txt", ...: the first name free beside it.
        if (answer_ && taken(path) && answer_(path) == ExistingFiles::KeepBoth)
            path = outputPath(folder_, firstFreeName(folder_, name.substr(0, name.size() - extension_.size()),
                                                     extension_, Numbering::Parenthesized));
        writeWholeFile(path, page_(doc));
    }
    void setExistingFileAnswer(ExistingFileAnswer answer) override { answer_ = std::move(answer); }
    // Both pages write the rows of kContactPageRows.
    const ItemSet* carriedItems() const override {
        static const ItemSet carried = itemsOf(kContactPageRows);
        return &carried;
    }

private:
    // Something stands at path: a file, a folder, a link (even a broken one).
    static bool taken(const std::string& path) {
        std::error_code error;
        return std::filesystem::exists(std::filesystem::symlink_status(path, error));
    }

    std::string extension_;
    ContactPage page_;
    std::string folder_;
    ExistingFileAnswer answer_;
};

} // namespace

std::unique_ptr<FormatWriter> makeContactFileWriter(std::string_view extension, ContactPage page) {
    return std::make_unique<ContactFileWriter>(extension, page);
}

} // namespace brenmoor::exporting
