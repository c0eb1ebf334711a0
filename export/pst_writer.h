// The PST export's writer: a store file holding one contact item per contact.
// The store is created in the chosen folder, named after the time of day, before
// the book is opened; each contact becomes an item of the store's default contacts
// folder; closing completes the file.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "export/format_writer.h"

namespace brenmoor::pst::messaging {
class MessageStore;
}

namespace brenmoor::exporting {

std::unique_ptr<FormatWriter> makePstWriter();

// "names", the time text and ".pst", with every ":", then every " AM", then every
// " PM" removed ("3:04:05 PM" gives names30405.pst).
std::string pstFileName(const std::string& timeText);

// The store's path in folder: folder/fileName, or where a file of that name exists,
// the first free of folder/<stem>_2.pst, folder/<stem>_3.pst, ...
std::string freeStorePath(const std::string& folder, const std::string& fileName);

class PstWriter : public FormatWriter {
public:
    // timeText gives the time of day as the locale writes it; by default the
    // current time.
    explicit PstWriter(std::function<std::string()> timeText = {});
    ~PstWriter() override;

    void prepare(const std::string& folder) override;
    void writeContact(const notes::ContactDocument& doc, std::int64_t runningNumber) override;
    void close() override;
    bool errorTolerant() const override { return true; }
    std::string resultPath() const override { return path_; }

private:
    std::function<std::string()> timeText_;
    std::unique_ptr<pst::messaging::MessageStore> store_;
    std::string path_;
};

} // namespace brenmoor::exporting
