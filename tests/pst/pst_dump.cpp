// A readable dump of a PST file.
#include "pst_dump.h"

#include "pst_names.h"
#include "pst_tables.h"

#include <stdexcept>

namespace brenmoor::pstcheck {

namespace {

std::string clip(std::string text)
{
    constexpr std::size_t kLimit = 400;
    if (text.size() > kLimit) text = text.substr(0, kLimit) + "... (" + std::to_string(text.size()) + " chars)";
    return text;
}

using Names = std::map<std::uint16_t, PropertyName>;

// A property tag, with the name behind a named property's id.
std::string tagWithName(std::uint32_t tag, const Names& names)
{
    std::string text = hexNumber(tag, 8);
    auto it = names.find(std::uint16_t(tag >> 16));
    if (it != names.end()) text += " (" + propertyNameText(it->second) + ")";
    return text;
}

void dumpHeap(const NodeFrame& frame, const std::string& context, std::ostream& out,
              Findings& findings, const std::string& indent, const Names& names)
{
    Heap heap(frame, context, findings);
    for (const auto& line : heap.describe()) out << indent << line << "\n";
    if (!heap.valid()) return;
    if (heap.clientSig() == 0xBC) {
        auto props = readPropertyContext(frame, context, findings);
        if (!props) return;
        out << indent << "PC: " << props->size() << " properties\n";
        for (const auto& [id, p] : *props)
            out << indent << "  " << tagWithName((std::uint32_t(id) << 16) | p.type, names) << " [" << p.storage << (p.storage == "inline" ? "" : " " + hexNumber(p.hnid, 8)) << "] "
                << clip(valueText(p.type, p.value)) << "\n";
    } else if (heap.clientSig() == 0x7C) {
        auto table = readTableContext(frame, context, findings);
        if (!table) return;
        out << indent << "TC: " << table->columns.size() << " columns, rgib " << table->rgib[0] << "/" << table->rgib[1]
            << "/" << table->rgib[2] << "/" << table->rgib[3] << ", hnidRows " << hexNumber(table->hnidRows, 8) << ", "
            << table->rows.size() << " rows\n";
        for (const auto& c : table->columns)
            out << indent << "  column " << tagWithName(c.tag, names) << " ib " << c.ib << " cb " << int(c.cb) << " iBit "
                << int(c.iBit) << "\n";
        for (std::size_t r = 0; r < table->rows.size(); ++r) {
            out << indent << "  row " << r << ":\n";
            for (std::size_t c = 0; c < table->columns.size(); ++c) {
                const auto& v = table->rows[r][c];
                if (!v) continue;
                out << indent << "    " << hexNumber(table->columns[c].tag, 8) << " "
                    << clip(valueText(table->columns[c].tag & 0xFFFF, *v)) << "\n";
            }
        }
    } else if (heap.clientSig() == 0xB5) {
        auto bth = readBth(heap, heap.userRoot(), "BTH");
        if (!bth) return;
        out << indent << "BTH: cbKey " << int(bth->cbKey) << ", cbEnt " << int(bth->cbEnt) << ", " << bth->records.size()
            << " records\n";
        for (const auto& r : bth->records)
            out << indent << "  " << hex(r.key.data(), r.key.size()) << " -> " << hex(r.data.data(), r.data.size()) << "\n";
    }
}

void dumpNodeContent(const PstFile& file, std::uint64_t bidData, std::uint64_t bidSub, const std::string& context,
                     std::ostream& out, Findings& findings, const std::string& indent, int depth, const Names& names)
{
    NodeFrame frame = readFrame(file, bidData, bidSub, context);
    if (isHeap(frame)) {
        dumpHeap(frame, context, out, findings, indent, names);
    } else if (!frame.pages.empty()) {
        std::size_t total = 0;
        for (const auto& p : frame.pages) total += p.size();
        out << indent << "data: " << total << " bytes in " << frame.pages.size() << " blocks, starting "
            << hex(frame.pages[0].data(), std::min<std::size_t>(frame.pages[0].size(), 32)) << "\n";
    }
    if (depth > 3) return;
    for (const auto& [nid, sub] : frame.subnodes) {
        out << indent << "subnode " << hexNumber(nid) << ": data " << hexNumber(sub.bidData) << ", sub "
            << hexNumber(sub.bidSub) << "\n";
        dumpNodeContent(file, sub.bidData, sub.bidSub, context + " subnode " + hexNumber(nid), out, findings,
                        indent + "  ", depth + 1, names);
    }
}

} // namespace

bool dumpPstFile(const std::string& path, std::ostream& out)
{
    Findings findings;
    try {
        PstFile file(path, findings);
        const Header& h = file.header();
        out << "header:\n"
            << "  dwMagic " << hexNumber(h.magic, 8) << ", dwCRCPartial " << hexNumber(h.crcPartial, 8) << ", dwCRCFull "
            << hexNumber(h.crcFull, 8) << "\n"
            << "  wMagicClient " << hexNumber(h.magicClient, 4) << ", wVer " << h.ver << ", wVerClient " << h.verClient
            << ", bPlatformCreate " << int(h.platformCreate) << ", bPlatformAccess " << int(h.platformAccess) << "\n"
            << "  bidNextP " << hexNumber(h.bidNextP) << ", bidNextB " << hexNumber(h.bidNextB) << ", dwUnique "
            << hexNumber(h.unique) << "\n"
            << "  bSentinel " << hexNumber(h.sentinel, 2) << ", bCryptMethod " << int(h.cryptMethod)
            << ", rgbFM all 0xFF " << (h.fmapAllFF ? "yes" : "no") << ", rgbFP all 0xFF " << (h.fpmapAllFF ? "yes" : "no")
            << "\n  rgnid";
        for (int i = 0; i < 32; ++i) out << " " << hexNumber(h.rgnid[i]);
        out << "\nroot:\n"
            << "  ibFileEof " << hexNumber(h.fileEof) << " (file " << hexNumber(file.size()) << "), ibAMapLast "
            << hexNumber(h.amapLast) << ", cbAMapFree " << h.amapFree << ", cbPMapFree " << h.pmapFree
            << ", fAMapValid " << int(h.amapValid) << "\n"
            << "  NBT root " << hexNumber(h.nbtBid) << " at " << hexNumber(h.nbtIb) << ", BBT root "
            << hexNumber(h.bbtBid) << " at " << hexNumber(h.bbtIb) << "\n";
        out << "block B-tree: " << file.blocks().size() << " blocks\n";
        for (const auto& [bid, b] : file.blocks())
            out << "  block " << hexNumber(bid) << " at " << hexNumber(b.ib) << " cb " << b.cb << " cRef " << b.cRef
                << "\n";
        out << "node B-tree: " << file.nodes().size() << " nodes\n";
        for (const auto& [nid, n] : file.nodes())
            out << "  node " << hexNumber(nid) << " type " << hexNumber(nidType(nid), 2) << " data "
                << hexNumber(n.bidData) << " sub " << hexNumber(n.bidSub) << " parent " << hexNumber(n.parent) << "\n";
        const Names names = readPropertyNames(file);
        for (const auto& [nid, n] : file.nodes()) {
            out << "node " << hexNumber(nid) << ":\n";
            dumpNodeContent(file, n.bidData, n.bidSub, nidText(nid), out, findings, "  ", 0, names);
        }
    } catch (const std::exception& e) {
        out << "error: " << e.what() << "\n";
        return false;
    }
    for (const auto& p : findings.problems) out << "problem: " << p << "\n";
    for (const auto& w : findings.warnings) out << "warning: " << w << "\n";
    return true;
}

} // namespace brenmoor::pstcheck
