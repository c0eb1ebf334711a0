// Reading the name-to-ID map's GUID, entry and string streams.
#include "pst_names.h"

#include "pst_tables.h"

#include <algorithm>
#include <tuple>

namespace brenmoor::pstcheck {

namespace {

constexpr GuidBytes kPsMapi{0x28, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr GuidBytes kPsPublicStrings{0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

struct KnownSet {
    GuidBytes guid;
    const char* name;
};

// The sets contact items use, {xxxxxxxx-...} stored with the first three fields little-endian.
constexpr KnownSet kKnownSets[] = {
    {kPsMapi, "PS_MAPI"},
    {kPsPublicStrings, "PS_PUBLIC_STRINGS"},
    {{0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}, "PSETID_Address"},
    {{0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}, "PSETID_Common"},
    {{0x02, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}, "PSETID_Appointment"},
    {{0x03, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}, "PSETID_Task"},
    {{0x0A, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}, "PSETID_Log"},
    {{0x86, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}, "PS_INTERNET_HEADERS"},
};

} // namespace

bool PropertyName::operator<(const PropertyName& other) const
{
    return std::tie(set, isString, lid, name) < std::tie(other.set, other.isString, other.lid, other.name);
}

std::map<std::uint16_t, PropertyName> readPropertyNames(const PstFile& file)
{
    std::map<std::uint16_t, PropertyName> out;
    const NodeEntry* node = file.node(0x61);
    if (!node) return out;
    Findings quiet;
    const NodeFrame frame = readFrame(file, node->bidData, node->bidSub, "name-to-ID map");
    if (!isHeap(frame)) return out;
    const auto props = readPropertyContext(frame, "name-to-ID map", quiet);
    if (!props || !props->count(0x0002) || !props->count(0x0003) || !props->count(0x0004)) return out;
    const Bytes& guids = props->at(0x0002).value;
    const Bytes& entries = props->at(0x0003).value;
    const Bytes& strings = props->at(0x0004).value;
    for (std::size_t at = 0; at + 8 <= entries.size(); at += 8) {
        const std::uint32_t id = le32(entries.data() + at);
        const std::uint16_t guidField = le16(entries.data() + at + 4);
        const std::uint16_t index = le16(entries.data() + at + 6);
        const std::uint16_t guid = guidField >> 1;
        PropertyName name;
        if (guid == 1) name.set = kPsMapi;
        else if (guid == 2) name.set = kPsPublicStrings;
        else if (guid >= 3 && std::size_t(guid - 3) * 16 + 16 <= guids.size())
            std::copy_n(guids.begin() + std::ptrdiff_t(guid - 3) * 16, 16, name.set.begin());
        else continue;
        name.isString = guidField & 1;
        if (name.isString) {
            if (std::size_t(id) + 4 > strings.size()) continue;
            const std::uint32_t length = le32(strings.data() + id);
            if (std::size_t(id) + 4 + length > strings.size()) continue;
            name.name = utf16ToUtf8(strings.data() + id + 4, length);
        } else {
            name.lid = id;
        }
        out[std::uint16_t(0x8000 + index)] = name;
    }
    return out;
}

std::string propertyNameText(const PropertyName& name)
{
    std::string set;
    for (const KnownSet& known : kKnownSets)
        if (known.guid == name.set) set = known.name;
    if (set.empty()) set = "{" + hex(name.set.data(), name.set.size()) + "}";
    return set + ":" + (name.isString ? name.name : hexNumber(name.lid, 4));
}

} // namespace brenmoor::pstcheck
