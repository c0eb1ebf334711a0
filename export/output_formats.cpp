// The rows of the output format table.
#include "export/output_formats.h"

#include <stdexcept>
#include <string>

#include "export/csv_writer.h"
#include "export/google_csv_writer.h"
#include "export/html_writer.h"
#include "export/ldif_writer.h"
#include "export/outlook_csv_writer.h"
#include "export/pst_writer.h"
#include "export/standard_vcard_writer.h"
#include "export/text_writer.h"
#include "export/vcard_writer.h"

namespace brenmoor::exporting {

namespace {

constexpr OutputFormat kFormats[] = {
    // name, command-line word, menu item, menu caption, files, dialog caption, writer
    {"PST", "pst", "savepst", "Save As PST", "names<time>.pst",
     "Save as PST (Outlook 2010,2007,2003,2002,2000,97)", &makePstWriter},
    {"CSV", "csv", "savecsv", "Save As CSV", kCsvFileName, "Save as CSV", &makeCsvWriter},
    {"vCard 2.1", "vcard", "savevcard", "Save As vCard", kVcardFileName, "Save as vCard (.vcf)", &makeVcardWriter},
    {"HTML", "html", "savehtml", "Save As HTML", "FirstLast_N.html", "Save as HTML", &makeHtmlWriter},
    {"text", "txt", "savetxt", "Save As TXT", "FirstLast_N.txt", "Save as TXT format", &makeTextWriter},
    {"vCard 3.0", "vcard3", "savevcard3", "vCard 3.0", kVcard3FileName, "", &makeVcard3Writer},
    {"vCard 4.0", "vcard4", "savevcard4", "vCard 4.0", kVcard4FileName, "", &makeVcard4Writer},
    {"LDIF", "ldif", "saveldif", "LDIF (Thunderbird)", kLdifFileName, "", &makeLdifWriter},
    {"Outlook CSV", "outlook-csv", "saveoutlookcsv", "Outlook CSV", kOutlookCsvFileName, "", &makeOutlookCsvWriter},
    {"Google CSV", "google-csv", "savegooglecsv", "Google CSV", kGoogleCsvFileName, "", &makeGoogleCsvWriter},
};

} // namespace

std::span<const OutputFormat> outputFormats() { return kFormats; }

const OutputFormat* findOutputFormat(std::string_view word) {
    for (const OutputFormat& format : kFormats)
        if (format.word == word) return &format;
    return nullptr;
}

const OutputFormat& outputFormat(std::string_view word) {
    if (const OutputFormat* format = findOutputFormat(word)) return *format;
    throw std::out_of_range("no output format \"" + std::string(word) + "\"");
}

std::vector<const OutputFormat*> dialogFormats() {
    std::vector<const OutputFormat*> offered;
    for (const OutputFormat& format : kFormats)
        if (format.offeredByDialog()) offered.push_back(&format);
    return offered;
}

} // namespace brenmoor::exporting
