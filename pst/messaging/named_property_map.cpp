// The name-to-ID map: streams and hash buckets laid out as the format defines them.
#include "pst/messaging/named_property_map.h"

#include <algorithm>
#include <map>

#include "pst/ltp/property_context.h"
#include "pst/util/crc.h"
#include "pst/util/errors.h"
#include "pst/util/little_endian.h"

namespace brenmoor::pst::messaging {

namespace {

ltp::Bytes utf16le(const std::string& utf8) { return ltp::PropValue::unicode(utf8).data; }

} // namespace

std::uint16_t NamedPropertyMap::idOf(const PropertyName& name) {
    const auto* numeric = std::get_if<std::uint32_t>(&name.id);
    std::uint64_t key = 0;
    if (numeric) {
        auto set = std::find(sets_.begin(), sets_.end(), name.set);
        if (set == sets_.end()) set = sets_.insert(sets_.end(), name.set);
        key = std::uint64_t(set - sets_.begin()) << 32 | *numeric;
        auto it = numericIds_.find(key);
        if (it != numericIds_.end()) return it->second;
    } else {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (names_[i].set == name.set && names_[i].id == name.id) return static_cast<std::uint16_t>(0x8000 + i);
    }
    if (names_.size() >= 0x7FFF) throw FormatLimitError("too many named properties");
    names_.push_back(name);
    const auto id = static_cast<std::uint16_t>(0x8000 + names_.size() - 1);
    if (numeric) numericIds_.emplace(key, id);
    return id;
}

std::vector<std::pair<ltp::PropTag, ltp::PropValue>> NamedPropertyMap::properties() const {
    // GUID stream: every set other than PS_MAPI (1) and PS_PUBLIC_STRINGS (2), in
    // first-use order; a set's index there plus 3 is its wGuid.
    std::vector<Guid> guids;
    auto guidIndex = [&](const Guid& set) -> std::uint16_t {
        if (set == kPsMapi) return 1;
        if (set == kPsPublicStrings) return 2;
        auto it = std::find(guids.begin(), guids.end(), set);
        if (it == guids.end()) {
            guids.push_back(set);
            it = guids.end() - 1;
        }
        return static_cast<std::uint16_t>(3 + (it - guids.begin()));
    };

    ltp::Bytes entries, strings;
    std::map<std::uint32_t, ltp::Bytes> buckets;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const PropertyName& name = names_[i];
        const std::uint16_t wGuid = guidIndex(name.set);
        const bool isString = std::holds_alternative<std::string>(name.id);
        const std::uint16_t guidAndKind = static_cast<std::uint16_t>((wGuid << 1) | (isString ? 1 : 0));
        std::uint32_t propertyId = 0; // in the entry stream: LID or string offset
        std::uint32_t hashKey = 0;    // in the bucket: LID or CRC of the name
        if (isString) {
            const ltp::Bytes text = utf16le(std::get<std::string>(name.id));
            propertyId = static_cast<std::uint32_t>(strings.size());
            hashKey = computeCrc(text.data(), text.size());
            appendU32(strings, static_cast<std::uint32_t>(text.size()));
            strings.insert(strings.end(), text.begin(), text.end());
            while (strings.size() % 4 != 0) strings.push_back(0);
        } else {
            propertyId = hashKey = std::get<std::uint32_t>(name.id);
        }
        appendU32(entries, propertyId);
        appendU16(entries, guidAndKind);
        appendU16(entries, static_cast<std::uint16_t>(i));

        ltp::Bytes& bucket = buckets[(hashKey ^ guidAndKind) % kBucketCount];
        appendU32(bucket, hashKey);
        appendU16(bucket, guidAndKind);
        appendU16(bucket, static_cast<std::uint16_t>(i));
    }

    ltp::Bytes guidStream;
    for (const Guid& g : guids) guidStream.insert(guidStream.end(), g.begin(), g.end());

    std::vector<std::pair<ltp::PropTag, ltp::PropValue>> props;
    props.emplace_back(ltp::makeTag(0x0001, ltp::PT_LONG), ltp::PropValue::int32(kBucketCount));
    props.emplace_back(ltp::makeTag(0x0002, ltp::PT_BINARY), ltp::PropValue::binary(std::move(guidStream)));
    props.emplace_back(ltp::makeTag(0x0003, ltp::PT_BINARY), ltp::PropValue::binary(std::move(entries)));
    props.emplace_back(ltp::makeTag(0x0004, ltp::PT_BINARY), ltp::PropValue::binary(std::move(strings)));
    for (auto& [index, bucket] : buckets)
        props.emplace_back(ltp::makeTag(static_cast<std::uint16_t>(0x1000 + index), ltp::PT_BINARY),
                           ltp::PropValue::binary(std::move(bucket)));
    return props;
}

ndb::NodeContent NamedPropertyMap::build() const {
    ltp::PropertyContextBuilder pc;
    for (auto& [tag, value] : properties()) pc.set(tag, std::move(value));
    return pc.build();
}

} // namespace brenmoor::pst::messaging
