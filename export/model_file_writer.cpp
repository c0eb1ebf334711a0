// One file for all contacts, written through an OutputFile.
#include "export/model_file_writer.h"

#include "contact/contact_from_document.h"

namespace brenmoor::exporting {

void ModelFileWriter::open(const std::string& folder) {
    file_.create(outputPath(folder, fileName_));
    file_.append(opening());
}

void ModelFileWriter::writeContact(const notes::ContactDocument& doc, std::int64_t runningNumber) {
    text_.clear();
    contact::readContact(doc, contact_);
    spell(contact_, runningNumber, text_);
    file_.append(text_);
}

void ModelFileWriter::close() { file_.close(); }

} // namespace brenmoor::exporting
