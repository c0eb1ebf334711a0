// The writer of the importer formats (vCard 3.0 and 4.0, LDIF, Outlook CSV): one file
// for all contacts, each document read into the contact model and spelled by the format,
// every UID of the file distinct. The formats never read a Notes item themselves, and
// write into the file as they go: a contact's text is never built whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "contact/contact.h"
#include "contact/contact_uid.h"
#include "export/format_writer.h"
#include "export/output_file.h"

namespace brenmoor::exporting {

class ModelFileWriter : public FormatWriter {
public:
    void open(const std::string& folder) override;
    void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) override;
    void close() override;
    void abandon() noexcept override { file_.abandon(); }
    std::string summary() const override;

protected:
    explicit ModelFileWriter(std::string_view fileName) : fileName_(fileName) {}

    // What the file starts with, before the first contact.
    virtual std::string opening() { return {}; }
    // Writes the contact's text to out, as it goes.
    virtual void spell(const contact::Contact& contact, std::int64_t runningNumber, TextSink& out) = 0;

private:
    std::string fileName_;
    OutputFile file_;
    contact::Contact contact_; // reused from one document to the next
    contact::DistinctUids uids_;
    std::int64_t leftOutCharacters_ = 0;
};

} // namespace brenmoor::exporting
