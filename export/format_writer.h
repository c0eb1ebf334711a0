// One output format: its steps inside the export run. The run owns the walk over the
// address book; a writer only writes.
#pragma once

#include <cstdint>
#include <string>

#include "notes/address_book.h"

namespace brenmoor::exporting {

class FormatWriter {
public:
    virtual ~FormatWriter() = default;

    // After the folder is chosen, before the address book is opened (the PST store is
    // created here).
    virtual void prepare(const std::string& folder) { (void)folder; }
    // The opening step: after the book is opened and its first document fetched,
    // before the entry count is read.
    virtual void open(const std::string& folder) { (void)folder; }
    // The contact step, once per contact with its 1-based running number.
    virtual void writeContact(const notes::ContactDocument& doc, std::int64_t runningNumber) = 0;
    // Closes whatever is still open. Called on success and on failure.
    virtual void close() {}

    // True where failures after prepare() skip the failing contact and the run goes on
    // (the PST export); false where any failure ends the run.
    virtual bool errorTolerant() const { return false; }
    // A line for the command line to print before the completion (the PST store's path).
    virtual std::string resultPath() const { return {}; }
};

} // namespace brenmoor::exporting
