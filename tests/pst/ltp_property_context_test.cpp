// Property contexts read back as a store reader reads them: small fixed values in the
// record, larger ones in the heap, values above one heap allocation in subnodes;
// multi-valued layouts and text conversion as the file holds them, also of a text
// converted in pieces.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <unistd.h>

#include "held_node.h"
#include "pst/ltp/property_context.h"
#include "pst/ltp/streamed_value.h"

using namespace brenmoor::pst::ltp;
namespace ndb = brenmoor::pst::ndb;
namespace check = brenmoor::pstcheck;
using held::Bytes;
using held::fromHex;

namespace {

Bytes pattern(std::size_t size)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = std::uint8_t(i * 13 + size);
    return b;
}

TEST(PropertyContext, ValuesInlineInHeapAndInSubnodesReadBackExactly)
{
    const std::uint8_t guid[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const std::map<PropTag, PropValue> values = {
        {makeTag(0x0001, PT_SHORT), PropValue{PT_SHORT, {0x34, 0x12}}},
        {makeTag(0x0002, PT_LONG), PropValue::int32(-5)},
        {makeTag(0x0003, PT_BOOLEAN), PropValue::boolean(true)},
        {makeTag(0x0004, PT_LONGLONG), PropValue::int64(-2)},
        {makeTag(0x0005, PT_SYSTIME), PropValue::systime(0x01C8E1EEE0A86EE0)},
        {makeTag(0x0006, PT_CLSID), PropValue::clsid(guid)},
        {makeTag(0x0007, PT_UNICODE), PropValue::unicode("Grüße")},
        {makeTag(0x0008, PT_UNICODE), PropValue::unicode("")},
        {makeTag(0x0009, PT_BINARY), PropValue::binary(pattern(3580))},  // largest in the heap
        {makeTag(0x000A, PT_BINARY), PropValue::binary(pattern(3581))},  // smallest in a subnode
        {makeTag(0x000B, PT_BINARY), PropValue::binary(pattern(20000))}, // subnode of 3 blocks
        {makeTag(0x000C, PT_MV_UNICODE), PropValue::multiUnicode({"a", "", "bc"})},
        {makeTag(0x000D, PT_MV_BINARY), PropValue::multiBinary({pattern(5000), {}})},
        {makeTag(0x000E, PT_MV_LONG), PropValue{PT_MV_LONG, {1, 0, 0, 0, 2, 0, 0, 0}}},
        {makeTag(0x000F, PT_BOOLEAN), PropValue::boolean(false)},
        {makeTag(0x0010, PT_FLOAT), PropValue{PT_FLOAT, {0, 0, 0x80, 0x3F}}},          // inline
        {makeTag(0x0011, PT_DOUBLE), PropValue{PT_DOUBLE, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}}}, // heap
        {makeTag(0x0012, PT_MV_SYSTIME), PropValue{PT_MV_SYSTIME, Bytes(16, 7)}},
    };
    PropertyContextBuilder pc;
    for (const auto& [tag, value] : values)
        pc.set(tag, value);
    const ndb::NodeContent node = pc.build();

    const auto read = held::readProperties(node);
    ASSERT_EQ(read.size(), values.size());
    for (const auto& [tag, value] : values)
        EXPECT_EQ(read.at(tag), value.data) << std::hex << tag;

    // Three values went to subnodes, each its own LTP subnode; 20000 bytes take
    // three blocks.
    ASSERT_EQ(node.subnodes.size(), 3u);
    std::set<ndb::Nid> nids;
    for (const auto& [nid, sub] : node.subnodes) {
        EXPECT_EQ(ndb::nidType(nid), ndb::NID_TYPE_LTP);
        nids.insert(nid);
        EXPECT_TRUE(sub.subnodes.empty());
    }
    EXPECT_EQ(nids.size(), 3u);
    std::size_t blocks = 0;
    for (const auto& [nid, sub] : node.subnodes)
        blocks += sub.blocks.size();
    EXPECT_EQ(blocks, 1u + 3u + 1u);
}

TEST(PropertyContext, ManyPropertiesSpanPagesAndIndexLevel)
{
    // 800 records of 8 bytes need two leaves and an index node; 800 texts of 60
    // bytes need several heap pages.
    PropertyContextBuilder pc;
    std::map<PropTag, Bytes> expected;
    for (std::uint16_t id = 0x8000; id < 0x8000 + 800; ++id) {
        const PropValue v = PropValue::unicode("value of property " + std::to_string(id) + " ..........");
        pc.set(makeTag(id, PT_UNICODE), v);
        expected[makeTag(id, PT_UNICODE)] = v.data;
    }
    const ndb::NodeContent node = pc.build();
    EXPECT_GT(node.blocks.size(), 5u);
    EXPECT_TRUE(node.subnodes.empty());
    const check::NodeFrame frame = held::frameOf(node);
    check::Findings findings;
    const check::Heap heap(frame, "heap", findings);
    const auto bth = check::readBth(heap, heap.userRoot(), "property tree");
    ASSERT_TRUE(bth);
    EXPECT_EQ(bth->levels, 1);
    held::expectClean(findings);
    EXPECT_EQ(held::readProperties(node), expected);
}

