// One output format: its steps inside the export run. The run owns the walk over the
// address book; a writer only writes, each of its files whole or not at all.
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
    // The contact step, once per contact with its 1-based running number. The document
    // is handed over: the run drops it after the step, so a writer may move values out.
    virtual void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) = 0;
    // Completes the outputs and puts them in place. Called once the walk has ended well.
    virtual void close() {}
    // Drops every output not yet put in place, leaving what was at its name as it was.
    // Called instead of close() when the run fails; a writer whose files are OutputFile
    // members needs nothing here, as they drop themselves when the writer goes.
    virtual void abandon() noexcept {}

    // True where failures after prepare() skip the failing contact and the run goes on
    // (the PST export); false where any failure ends the run.
    virtual bool errorTolerant() const { return false; }
    // Sentences for the completion message on what the run changed on the way (characters
    // left out of values); "" where nothing.
    virtual std::string summary() const { return {}; }
    // A line for the command line to print before the completion (the PST store's path).
    virtual std::string resultPath() const { return {}; }
};

} // namespace brenmoor::exporting
