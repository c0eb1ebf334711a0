// The PST export's writer: the store's file name and path, the contacts folder, and
// each document's items in its contact item, read back with the independent reader.
#include <gtest/gtest.h>

#include <QLocale>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "export/export_error.h"
#include "export/output_file.h"
#include "export/pst_writer.h"
#include "notes/address_book.h"
#include "notes/locale_text.h"
#include "pst/messaging/contact_item.h"
#include "pst_checker.h"
#include "pst_tables.h"

namespace {

namespace fs = std::filesystem;
namespace check = brenmoor::pstcheck;
using brenmoor::exporting::PstWriter;
using brenmoor::exporting::pstFileName;
using brenmoor::notes::ContactDocument;
using brenmoor::notes::ItemValue;

ContactDocument document(std::vector<std::pair<std::string, std::string>> texts,
                         std::vector<std::pair<std::string, std::string>> dates = {}) {
    std::vector<std::pair<std::string, ItemValue>> items;
    for (auto& [name, text] : texts) items.push_back({name, ItemValue{ItemValue::Kind::Text, text, {}}});
    for (auto& [name, text] : dates) items.push_back({name, ItemValue{ItemValue::Kind::DateTime, text, {}}});
    return ContactDocument(std::move(items));
}


class PstExportWriter : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("brenmoor-pst-export-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The store's items (property ID -> property) in the order they were added: the rows
    // of the contacts folder's contents table (their NIDs follow from their identities).
    std::vector<std::map<std::uint16_t, check::Property>> items(const std::string& path) {
        check::Findings findings;
        check::PstFile file(path, findings);
        const check::NodeEntry* contents = file.node(0x808E); // the first user folder's
        const auto rows = check::readFrame(file, contents->bidData, contents->bidSub, "contents");
        const auto table = check::readTableContext(rows, "contents", findings).value();
        std::vector<std::map<std::uint16_t, check::Property>> out;
        for (std::size_t row = 0; row < table.rows.size(); ++row) {
            const check::NodeEntry* entry = file.node(check::le32(check::cell(table, row, 0x67F20003)->value()));
            const auto frame = check::readFrame(file, entry->bidData, entry->bidSub, "item");
            out.push_back(check::readPropertyContext(frame, "item", findings).value());
        }
        // Named properties: the map's entries give each contact LID its property ID.
        const check::NodeEntry* map = file.node(0x61);
        const auto frame = check::readFrame(file, map->bidData, map->bidSub, "map");
        const auto entries = check::readPropertyContext(frame, "map", findings).value().at(0x0003).value;
        for (std::size_t at = 0; at + 8 <= entries.size(); at += 8)
            lids_[check::le32(entries, at)] = static_cast<std::uint16_t>(0x8000 + (entries[at + 6] | (entries[at + 7] << 8)));
        return out;
    }
    std::string named(const std::map<std::uint16_t, check::Property>& item, std::uint32_t lid) {
        auto id = lids_.find(lid);
        if (id == lids_.end()) return "<unnamed>";
        auto it = item.find(id->second);
        return it == item.end() ? "<unset>" : check::utf16ToUtf8(it->second.value);
    }
    static std::string text(const std::map<std::uint16_t, check::Property>& item, std::uint16_t id) {
        auto it = item.find(id);
        return it == item.end() ? "<unset>" : check::utf16ToUtf8(it->second.value);
    }

    fs::path dir_;
    std::map<std::uint32_t, std::uint16_t> lids_;
};

TEST(PstFileName, TimeTextLosesColonsAndTheClockMarkers) {
    const std::pair<std::string, std::string> cases[] = {
        {"3:04:05 PM", "names30405.pst"},   {"9:05:07 AM", "names90507.pst"},
        {"9:05:07 PM", "names90507.pst"},   {"21:05:07", "names210507.pst"},
        {"21.05.07", "names21.05.07.pst"},  {"9:05:07 am", "names90507 am.pst"},
        {"9:05:07 p.m.", "names90507 p.m..pst"},
    };
    for (const auto& [time, name] : cases) EXPECT_EQ(pstFileName(time), name) << time;
}

TEST(PstFileName, FollowsTheLocalesClock) {
    const QLocale saved;
    const std::pair<const char*, std::string> cases[] = {
        {"en_US", "names30405.pst"}, {"de_DE", "names150405.pst"}, {"C", "names150405.pst"}};
    for (const auto& [locale, name] : cases) {
        QLocale::setDefault(QLocale(locale));
        EXPECT_EQ(pstFileName(brenmoor::notes::localeTimeText(15, 4, 5)), name) << locale;
    }
    QLocale::setDefault(saved);
}

TEST_F(PstExportWriter, AnExistingStoreIsKeptAndTheNextFreeNameIsTaken) {
    { std::ofstream(dir_ / "names150405.pst") << "first"; }
    { std::ofstream(dir_ / "names150405_2.pst") << "second"; }
    PstWriter writer([] { return std::string("15:04:05"); });
    writer.prepare(dir_.string());
    writer.close();
    EXPECT_EQ(writer.resultPath(), (dir_ / "names150405_3.pst").string());
    EXPECT_EQ(check::checkPstFile(writer.resultPath()), std::vector<std::string>{});
    std::ifstream first(dir_ / "names150405.pst"), second(dir_ / "names150405_2.pst");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(first), {}), "first");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(second), {}), "second");
}

