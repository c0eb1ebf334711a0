// A store past 2 GB: the node database lays out the free page maps that begin there
// (and every other map on the way), and the independent checker finds each map page
// where the format puts it and every block accounted for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "pst/ndb/format.h"
#include "pst/ndb/node_database.h"
#include "pst_checker.h"

namespace {

using namespace brenmoor::pst::ndb;

Bytes filler(std::size_t size, std::uint32_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = std::uint8_t((i * 31 + seed) >> 3);
    return b;
}

TEST(LargeStore, PastTwoGigabytesTheFreePageMapsFollowTheirPageMaps)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("brenmoor-large-store-" + std::to_string(::getpid()) + ".pst")).string();
    std::filesystem::remove(path);
    // Filler nodes of 1,000 full blocks each until the file is past region 8,192, where
    // the first free page map sits, and a small node beyond it.
    constexpr std::uint64_t kFirstFPMap = 8192;
    {
        NodeDatabaseWriter writer(path);
        NodeContent content;
        for (std::uint32_t b = 0; b < 1000; ++b) content.blocks.push_back(filler(kMaxBlockData, b));
        std::uint32_t nodes = 0;
        while (std::uint64_t(nodes) * 1000 * blockDiskSize(kMaxBlockData) < regionStart(kFirstFPMap + 8))
            writer.putNode(makeNid(NID_TYPE_LTP, 0x10000 + nodes++), 0, content);
        writer.putNode(makeNid(NID_TYPE_LTP, 0x10000 + nodes), 0, {{filler(100, 7)}, {}});
        writer.commit();
    }
    EXPECT_GT(std::filesystem::file_size(path), std::uint64_t(2) << 30);

    // The store holds no messaging layer (no store object, name map or folders); all of
    // the node database must check out.
    for (const std::string& problem : brenmoor::pstcheck::checkPstFile(path)) {
        const bool messaging = problem.rfind("mandatory node", 0) == 0 || problem.rfind("message store", 0) == 0 ||
                               problem.rfind("name-to-ID map", 0) == 0;
        if (!messaging) ADD_FAILURE() << problem;
    }

    std::ifstream in(path, std::ios::binary);
    auto pageType = [&](std::uint64_t ib) {
        char type = 0;
        in.seekg(std::streamoff(ib + kPageDataSize));
        in.read(&type, 1);
        return std::uint8_t(type);
    };
    const std::uint64_t region = regionStart(kFirstFPMap);
    EXPECT_EQ(pageType(region), PTYPE_AMAP);
    EXPECT_EQ(pageType(region + kPageSize), PTYPE_PMAP);
    EXPECT_EQ(pageType(region + 2 * kPageSize), PTYPE_FPMAP) << "no FMap in this region: the FPMap follows the PMap";
    std::filesystem::remove(path);
}

} // namespace
