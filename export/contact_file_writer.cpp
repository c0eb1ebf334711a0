// The writer of the formats that give every contact a file of its own.
#include "export/contact_file_writer.h"

#include "export/contact_file_name.h"
#include "export/contact_page_rows.h"
#include "export/output_file.h"

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
        writeWholeFile(outputPath(folder_, name), page_(doc));
    }
    // Both pages write the rows of kContactPageRows.
    const ItemSet* carriedItems() const override {
        static const ItemSet carried = itemsOf(kContactPageRows);
        return &carried;
    }

private:
    std::string extension_;
    ContactPage page_;
    std::string folder_;
};

} // namespace

std::unique_ptr<FormatWriter> makeContactFileWriter(std::string_view extension, ContactPage page) {
    return std::make_unique<ContactFileWriter>(extension, page);
}

} // namespace brenmoor::exporting