// Two exports started in the same second, and a file made under their name meanwhile:
// each store takes the next free name when it is complete, and nothing is replaced.
TEST_F(PstExportWriter, StoresOfOneSecondEachTakeAFreeName) {
    PstWriter first([] { return std::string("15:04:05"); });
    PstWriter second([] { return std::string("15:04:05"); });
    first.prepare(dir_.string());
    second.prepare(dir_.string());
    { std::ofstream(dir_ / "names150405.pst") << "meanwhile"; }
    second.close();
    first.close();
    EXPECT_EQ(second.resultPath(), (dir_ / "names150405_2.pst").string());
    EXPECT_EQ(first.resultPath(), (dir_ / "names150405_3.pst").string());
    EXPECT_EQ(check::checkPstFile(first.resultPath()), std::vector<std::string>{});
    EXPECT_EQ(check::checkPstFile(second.resultPath()), std::vector<std::string>{});
    std::ifstream meanwhile(dir_ / "names150405.pst");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(meanwhile), {}), "meanwhile");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);
}

// A store given up (the run failed) leaves nothing in the folder.
TEST_F(PstExportWriter, AnAbandonedStoreLeavesNoFile) {
    {
        PstWriter writer([] { return std::string("15:04:05"); });
        writer.prepare(dir_.string());
        writer.writeContact(document({{"FirstName", "Ann"}}), 1);
        writer.abandon();
        EXPECT_EQ(writer.resultPath(), "");
    }
    {
        PstWriter writer([] { return std::string("15:04:05"); });
        writer.prepare(dir_.string());
    }
    EXPECT_TRUE(fs::is_empty(dir_));
}

// A failed write (a file size limit a little past the new store stands in for a full
// disk) ends the export at the contact it hit, with the system's reason and without the
// temporary name; the account of a failed run names the store it would have been.
TEST_F(PstExportWriter, AFailedWriteEndsTheExportSayingWhy) {
    { std::ofstream(dir_ / "names150405.pst") << "earlier"; }
    brenmoor::exporting::OutputRecord record;
    PstWriter writer([] { return std::string("15:04:05"); });
    writer.prepare(dir_.string());
    EXPECT_EQ(record.unfinished(), std::vector<std::string>{"names150405_2.pst"});
    std::uintmax_t written = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) written += entry.file_size();
    struct sigaction ignore {}, saved {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &saved);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit limit = before;
    limit.rlim_cur = written + (256 << 10);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string failure;
    for (int n = 1; n <= 2000 && failure.empty(); ++n) {
        try {
            writer.writeContact(document({{"LastName", "P" + std::to_string(n)}, {"Comment", std::string(4000, 'c')}}), n);
        } catch (const brenmoor::exporting::OutputBroken& e) {
            failure = e.what();
        }
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::sigaction(SIGXFSZ, &saved, nullptr);
    writer.abandon();
    EXPECT_EQ(failure, "The PST store could not be written: File too large. Make room on the disk or choose "
                       "another folder, then export again.");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(PstExportWriter, StorePathIsTheFolderASlashAndTheName) {
    auto storePath = [](const std::string& folder) {
        PstWriter writer([] { return std::string("brenmoor-test"); });
        writer.prepare(folder);
        writer.close();
        return writer.resultPath();
    };
    EXPECT_EQ(storePath(dir_.string() + "/"), (dir_ / "namesbrenmoor-test.pst").string());
    // A link, even a dangling one, is a name taken: the store never writes through it.
    fs::create_symlink(dir_ / "nowhere", dir_ / "n.pst");
    fs::rename(dir_ / "n.pst", dir_ / "namesbrenmoor-test_2.pst");
    EXPECT_EQ(storePath(dir_.string()), (dir_ / "namesbrenmoor-test_3.pst").string());
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "namesbrenmoor-test_2.pst"));
    if (::access("/", W_OK) == 0) {
        const std::string atRoot = storePath("/");
        EXPECT_EQ(atRoot.rfind("/namesbrenmoor-test", 0), 0u) << atRoot;
        EXPECT_EQ(check::checkPstFile(atRoot), std::vector<std::string>{});
        fs::remove(atRoot);
    }
}

