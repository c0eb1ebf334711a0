// The one export procedure every format shares: check the book is chosen, ask for the
// folder, open the book, walk its contacts in view order through the format's writer
// with progress, and report completion.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_ui.h"
#include "export/format_writer.h"
#include "export/output_format.h"

namespace brenmoor::exporting {

// What a command that needs the address book says while none is chosen.
inline constexpr const char* kNoBookMessage =
    "File Not Selected!\r\n\r\nFirst Select Names.nsf file using Browse button..";

// The lasting identity of a book, from which the PST store's and its items' identities
// follow: "replica:" and its replica ID where the DXL gives one (upper case), else
// "owner:" and the caller's storeIdentity (lower case, trimmed) where there is one, else
// "file:" and the book's file name. Never its content: a book edited between two runs
// stays the same book.
std::string bookIdentity(std::string_view replicaId, std::string_view storeIdentity, const std::string& bookPath);

class ExportRun {
public:
    // Cancelled: no folder was chosen. CompletedWithSkips: a tolerant writer completed
    // its output without some contacts. Stopped: the user stopped the walk.
    enum class Outcome { NoBook, Cancelled, Completed, CompletedWithSkips, Failed, Stopped };

    explicit ExportRun(ExportUi& ui);

    // Runs one export of the book named by bookPath (the text of the path box).
    // Every message reaches the user through the ExportUi; returns when done.
    Outcome run(const OutputFormat& format, const std::string& bookPath);
    // The same run with a writer of the caller's making; makeWriter is called once the
    // folder is chosen, and what it throws is reported like any failure.
    Outcome run(const std::function<std::unique_ptr<FormatWriter>()>& makeWriter,
                const std::string& bookPath);

    // Later runs export only the contacts at these 1-based positions of the book (in
    // any order; repeats count once); every contact where empty, as at the start.
    void setSelection(std::vector<std::int64_t> positions);
    // What the book's owner is known by where a mapping of books to people names it
    // (a mailbox address or a user name), which names the book where its DXL gives no
    // replica ID (bookIdentity); "" where nothing is known.
    void setStoreIdentity(std::string identity) { storeIdentity_ = std::move(identity); }

    // The writer's result path (the PST store) of the last completed run, else "".
    const std::string& resultPath() const { return resultPath_; }

private:
    ExportUi& ui_;
    std::string resultPath_;
    std::vector<std::int64_t> selection_; // ascending, without repeats
    std::string storeIdentity_;
};

} // namespace brenmoor::exporting
