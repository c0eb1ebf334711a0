// The HTML export. Values are escaped, so a name holding "<" or "&" shows as text and
// cannot break the page; the page declares UTF-8 so browsers read the names right.
#include "export/html_writer.h"

#include "export/contact_file_writer.h"
#include "export/contact_page_rows.h"

namespace brenmoor::exporting {

namespace {

using notes::ContactItem;


constexpr std::string_view kStyleLine =
    "<style type='text/css'>body,td,th {  font-size: 12px; color: #333333;}body {    background-repeat: no-repeat;    margin-left: 0px;    margin-top: 0px;    margin-right: 0px;    margin-bottom: 0px;}h6 {    font-size: 14px;    color: #993300;}h5 {    font-size: 12px; color: #6633CC;}</style></head>";

// In the page's body a value's line breaks show as such: "<br>" before each.
void appendEscaped(std::string& out, std::string_view value, bool shownBreaks = false) {
    roomFor(out, value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += shownBreaks ? "<br>\r\n" : "\r\n";
            break;
        case '\n': out += shownBreaks ? "<br>\r\n" : "\r\n"; break;
        default: out += c;
        }
    }
}

} // namespace

std::string htmlPage(const notes::ContactDocument& doc) {
    std::string fullNameText;
    const std::string_view fullName = itemView(doc, ContactItem::FullName, fullNameText);
    std::string page;
    page.reserve(8192);

    page += "<html><head><meta charset='utf-8'><title>";
    appendEscaped(page, fullName);
    page += "</title>\r\n";
    page += kStyleLine;
    page += "\r\n<body>\r\n"
            "<table width='70%' border='0' align='left' cellpadding='2' cellspacing='2'>\r\n"
            "<tr>\r\n"
            "<td colspan='2' align='center'><h6>Full Name : ";
    appendEscaped(page, fullName, true);
    page += " </h6><hr></td>\r\n"
            "</tr>\r\n";

    std::string scratch;
    for (const LabelledItem& row : kContactPageRows) {
        page += "<tr>\r\n<td width='50%'><h5>";
        page += row.label;
        page += "</h5></td>\r\n<td width='50%'>";
        appendEscaped(page, itemView(doc, row.item, scratch), true);
        page += "</td>\r\n </tr>\r\n";
    }

    page += "<tr>\r\n"
            "<td colspan='2' align='center'><hr>....................... End Of The Contact "
            "Details .......................</td>\r\n"
            "</tr>\r\n"
            "</table>\r\n"
            "</body></html>\r\n";
    return page;
}

std::unique_ptr<FormatWriter> makeHtmlWriter() {
    return makeContactFileWriter(".html", htmlPage);
}

} // namespace brenmoor::exporting