TEST_F(PstExportWriter, AFolderThatCannotBeWrittenIsAClearFailure) {
    PstWriter writer([] { return std::string("1:02:03"); });
    try {
        writer.prepare((dir_ / "missing" / "deeper").string());
        FAIL() << "prepare succeeded";
    } catch (const std::exception& e) {
        // The path once, the system's reason, whole sentences.
        const std::string path = (dir_ / "missing" / "deeper" / "names10203.pst").string();
        EXPECT_EQ(std::string(e.what()), "Could not create the PST store \"" + path +
                                             "\": No such file or directory. Choose a folder you can write to.");
    }
    EXPECT_EQ(writer.resultPath(), "");
}

TEST_F(PstExportWriter, AnEmptyViewLeavesAStoreWithItsDefaultContactsFolder) {
    PstWriter writer([] { return std::string("1:02:03"); });
    writer.prepare(dir_.string());
    writer.close();
    const std::string path = writer.resultPath();
    EXPECT_EQ(check::checkPstFile(path), std::vector<std::string>{});
    check::Findings findings;
    check::PstFile file(path, findings);
    auto pc = [&](std::uint64_t nid) {
        const check::NodeEntry* e = file.node(nid);
        return check::readPropertyContext(check::readFrame(file, e->bidData, e->bidSub, "t"), "t", findings).value();
    };
    EXPECT_EQ(check::utf16ToUtf8(pc(0x21).at(0x3001).value), "Qalder Notes Contacts");
    const std::uint32_t contacts = check::le32(pc(0x122).at(0x36D1).value, 20);
    EXPECT_EQ(check::utf16ToUtf8(pc(contacts).at(0x3001).value), "Contacts");
    EXPECT_EQ(check::utf16ToUtf8(pc(contacts).at(0x3613).value), "IPF.Contact");
    EXPECT_EQ(check::le32(pc(contacts).at(0x3602).value), 0u);
    EXPECT_EQ(file.node(contacts)->parent, 0x8022u);
}

TEST_F(PstExportWriter, EachDocumentBecomesAContactWithItsItems) {
    PstWriter writer([] { return std::string("1:02:03"); });
    writer.prepare(dir_.string());
    writer.writeContact(document({{"FirstName", "Ann"}, {"LastName", "Lee"}, {"MailAddress", "ann@x.org"},
                                  {"PhoneNumber_6", "111"}, {"Comment", "likes tea"}, {"Title", "Ms."},
                                  {"OfficeCity", "Portland"}, {"OfficeState", "OR"}, {"OfficeZip", "97201"},
                                  {"NameDisplayPref", "Ann Lee"}, {"Categories", "Friends"}},
                                 {{"Birthday", "19780314T000000,00+01"}}),
                        1);
    writer.writeContact(document({{"FirstName", "Bo"}, {"MiscPhone1", "bo@x.org"}, {"PhoneNumber_6", "111"},
                                  {"PersPager", "222"}, {"Briefcase", "case"}, {"Birthday", "not a day"},
                                  {"FullName", "Bo Berg"}}),
                        2);
    writer.writeContact(document({{"LastName", "Old"}}, {{"Birthday", "12000101T000000,00"}}), 3);
    writer.close();
    ASSERT_EQ(check::checkPstFile(writer.resultPath()), std::vector<std::string>{});

    const auto all = items(writer.resultPath());
    ASSERT_EQ(all.size(), 3u);
    const auto &ann = all[0], &bo = all[1], &old = all[2];

    EXPECT_EQ(text(ann, 0x3A06), "Ann");
    EXPECT_EQ(text(ann, 0x3A45), "Ms.");
    EXPECT_EQ(named(ann, 0x8083), "ann@x.org"); // MiscPhone1 empty: MailAddress stays
    EXPECT_EQ(named(ann, 0x8080), "Ann Lee");
    EXPECT_EQ(text(ann, 0x3A21), "111");        // PersPager empty: PhoneNumber_6 stays
    EXPECT_EQ(text(ann, 0x1000), " Comments: likes tea");
    EXPECT_EQ(named(ann, 0x801B), "Portland, OR  97201");
    EXPECT_EQ(named(ann, 0x8005), "Lee, Ann");
    ASSERT_TRUE(ann.count(0x3A42));
    EXPECT_EQ(check::le64(ann.at(0x3A42).value), brenmoor::pst::messaging::localMidnight({1978, 3, 14}));

    EXPECT_EQ(named(bo, 0x8083), "bo@x.org");
    EXPECT_EQ(text(bo, 0x3A21), "111"); // the business pager is the pager,
    EXPECT_EQ(text(bo, 0x3A1F), "222"); // the personal one the other telephone number
    EXPECT_EQ(text(bo, 0x1000), "case Comments: \r\nBirthday: not a day");
    EXPECT_EQ(text(bo, 0x3001), "Bo Berg");
    EXPECT_FALSE(bo.count(0x3A42)); // a text that is no date leaves the birthday unset, in the body

    // A day no item can hold is left out too and kept in the body, and the rest is written.
    EXPECT_FALSE(old.count(0x3A42));
    EXPECT_EQ(text(old, 0x3A11), "Old");
    EXPECT_EQ(text(old, 0x1000), " Comments: \r\nBirthday: 1200-01-01");
    EXPECT_EQ(text(old, 0x001A), "IPM.Contact");
    EXPECT_EQ(text(old, 0x3A06), "<unset>");
}

