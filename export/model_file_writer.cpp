// One file for all contacts, written through an OutputFile.
#include "export/model_file_writer.h"

#include "contact/contact_from_document.h"
#include "text/translation.h"

namespace brenmoor::exporting {

void ModelFileWriter::open(const std::string& folder) {
    folder_ = folder;
    file_->create(outputPath(folder, partName(1)));
    file_->append(opening());
}

std::string ModelFileWriter::partName(std::int64_t part) const {
    if (part == 1 && !split_.numberFirst) return fileName_;
    const std::size_t dot = fileName_.rfind('.');
    return fileName_.substr(0, dot) + "_" + std::to_string(part) + fileName_.substr(dot);
}

void ModelFileWriter::abandon() noexcept {
    file_->abandon();
    for (auto& parked : parked_) parked->abandon();
    parked_.clear();
}

void ModelFileWriter::writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) {
    contact::readContact(std::move(doc), contact_, runningNumber);
    contact_.uid = uids_.distinct(std::move(contact_.uid), doc, runningNumber);
    leftOutCharacters_ += contact_.leftOutCharacters;
    if (split_.maxContacts > 0 && inFile_ == split_.maxContacts) {
        // The full file waits under a temporary name; the next one begins where it ended.
        file_->park();
        parked_.push_back(std::move(file_));
        file_ = std::make_unique<OutputFile>();
        file_->create(outputPath(folder_, partName(static_cast<std::int64_t>(parked_.size()) + 1)));
        file_->append(opening());
        inFile_ = 0;
    }
    ++inFile_;
    spell(contact_, runningNumber, *file_);
    if (groups_ && groups_->look(doc, contact_, runningNumber))
        written_.contacts.emplace(runningNumber, writtenIdentity(contact_));
}

void ModelFileWriter::close() {
    if (groups_) {
        groups_->resolve();
        // Positions apart from the contacts' for the UIDs a repeated universal ID derives.
        const auto& lists = groups_->lists();
        for (std::size_t i = 0; i < lists.size(); ++i)
            written_.lists.push_back(uids_.distinct(lists[i].uid, lists[i].unid, -static_cast<std::int64_t>(i) - 1));
        spellGroups(*groups_, written_, *file_);
    }
    for (auto& parked : parked_) parked->close();
    parked_.clear();
    file_->close();
}

std::string ModelFileWriter::summary() const {
    if (leftOutCharacters_ == 0) return {};
    return text::arg(leftOutCharacters_ == 1
                         ? text::translate("brenmoor::exporting", "%1 control character was left out of the values, "
                                                                  "as the programs that read the file do not take them.")
                         : text::translate("brenmoor::exporting", "%1 control characters were left out of the values, "
                                                                  "as the programs that read the file do not take them."),
                     {std::to_string(leftOutCharacters_)});
}

} // namespace brenmoor::exporting
