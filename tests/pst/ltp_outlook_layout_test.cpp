// What we build for small property and table contexts, byte for byte against nodes
// Outlook wrote into a new store (folder properties, an empty template table, a
// one-row table), so a store we write looks to Outlook like one of its own.
#include <gtest/gtest.h>

#include "held_node.h"
#include "pst/ltp/property_context.h"
#include "pst/ltp/table_context.h"

using namespace brenmoor::pst::ltp;
using held::fromHex;

namespace {

constexpr PropTag kDisplayName = makeTag(0x3001, PT_UNICODE);
constexpr PropTag kContentCount = makeTag(0x3602, PT_LONG);
constexpr PropTag kContentUnread = makeTag(0x3603, PT_LONG);
constexpr PropTag kSubfolders = makeTag(0x360A, PT_BOOLEAN);

TEST(OutlookLayout, PropertyContextsMatchOutlooksFolderNodes)
{
    // A folder with an empty display name: empty texts are HNID 0, nothing allocated.
    PropertyContextBuilder folder;
    folder.set(kSubfolders, PropValue::boolean(true));
    folder.set(kDisplayName, PropValue::unicode(""));
    folder.set(kContentCount, PropValue::int32(0));
    folder.set(kContentUnread, PropValue::int32(0));
    const auto built = folder.build();
    ASSERT_EQ(built.blocks.size(), 1u);
    EXPECT_TRUE(built.subnodes.empty());
    EXPECT_EQ(built.blocks[0], fromHex("3400ecbc 20000000 00000000"
                                       "b5020600 40000000"
                                       "01301f00 00000000 02360300 00000000 03360300 00000000 0a360b00 01000000"
                                       "0200 0000 0c00 1400 3400"));

    // A named folder: the text follows the tree in the heap.
    PropertyContextBuilder search;
    search.set(kDisplayName, PropValue::unicode("SPAM Search Folder 2"));
    search.set(kContentCount, PropValue::int32(0));
    search.set(kContentUnread, PropValue::int32(0));
    search.set(kSubfolders, PropValue::boolean(false));
    EXPECT_EQ(search.build().blocks.at(0),
              fromHex("5c00ecbc 20000000 00000000 b5020600 40000000"
                      "01301f00 60000000 02360300 00000000 03360300 00000000 0a360b00 00000000"
                      "5300500041004d002000530065006100720063006800200046006f006c0064006500720020003200"
                      "0300 0000 0c00 1400 3400 5c00"));
}

TEST(OutlookLayout, EmptyTableMatchesOutlooksTemplateTable)
{
    TableContextBuilder table({makeTag(0x0E33, PT_LONGLONG), makeTag(0x0E37, PT_BINARY),
                               makeTag(0x0E38, PT_LONG)});
    const auto built = table.build();
    ASSERT_EQ(built.blocks.size(), 1u);
    EXPECT_TRUE(built.subnodes.empty());
    EXPECT_EQ(built.blocks[0],
              fromHex("5200ec7c 40000000 00000000"
                      "b5040400 00000000"
                      "7c05 1800 1800 1800 1900 20000000 00000000 00000000"
                      "1400330e 08000802 0201370e 10000403 0300380e 14000404"
                      "0300f267 00000400 0300f367 04000401"
                      "0200 0000 0c00 1400 5200"));
}

TEST(OutlookLayout, OneRowTableMatchesOutlooksTable)
{
    // Columns added in Outlook's order; the row ID and version columns come first
    // wherever they are listed. The row's empty text exists, with HNID 0.
    TableContextBuilder table({makeTag(0x67F2, PT_LONG), makeTag(0x6605, PT_LONG), kDisplayName});
    table.setRow(1, {{makeTag(0x67F3, PT_LONG), PropValue::int32(2)},
                     {makeTag(0x6605, PT_LONG), PropValue::int32(0x122)},
                     {kDisplayName, PropValue::unicode("")}});
    const auto built = table.build();
    ASSERT_EQ(built.blocks.size(), 1u);
    EXPECT_EQ(built.blocks[0],
              fromHex("6400ec7c 40000000 00000000"
                      "b5040400 60000000"
                      "7c04 1000 1000 1000 1100 20000000 80000000 00000000"
                      "1f000130 0c000403 03000566 08000402 0300f267 00000400 0300f367 04000401"
                      "01000000 00000000"
                      "01000000 02000000 22010000 00000000 f0"
                      "00"
                      "0400 0000 0c00 1400 4a00 5200 6300"));
}

} // namespace
