// Files of at most so many contacts or bytes, or one per contact, put in place together.
#include "export/split_output.h"

#include "text/translation.h"

namespace brenmoor::exporting {

namespace {
constexpr std::size_t kOpenParkedFiles = 200;
} // namespace

void SplitOutput::open(const std::string& folder, std::string opening) {
    folder_ = folder;
    opening_ = std::move(opening);
    if (!split_.perContact) next(split_.numberFirst ? numbered(1) : fileName_);
}

std::string SplitOutput::numbered(std::int64_t number) const {
    const std::size_t dot = fileName_.rfind('.');
    return fileName_.substr(0, dot) + "_" + std::to_string(number) + fileName_.substr(dot);
}

void SplitOutput::next(const std::string& name) {
    if (file_) {
        // The filled file waits under a temporary name until the run ends well, the first
        // ones kept open so that no other run takes them for stale.
        file_->park(parked_.size() < kOpenParkedFiles);
        parked_.push_back(std::move(file_));
    }
    file_ = std::make_unique<OutputFile>();
    file_->create(outputPath(folder_, name));
    if (files_++ == 0) firstName_ = name;
    lastName_ = name;
    inFile_ = 0;
    bytes_ = 0;
    append(opening_);
}

void SplitOutput::beginContact(std::uint64_t size, const std::string& ownName) {
    if (split_.perContact) {
        next(ownName);
    } else if (inFile_ > 0 && ((split_.maxContacts > 0 && inFile_ >= split_.maxContacts) ||
                               (split_.maxBytes > 0 && bytes_ + size > split_.maxBytes))) {
        // The first file keeps the format's name where only the later ones are numbered.
        next(numbered(static_cast<std::int64_t>(parked_.size()) + 2));
    }
    ++inFile_;
}

void SplitOutput::beginLists() {
    if (split_.perContact) {
        const std::size_t dot = fileName_.rfind('.');
        next(fileName_.substr(0, dot) + "_lists" + fileName_.substr(dot));
    }
}

void SplitOutput::append(std::string_view text) {
    file_->append(text);
    bytes_ += text.size();
}

void SplitOutput::close() {
    for (auto& parked : parked_) parked->close();
    parked_.clear();
    if (file_) file_->close();
}

std::string SplitOutput::account() const {
    if (files_ < 2) return {};
    return text::arg(text::translate("brenmoor::exporting", "The contacts were shared out over %1 files, %2 to %3."),
                     {std::to_string(files_), firstName_, lastName_});
}

void SplitOutput::abandon() noexcept {
    if (file_) file_->abandon();
    for (auto& parked : parked_) parked->abandon();
    parked_.clear();
}

} // namespace brenmoor::exporting