TEST(PropertyContext, OneValuePerPropertyIdAndValuesMustFitTheirType)
{
    PropertyContextBuilder pc;
    pc.set(makeTag(0x3001, PT_BINARY), PropValue::binary({1, 2}));
    pc.set(makeTag(0x3001, PT_UNICODE), PropValue::unicode("x")); // replaces the binary
    pc.set(makeTag(0x3002, PT_LONG), PropValue::int32(1));
    pc.erase(makeTag(0x3002, PT_BOOLEAN)); // erasing goes by id as well
    EXPECT_EQ(pc.properties().size(), 1u);
    EXPECT_EQ(held::readProperties(pc.build()),
              (std::map<std::uint32_t, Bytes>{{makeTag(0x3001, PT_UNICODE), {'x', 0}}}));

    EXPECT_THROW(pc.set(makeTag(0x3003, PT_LONG), PropValue::boolean(true)), std::invalid_argument);
    EXPECT_THROW(pc.set(makeTag(0x3003, PT_LONG), PropValue{PT_LONG, {1, 2}}), std::invalid_argument);
    EXPECT_THROW(pc.set(makeTag(0x3003, PT_UNICODE), PropValue{PT_UNICODE, {0x41}}), std::invalid_argument);
    // A multi-valued layout whose offsets point past its end.
    EXPECT_THROW(pc.set(makeTag(0x3003, PT_MV_BINARY), PropValue{PT_MV_BINARY, fromHex("01000000 20000000")}),
                 std::invalid_argument);
    // One whose first value does not start right after the offsets.
    EXPECT_THROW(pc.set(makeTag(0x3003, PT_MV_BINARY), PropValue{PT_MV_BINARY, fromHex("01000000 09000000 ff")}),
                 std::invalid_argument);
    // A type the layer does not know how to store (PT_OBJECT) is refused, not guessed.
    EXPECT_THROW(pc.set(makeTag(0x3003, PropType(0x000D)), PropValue{PropType(0x000D), {}}),
                 std::invalid_argument);
    EXPECT_EQ(pc.properties().size(), 1u);

    // Given all at once, the properties make the same node as set one by one: a later
    // property replaces an earlier one of its id; a misfit is refused.
    const std::vector<std::pair<PropTag, PropValue>> all{
        {makeTag(0x3002, PT_LONG), PropValue::int32(1)},
        {makeTag(0x3001, PT_BINARY), PropValue::binary({1, 2})},
        {makeTag(0x0E08, PT_LONG), PropValue::int32(9)},
        {makeTag(0x3001, PT_UNICODE), PropValue::unicode("x")},
        {makeTag(0x1000, PT_UNICODE), PropValue::unicode(std::string(5000, 'b'))}};
    PropertyContextBuilder oneByOne;
    for (const auto& [tag, value] : all) oneByOne.set(tag, value);
    const ndb::NodeContent atOnce = PropertyContextBuilder::build(all);
    EXPECT_EQ(atOnce.blocks, oneByOne.build().blocks);
    EXPECT_EQ(held::readProperties(atOnce).size(), 4u);
    EXPECT_THROW(PropertyContextBuilder::build({{makeTag(0x3003, PT_LONG), PropValue::boolean(true)}}),
                 std::invalid_argument);

    // An empty context is a heap with an empty tree.
    PropertyContextBuilder none;
    EXPECT_EQ(none.build().blocks.at(0),
              fromHex("1400ecbc 20000000 00000000 b5020600 00000000 0100 0000 0c00 1400"));
}

// UTF-8 texts and their UTF-16LE form, broken bytes among them.
const std::pair<std::string, const char*> kTexts[] = {
    {"A", "4100"},
    {"\xC3\xA9", "e900"},                  // é
    {"\xE2\x82\xAC", "ac20"},              // €
    {"\xF0\x9F\x98\x80", "3dd8 00de"},     // 😀 as a surrogate pair
    {"\xFF" "A", "fdff 4100"},             // not a lead byte
    {"\xE2\x82" "A", "fdff 4100"},         // cut short
    {"\xC0\xAF", "fdff"},                  // overlong
    {"\xED\xA0\x80", "fdff"},              // a surrogate encoded on its own
    {std::string("a\0b", 3), "6100 0000 6200"}, // NUL is kept
    {"", ""},
};

TEST(PropValue, TextsBecomeUtf16AndBrokenBytesBecomeReplacementCharacters)
{
    for (const auto& [utf8, utf16] : kTexts)
        EXPECT_EQ(PropValue::unicode(utf8).data, fromHex(utf16)) << utf16;
}

