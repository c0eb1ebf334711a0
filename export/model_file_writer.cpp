// One file for all contacts, written through an OutputFile.
#include "export/model_file_writer.h"

#include "contact/contact_from_document.h"
#include "export/contact_file_name.h"
#include "text/translation.h"

namespace brenmoor::exporting {

void ModelFileWriter::open(const std::string& folder) { files_.open(folder, opening()); }

void ModelFileWriter::abandon() noexcept { files_.abandon(); }

void ModelFileWriter::writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) {
    contact::readContact(std::move(doc), contact_, runningNumber);
    contact_.uid = uids_.distinct(std::move(contact_.uid), doc, runningNumber);
    leftOutCharacters_ += contact_.leftOutCharacters;
    const std::string ownName =
        files_.split().perContact
            ? contactFileName(contact_.name.given, contact_.name.family, runningNumber, files_.extension())
            : std::string();
    if (files_.split().maxBytes > 0) {
        // The text first, to know which file it fits in.
        text_.text.clear();
        spell(contact_, runningNumber, text_);
        files_.beginContact(text_.text.size(), ownName);
        files_.append(text_.text);
    } else {
        files_.beginContact(0, ownName);
        spell(contact_, runningNumber, files_);
    }
    if (groups_ && groups_->look(doc, contact_, runningNumber))
        written_.contacts.emplace(runningNumber, writtenIdentity(contact_));
}

void ModelFileWriter::close() {
    if (groups_) {
        groups_->resolve();
        // Positions apart from the contacts' for the UIDs a repeated universal ID derives.
        const auto& lists = groups_->lists();
        for (std::size_t i = 0; i < lists.size(); ++i)
            written_.lists.push_back(uids_.distinct(std::string(lists[i].uid), lists[i].unid, -static_cast<std::int64_t>(i) - 1));
        if (!lists.empty()) {
            files_.beginLists();
            spellGroups(*groups_, written_, files_);
        }
    }
    files_.close();
}

std::string ModelFileWriter::summary() const {
    const std::string files = files_.account();
    if (leftOutCharacters_ == 0) return files;
    return (files.empty() ? "" : files + " ") + text::arg(leftOutCharacters_ == 1
                         ? text::translate("brenmoor::exporting", "%1 control character was left out of the values, "
                                                                  "as the programs that read the file do not take them.")
                         : text::translate("brenmoor::exporting", "%1 control characters were left out of the values, "
                                                                  "as the programs that read the file do not take them."),
                     {std::to_string(leftOutCharacters_)});
}

} // namespace brenmoor::exporting