TEST_F(PstExportWriter, EveryAddressAndPagerNumberIsKept) {
    // The e-mail items fill the emails in order, each address once; a fourth goes into
    // the body. The personal pager is the pager only where the business one is empty.
    // The other phone takes a spare number only where no other phone is there.
    struct Case {
        std::vector<std::pair<std::string, std::string>> texts;
        std::vector<std::string> emails; // e-mail 1, 2, 3 ("<unset>" where empty)
        std::string bodyEnd, pager, other;
    };
    const Case cases[] = {
        {{{"MailAddress", "m@x.org"}, {"MiscPhone1", "1@x.org"}, {"MiscPhone2", "2@x.org"}, {"MiscPhone3", "3@x.org"},
          {"PhoneNumber_6", "555 1"}, {"PersPager", "555 2"}},
         {"m@x.org", "1@x.org", "2@x.org"}, " Comments: \r\nE-mail 4: 3@x.org", "555 1", "555 2"},
        {{{"MailAddress", "m@x.org"}, {"MiscPhone1", "m@x.org"}, {"MiscPhone3", "3@x.org"}, {"PersPager", "555 2"}},
         {"m@x.org", "3@x.org", "<unset>"}, " Comments: ", "555 2", "<unset>"},
        {{{"MiscPhone2", "2@x.org"}, {"PhoneNumber_6", "555 1"}, {"PersPager", "555 1"}},
         {"2@x.org", "<unset>", "<unset>"}, " Comments: ", "555 1", "<unset>"},
        {{{"MailAddress", "m@x.org"}, {"MiscPhone1", "1@x.org"}, {"MiscPhone2", "2@x.org"}, {"MiscPhone3", "3@x.org"},
          {"Comment", "two\r\nlines\r\n"}},
         {"m@x.org", "1@x.org", "2@x.org"}, " Comments: two\r\nlines\r\nE-mail 4: 3@x.org", "<unset>", "<unset>"},
        // A real other phone keeps its slot from a third work number, which goes into the body.
        {{{"OfficePhoneNumber", "555 10"}, {"Work2Phone", "555 11"}, {"Work3Phone", "555 12"}, {"OtherPhone", "555 19"}},
         {"<unset>", "<unset>", "<unset>"}, " Comments: \r\nOffice phone: 555 12", "<unset>", "555 19"},
    };
    PstWriter writer([] { return std::string("1:02:03"); });
    writer.prepare(dir_.string());
    std::int64_t n = 0;
    for (const Case& c : cases) writer.writeContact(document(c.texts), ++n);
    writer.close();
    ASSERT_EQ(check::checkPstFile(writer.resultPath()), std::vector<std::string>{});
    const auto all = items(writer.resultPath());
    ASSERT_EQ(all.size(), std::size(cases));
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Case& c = cases[i];
        for (int slot = 0; slot < 3; ++slot)
            EXPECT_EQ(named(all[i], 0x8083 + 0x10 * slot), c.emails[slot]) << "case " << i << ", e-mail " << slot + 1;
        const std::string body = text(all[i], 0x1000);
        EXPECT_TRUE(body.ends_with(c.bodyEnd)) << "case " << i << ": " << body;
        EXPECT_EQ(text(all[i], 0x3A21), c.pager) << "case " << i;
        EXPECT_EQ(text(all[i], 0x3A1F), c.other) << "case " << i;
    }
}

TEST_F(PstExportWriter, MoreContactsThanASixteenBitCounterAreAllWritten) {
    PstWriter writer([] { return std::string("1:02:03"); });
    writer.prepare(dir_.string());
    constexpr std::int64_t kContacts = 33000;
    for (std::int64_t n = 1; n <= kContacts; ++n)
        writer.writeContact(document({{"LastName", "P" + std::to_string(n)}}), n);
    writer.close();
    EXPECT_EQ(check::checkPstFile(writer.resultPath()), std::vector<std::string>{});
    check::Findings findings;
    check::PstFile file(writer.resultPath(), findings);
    std::int64_t messages = 0;
    for (const auto& [nid, entry] : file.nodes()) messages += check::nidType(nid) == 0x04;
    EXPECT_EQ(messages, kContacts);
}

} // namespace