// The value as the file holds it, whether kept in memory or written ahead.
Bytes storedBytes(ndb::NodeDatabaseWriter& store, const PropValue& value)
{
    Bytes all = value.data;
    for (std::uint64_t bid : value.writtenBlocks) {
        const Bytes block = store.readDataBlock(bid);
        all.insert(all.end(), block.begin(), block.end());
    }
    return all;
}

TEST(StreamedValue, ATextInPiecesIsStoredAsTheWholeTextAndOnlyALongOneWrittenAhead)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("brenmoor-streamed-value-" + std::to_string(::getpid()) + ".pst")).string();
    std::filesystem::remove(path);
    ndb::NodeDatabaseWriter store(path);
    auto streamed = [&](const std::vector<std::string_view>& pieces) {
        StreamedValueWriter writer(store);
        for (std::string_view piece : pieces)
            writer.appendText(piece);
        return writer.finishText();
    };
    // Each text cut at every byte, and again where the conversion and the blocks
    // are cut: at 4088 bytes of UTF-8 and 8176 bytes of UTF-16.
    const std::string half(ndb::kMaxBlockData / 2 - 2, 'x');
    for (const auto& [text, utf16] : kTexts) {
        for (const std::string& whole : {"<" + text + text + ">", half + text + half + "-" + text + half}) {
            const PropValue expected = PropValue::unicode(whole);
            // Every cut in and around a text, and a spread of the others.
            auto near = [&](std::size_t cut) {
                for (std::size_t at = whole.find(text); at != std::string::npos && !text.empty();
                     at = whole.find(text, at + 1))
                    if (cut + 4 >= at && cut <= at + text.size() + 4) return true;
                return whole.size() < 100 || cut < 4 || cut % 509 == 0 || cut == whole.size();
            };
            for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
                if (!near(cut)) continue;
                const std::string_view all = whole;
                const PropValue value = streamed({all.substr(0, cut), "", all.substr(cut)});
                ASSERT_EQ(storedBytes(store, value), expected.data) << utf16 << " cut at " << cut;
                // Only a value past one block is written ahead, in whole blocks.
                EXPECT_EQ(value.writtenBlocks.empty(), expected.data.size() <= ndb::kMaxBlockData);
                EXPECT_EQ(value.size(), expected.data.size());
                if (cut % 3 == 1 && cut < whole.size()) { // three pieces, the middle one a byte
                    const PropValue three = streamed({all.substr(0, cut), all.substr(cut, 1), all.substr(cut + 1)});
                    EXPECT_EQ(storedBytes(store, three), expected.data) << utf16 << " cut at " << cut;
                }
            }
        }
    }
    // Byte by byte.
    const std::string text = "\xF0\x9F\x98\x80 \xE2\x82" + half + "\xC3";
    std::vector<std::string_view> bytes;
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes.push_back(std::string_view(text).substr(i, 1));
    EXPECT_EQ(storedBytes(store, streamed(bytes)), PropValue::unicode(text).data);
    std::filesystem::remove(path);
}

// A value's bytes stay whole as they grow out of their place and as values are copied
// and moved, on either side of the in-place limit.
TEST(PropValue, BytesStayWholeAcrossGrowthCopiesAndMoves)
{
    constexpr std::size_t limit = ValueBytes::kInPlace;
    for (std::size_t size : {std::size_t(0), std::size_t(1), limit - 1, limit, limit + 1, 5 * limit}) {
        Bytes expected(size);
        for (std::size_t i = 0; i < size; ++i)
            expected[i] = std::uint8_t(i * 7 + 1);
        PropValue grown{PT_BINARY, {}};
        for (std::uint8_t b : expected)
            grown.data.push_back(b);
        PropValue moved = PropValue(grown);
        std::vector<PropValue> many(3, moved);
        many.resize(64); // moved again as the vector grows
        EXPECT_EQ(grown.data, expected) << size;
        EXPECT_EQ(many[2].data, expected) << size;
        moved = many[1];
        moved = std::move(many[0]);
        EXPECT_EQ(moved.data, expected) << size;
        EXPECT_TRUE(many[0].data.empty()) << size;
    }
}

TEST(PropValue, MultiValuedLayouts)
{
    EXPECT_EQ(PropValue::multiUnicode({"a", "bc"}).data,
              fromHex("02000000 0c000000 0e000000 6100 62006300"));
    EXPECT_EQ(PropValue::multiBinary({{1}, {}, {2, 3}}).data,
              fromHex("03000000 10000000 11000000 11000000 01 0203"));
    EXPECT_EQ(PropValue::multiUnicode({}).data, fromHex("00000000"));
    EXPECT_EQ(PropValue::systime(0x01C8E1EEE0A86EE0).data, fromHex("e06ea8e0eee1c801"));
    EXPECT_EQ(PropValue::int32(-2).data, fromHex("feffffff"));
}

} // namespace
