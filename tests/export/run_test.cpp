// The export run as a user meets it: the messages, the folder prompt, the progress
// bar and the files in the folder, against small address books written as DXL.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sstream>
#include <string>
#include <vector>

#include "export/export_error.h"
#include "export/export_run.h"
#include "export/output_formats.h"
#include "export/output_file.h"

namespace brenmoor::exporting {
namespace {

namespace fs = std::filesystem;

// Records what the run asks of the user, in order.
class RecordingUi final : public ExportUi {
public:
    std::string folder;
    std::vector<std::string> events;

    std::string browseForFolder(const std::string& prompt) override {
        events.push_back("browse " + prompt);
        return folder;
    }
    void showMessage(const std::string& text) override { events.push_back("message " + text); }
    void setProgressRange(std::int64_t minimum, std::int64_t maximum) override {
        events.push_back("range " + std::to_string(minimum) + " " + std::to_string(maximum));
    }
    void setProgressValue(std::int64_t value) override {
        events.push_back("value " + std::to_string(value));
        lastValue = value;
    }
    bool stopRequested() override { return stopAfter > 0 && lastValue >= stopAfter; }

    std::int64_t stopAfter = 0; // asks the run to stop once this contact is written
    std::int64_t lastValue = 0;
};

class ExportRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("brenmoor-export-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "out");
        ui.folder = (root / "out").string();
    }
    void TearDown() override { fs::remove_all(root); }

    // A book of Person documents, each given as its items' DXL.
    std::string book(const std::vector<std::string>& documents, const std::string& tail = "") {
        std::string dxl = "<?xml version='1.0' encoding='utf-8'?>\n"
                          "<database xmlns='http://www.lotus.com/dxl' version='8.5'>\n";
        for (const std::string& items : documents)
            dxl += "<document form='Person'>" + items + "</document>\n";
        dxl += tail + "</database>\n";
        const std::string path = (root / "names.dxl").string();
        std::ofstream(path, std::ios::binary) << dxl;
        return path;
    }
    static std::string person(const std::string& first, const std::string& last) {
        return "<item name='FirstName'><text>" + first + "</text></item><item name='LastName'><text>" +
               last + "</text></item>";
    }
    std::string read(const std::string& name) {
        std::ifstream in(root / "out" / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root / "out"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root;
    RecordingUi ui;
};

const std::string kBrowse = "browse Please select a Server folder.";
const std::string kDone = "message Conversion Process Completed";

// A book is known by its replica ID, else by the mailbox or user it goes to, else by its
// file name wherever it lies; its content plays no part.
TEST(BookIdentity, ReplicaThenOwnerThenFileName) {
    using brenmoor::exporting::bookIdentity;
    EXPECT_EQ(bookIdentity("85257d1100c0ffee", "ann@example.com", "/a/names.dxl"), "replica:85257D1100C0FFEE");
    EXPECT_EQ(bookIdentity("", " Ann.Lee@Example.com ", "/a/names.dxl"), "owner:ann.lee@example.com");
    EXPECT_EQ(bookIdentity("", "  ", "/a/names.dxl"), bookIdentity("", "", "/b/c/names.dxl"));
    EXPECT_EQ(bookIdentity("", "", "names.dxl"), "file:names.dxl");
}

TEST_F(ExportRunTest, NoBookAsksNothingElse) {
    ExportRun run(ui);
    EXPECT_EQ(run.run(outputFormat("csv"), ""), ExportRun::Outcome::NoBook);
    EXPECT_EQ(ui.events, std::vector<std::string>{"message File Not Selected!\r\n\r\nFirst Select "
                                                  "Names.nsf file using Browse button.."});
    EXPECT_TRUE(files().empty());
}

TEST_F(ExportRunTest, CancelledFolderChoiceDoesNothing) {
    ui.folder.clear();
    ExportRun run(ui);
    EXPECT_EQ(run.run(outputFormat("vcard"), book({person("A", "B")})), ExportRun::Outcome::Cancelled);
    EXPECT_EQ(ui.events, std::vector<std::string>{kBrowse});
    EXPECT_TRUE(files().empty());
}

TEST_F(ExportRunTest, EmptyViewWritesOnlyTheSingleFiles) {
    const std::string path = book({}, "<document form='Group'><item name='FirstName'><text>x</text></item></document>");
    for (const char* format : {"csv", "vcard", "txt", "html"}) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run(outputFormat(format), path), ExportRun::Outcome::Completed);
        EXPECT_EQ(ui.events, (std::vector<std::string>{kBrowse, "range 0 0", kDone, "value 0"}));
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"Qalder_Notes_Contact.csv", "Qalder_Notes_Contact.vcf"}));
    EXPECT_EQ(read("Qalder_Notes_Contact.vcf"), "");
    const std::string csv = read("Qalder_Notes_Contact.csv");
    EXPECT_EQ(csv.substr(0, 11), "First Name,");
    EXPECT_EQ(csv.find("\r\n"), csv.size() - 2);
}

// A stop keeps every file complete before it, drops the one in progress, and leaves
// what was in the folder as it was.
TEST_F(ExportRunTest, StopKeepsCompleteFilesAndDropsTheUnfinishedOne) {
    const std::string path = book({person("Ann", "Lee"), person("Bea", "Ray"), person("Cy", "Orr")});
    std::ofstream(root / "out" / "Qalder_Notes_Contact.csv") << "earlier";
    ui.stopAfter = 2;
    EXPECT_EQ(ExportRun(ui).run(outputFormat("txt"), path), ExportRun::Outcome::Stopped);
    EXPECT_EQ(ui.events.at(4), "message Export cancelled: 2 contacts were written. 2 files were written to \"" +
                                   ui.folder + "\" (AnnLee_1.txt to BeaRay_2.txt); every other file in the folder "
                                               "is kept as it was.");
    ui.events.clear();
    EXPECT_EQ(ExportRun(ui).run(outputFormat("csv"), path), ExportRun::Outcome::Stopped);
    EXPECT_EQ(ui.events.at(4), "message Export cancelled: 0 contacts were written. Qalder_Notes_Contact.csv was not "
                               "written; every file in \"" + ui.folder + "\" is kept as it was.");
    EXPECT_EQ(files(), (std::vector<std::string>{"AnnLee_1.txt", "BeaRay_2.txt", "Qalder_Notes_Contact.csv"}));
    EXPECT_EQ(read("Qalder_Notes_Contact.csv"), "earlier");
}

TEST_F(ExportRunTest, ProgressFollowsTheWalkAndFilesReplaceOldOnes) {
    const std::string path = book({person("Ann", "Lee"), person("Mary Ann", "van Dyke"), person("Ann", "Lee")});
    fs::create_directories(root / "out");
    std::ofstream(root / "out" / "AnnLee_1.txt") << "old content that is longer than the new one";
    EXPECT_EQ(ExportRun(ui).run(outputFormat("txt"), path), ExportRun::Outcome::Completed);
    EXPECT_EQ(ui.events, (std::vector<std::string>{kBrowse, "range 0 3", "value 1", "value 2",
                                                   "value 3", kDone, "value 0"}));
    EXPECT_EQ(files(), (std::vector<std::string>{"AnnLee_1.txt", "AnnLee_3.txt", "Mary_Annvan_Dyke_2.txt"}));
    EXPECT_EQ(read("AnnLee_1.txt").substr(0, 33), "Full Name :          \r\nFirst Name");
    EXPECT_EQ(read("AnnLee_1.txt").find("old"), std::string::npos);
}

TEST_F(ExportRunTest, UnwritableFolderIsReportedWithFileAndReason) {
    // A folder path that is a plain file: creating anything in it fails even for root.
    std::ofstream(root / "blocker") << "x";
    ui.folder = (root / "blocker").string();
    const std::string path = book({person("A", "B")});
    // The CSV file is made before the count, an HTML page in the first contact's step.
    for (auto [format, before] : {std::pair{"csv", std::vector<std::string>{kBrowse}},
                                  std::pair{"html", std::vector<std::string>{kBrowse, "range 0 1", "value 1"}}}) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run(outputFormat(format), path), ExportRun::Outcome::Failed);
        ASSERT_EQ(ui.events.size(), before.size() + 2);
        EXPECT_EQ(std::vector<std::string>(ui.events.begin(), ui.events.begin() + before.size()), before);
        const std::string& message = ui.events[before.size()];
        EXPECT_NE(message.find(ui.folder + "/"), std::string::npos) << message;
        EXPECT_NE(message.find("Not a directory"), std::string::npos) << message;
        EXPECT_EQ(ui.events.back(), "value 0");
    }
}

TEST_F(ExportRunTest, UnreadableBookFailsWithItsReason) {
    const std::string path = (root / "missing.dxl").string();
    EXPECT_EQ(ExportRun(ui).run(outputFormat("vcard"), path), ExportRun::Outcome::Failed);
    ASSERT_EQ(ui.events.size(), 3u);
    EXPECT_NE(ui.events[1].find("missing.dxl"), std::string::npos) << ui.events[1];
    EXPECT_EQ(ui.events[2], "value 0");
    EXPECT_TRUE(files().empty());
}

TEST_F(ExportRunTest, HundredThousandContactsAllExported) {
    std::vector<std::string> documents(100000, person("A", "B"));
    const std::string path = book(documents);
    EXPECT_EQ(ExportRun(ui).run(outputFormat("csv"), path), ExportRun::Outcome::Completed);
    const std::string csv = read("Qalder_Notes_Contact.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 100001);
    ASSERT_GE(ui.events.size(), 3u);
    EXPECT_EQ(ui.events[ui.events.size() - 3], "value 100000");
}

// A book that breaks at its third contact: the count finds four, the walk reads two.
const std::vector<std::string> kBreaksAtThree{
    "<item name='FirstName'><text>Ann</text></item><item name='LastName'><text>Lee</text></item>",
    "<item name='FirstName'><text>Bob</text></item><item name='LastName'><text>Ray</text></item>",
    "<item name='FirstName'><text>x</txt></item>",
    "<item name='FirstName'><text>Cy</text></item><item name='LastName'><text>Doe</text></item>"};

TEST_F(ExportRunTest, AFailedRunLeavesEveryEarlierFileAsItWas) {
    const std::string path = book(kBreaksAtThree);
    const std::vector<std::string> earlier{"CyDoe_4.html", "CyDoe_4.txt", "Qalder_Notes_Contact.csv",
                                           "Qalder_Notes_Contact.vcf"};
    for (const std::string& name : earlier) std::ofstream(root / "out" / name) << "earlier";
    const std::string stopped = "message The export stopped at contact 3 of 4.\r\n\r\nThe address book \"" + path;
    const struct {
        const char* format;
        std::vector<std::string> written;
        std::string account;
    } cases[] = {
        {"csv", {}, "Qalder_Notes_Contact.csv was not written; every file in \"" + ui.folder + "\" is kept as it was."},
        {"vcard", {}, "Qalder_Notes_Contact.vcf was not written; every file in \"" + ui.folder + "\" is kept as it was."},
        {"txt", {"AnnLee_1.txt", "BobRay_2.txt"},
         "2 files were written to \"" + ui.folder + "\" (AnnLee_1.txt to BobRay_2.txt); every other file in the "
         "folder is kept as it was."},
        {"html", {"AnnLee_1.html", "BobRay_2.html"},
         "2 files were written to \"" + ui.folder + "\" (AnnLee_1.html to BobRay_2.html); every other file in the "
         "folder is kept as it was."},
    };
    for (const auto& c : cases) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run(outputFormat(c.format), path), ExportRun::Outcome::Failed);
        const std::string& message = ui.events[ui.events.size() - 2];
        EXPECT_EQ(message.rfind(stopped, 0), 0u) << message;
        EXPECT_EQ(message.substr(message.rfind("\r\n") + 2), c.account);
        for (const std::string& name : earlier) EXPECT_EQ(read(name), "earlier") << name;
        // The pages of the contacts before the stop are whole, each its own contact's.
        for (const std::string& name : c.written) {
            const std::string page = read(name);
            EXPECT_TRUE(name.ends_with(".html") ? page.ends_with("</body></html>\r\n")
                                                : std::count(page.begin(), page.end(), '\n') == 45)
                << name;
            EXPECT_NE(page.find(name.substr(0, 3)), std::string::npos) << name; // "Ann", "Bob"
        }
    }
    std::vector<std::string> expected = earlier;
    for (const std::string name : {"AnnLee_1.html", "AnnLee_1.txt", "BobRay_2.html", "BobRay_2.txt"})
        expected.push_back(name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files(), expected); // and no temporary file
}

TEST_F(ExportRunTest, ALinkAtAnOutputNameIsReplacedAndItsTargetKept) {
    std::ofstream(root / "precious") << "precious";
    fs::create_symlink(root / "precious", root / "out" / "Qalder_Notes_Contact.csv");
    fs::create_symlink(root / "precious", root / "out" / "AnnLee_1.txt");
    fs::create_symlink(root / "nowhere", root / "out" / "Qalder_Notes_Contact.vcf");
    const std::string path = book({person("Ann", "Lee")});
    for (const char* format : {"csv", "txt", "vcard"})
        EXPECT_EQ(ExportRun(ui).run(outputFormat(format), path), ExportRun::Outcome::Completed);
    std::ifstream in(root / "precious");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
    EXPECT_FALSE(fs::exists(root / "nowhere"));
    for (const std::string name : {"Qalder_Notes_Contact.csv", "AnnLee_1.txt", "Qalder_Notes_Contact.vcf"})
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root / "out" / name))) << name;
    EXPECT_EQ(read("Qalder_Notes_Contact.csv").rfind("First Name,", 0), 0u);
}

TEST_F(ExportRunTest, WhatIsNotAFileAtAnOutputNameIsNeverReplaced) {
    ASSERT_EQ(::mkfifo((root / "out" / "Qalder_Notes_Contact.csv").c_str(), 0600), 0);
    fs::create_directory(root / "out" / "AnnLee_1.txt");
    const std::string path = book({person("Ann", "Lee")});
    for (const char* format : {"csv", "txt"}) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run(outputFormat(format), path), ExportRun::Outcome::Failed);
        EXPECT_NE(ui.events[ui.events.size() - 2].find("something that is not a file has that name"),
                  std::string::npos) << ui.events[ui.events.size() - 2];
    }
    EXPECT_TRUE(fs::is_fifo(root / "out" / "Qalder_Notes_Contact.csv"));
    EXPECT_TRUE(fs::is_directory(root / "out" / "AnnLee_1.txt"));
    EXPECT_EQ(files(), (std::vector<std::string>{"AnnLee_1.txt", "Qalder_Notes_Contact.csv"}));
}

// The run follows the walk to its end, whatever the count says; where they disagree
// it fails rather than leave a contact out.
TEST_F(ExportRunTest, ContactsBeyondTheCountAreNeverDropped) {
    // A DTD that makes the form attribute a token, whose value the parser normalises.
    const std::string path = (root / "names.dxl").string();
    std::ofstream(path) << "<?xml version='1.0' encoding='utf-8'?>\n"
                           "<!DOCTYPE database [<!ATTLIST document form NMTOKEN #IMPLIED>]>\n"
                           "<database xmlns='http://www.lotus.com/dxl' version='8.5'>\n"
                           "<document form='Person'>" + person("Ann", "Lee") + "</document>\n"
                           "<document form=' Person '>" + person("Bob", "Ray") + "</document>\n"
                           "</database>\n";
    const ExportRun::Outcome outcome = ExportRun(ui).run(outputFormat("csv"), path);
    if (outcome == ExportRun::Outcome::Completed) {
        const std::string csv = read("Qalder_Notes_Contact.csv");
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << csv;
    } else {
        EXPECT_EQ(outcome, ExportRun::Outcome::Failed);
        EXPECT_TRUE(files().empty());
        const std::string& message = ui.events[ui.events.size() - 2];
        EXPECT_NE(message.find("gave 2 contacts where its count said 1"), std::string::npos) << message;
    }
}

// A writer that fails where told, for the tolerant and the strict paths of the run.
class FlakyWriter final : public FormatWriter {
public:
    FlakyWriter(bool tolerant, std::vector<std::int64_t> failing, std::vector<std::int64_t>& written)
        : tolerant_(tolerant), failing_(std::move(failing)), written_(written) {}
    void writeContact(notes::ContactDocument&&, std::int64_t n) override {
        if (onContact) onContact(n);
        if (n == brokenAt) throw OutputBroken("the disk is full.");
        if (std::find(failing_.begin(), failing_.end(), n) != failing_.end())
            throw ExportError("contact " + std::to_string(n) + " has no room.");
        written_.push_back(n);
    }
    void close() override {
        if (closeFails) throw ExportError("the disk is full.");
    }
    bool errorTolerant() const override { return tolerant_; }
    std::string resultPath() const override { return "/store.pst"; }

    bool closeFails = false;
    std::int64_t brokenAt = 0; // the contact at which the output breaks for good
    std::function<void(std::int64_t)> onContact;

private:
    bool tolerant_;
    std::vector<std::int64_t> failing_;
    std::vector<std::int64_t>& written_;
};

TEST_F(ExportRunTest, TolerantWriterSkipsAndCountsFailures) {
    const std::string path = book({person("A", "1"), person("A", "2"), person("A", "3"), person("A", "4")});
    std::vector<std::int64_t> written;
    ExportRun run(ui);
    auto flaky = [&](std::vector<std::int64_t> failing) {
        return [&written, failing] { return std::make_unique<FlakyWriter>(true, failing, written); };
    };
    EXPECT_EQ(run.run(flaky({2, 3}), path), ExportRun::Outcome::CompletedWithSkips);
    EXPECT_EQ(written, (std::vector<std::int64_t>{1, 4}));
    EXPECT_EQ(ui.events[ui.events.size() - 2],
              "message Conversion Process Completed\r\n\r\n2 contacts of 4 could not be written. "
              "The first failure: contact 2 has no room.");
    EXPECT_EQ(run.resultPath(), "/store.pst");

    ui.events.clear();
    EXPECT_EQ(run.run(flaky({1}), book({person("A", "1")})), ExportRun::Outcome::CompletedWithSkips);
    EXPECT_EQ(ui.events[ui.events.size() - 2],
              "message Conversion Process Completed\r\n\r\n1 contact of 1 could not be written. "
              "The first failure: contact 1 has no room.");

    // A book that breaks after some contacts: those are kept, the rest is accounted for.
    ui.events.clear();
    written.clear();
    EXPECT_EQ(run.run(flaky({}), book({person("A", "1"), person("A", "2"), "<item name='X'><text>x</txt></item>",
                                       person("A", "4")})),
              ExportRun::Outcome::CompletedWithSkips);
    EXPECT_EQ(written, (std::vector<std::int64_t>{1, 2}));
    const std::string& message = ui.events[ui.events.size() - 2];
    EXPECT_EQ(message.rfind("message Conversion Process Completed\r\n\r\n2 contacts of 4 could not be written. "
                            "The address book could not be read after contact 2: ", 0), 0u) << message;
}

// A book that cannot be read at all is a failure also for a tolerant writer: nothing
// of the run stays, and the message names the book and the reason.
TEST_F(ExportRunTest, UnreadableBookFailsEveryFormat) {
    const std::string malformed = book({"<item name='X'><text>x</txt></item>", person("A", "2")});
    std::vector<std::int64_t> written;
    for (const std::string& path : {(root / "missing.dxl").string(), malformed}) {
        ui.events.clear();
        ExportRun run(ui);
        EXPECT_EQ(run.run([&] { return std::make_unique<FlakyWriter>(true, std::vector<std::int64_t>{}, written); },
                          path),
                  ExportRun::Outcome::Failed);
        EXPECT_TRUE(written.empty());
        EXPECT_EQ(run.resultPath(), "");
        const std::string& message = ui.events[ui.events.size() - 2];
        EXPECT_EQ(message.rfind("message The export stopped before any contact was exported.\r\n\r\n", 0), 0u)
            << message;
        EXPECT_NE(message.find("address book \"" + path + "\""), std::string::npos) << message;
    }
    // The PST store is created before the book is read, and removed again.
    ui.events.clear();
    EXPECT_EQ(ExportRun(ui).run(outputFormat("pst"), malformed), ExportRun::Outcome::Failed);
    EXPECT_TRUE(files().empty());
    const std::string& message = ui.events[ui.events.size() - 2];
    EXPECT_NE(message.find(".pst was not written; every file in \"" + ui.folder + "\" is kept as it was."),
              std::string::npos) << message;
}

TEST_F(ExportRunTest, StrictWriterStopsAtTheFirstFailure) {
    const std::string path = book({person("A", "1"), person("A", "2"), person("A", "3")});
    std::vector<std::int64_t> written;
    ExportRun run(ui);
    EXPECT_EQ(run.run([&] { return std::make_unique<FlakyWriter>(false, std::vector<std::int64_t>{2}, written); }, path),
              ExportRun::Outcome::Failed);
    EXPECT_EQ(written, std::vector<std::int64_t>{1});
    EXPECT_EQ(ui.events, (std::vector<std::string>{kBrowse, "range 0 3", "value 1", "value 2",
                                                   "message The export stopped at contact 2 of 3.\r\n\r\n"
                                                   "contact 2 has no room.\r\n\r\n"
                                                   "No file was written; every file in \"" + ui.folder +
                                                       "\" is kept as it was.",
                                                   "value 0"}));
    EXPECT_EQ(run.resultPath(), "");
}

// An output that breaks (a full disk) ends a tolerant run at once; a book that grew
// after it was counted never gives "contact 3 of 2".
TEST_F(ExportRunTest, ABrokenOutputOrAGrownBookStopsTheRunSayingWhere) {
    const std::string path = book({person("A", "1"), person("A", "2"), person("A", "3")});
    std::vector<std::int64_t> written;
    EXPECT_EQ(ExportRun(ui).run([&] {
        auto writer = std::make_unique<FlakyWriter>(true, std::vector<std::int64_t>{}, written);
        writer->brokenAt = 2;
        return writer;
    }, path), ExportRun::Outcome::Failed);
    EXPECT_EQ(written, std::vector<std::int64_t>{1});
    EXPECT_EQ(ui.events[ui.events.size() - 2], "message The export stopped at contact 2 of 3.\r\n\r\n"
                                               "the disk is full.\r\n\r\nNo file was written; every file in \"" +
                                                   ui.folder + "\" is kept as it was.");

    // The book grows by a contact while the first is written; where the walk reads it
    // (it may notice the change instead), the run stops there.
    ui.events.clear();
    written.clear();
    const std::string grown = book({person("A", "1"), person("A", "2")});
    std::vector<std::int64_t> seen;
    const ExportRun::Outcome outcome = ExportRun(ui).run([&] {
        auto writer = std::make_unique<FlakyWriter>(false, std::vector<std::int64_t>{3}, written);
        writer->onContact = [&](std::int64_t n) {
            seen.push_back(n);
            if (n == 1) book({person("A", "1"), person("A", "2"), person("A", "3")});
        };
        return writer;
    }, grown);
    const std::string& message = ui.events[ui.events.size() - 2];
    if (seen.size() == 3) {
        EXPECT_EQ(outcome, ExportRun::Outcome::Failed);
        EXPECT_EQ(message, "message The export stopped at contact 3, past the 2 the address book held when the "
                           "export began.\r\n\r\ncontact 3 has no room.\r\n\r\nNo file was written; every file in \"" +
                               ui.folder + "\" is kept as it was.");
    }
    EXPECT_EQ(message.find(" of 2."), std::string::npos) << message;
}

TEST_F(ExportRunTest, FailedCloseIsNeverCompletion) {
    const std::string path = book({person("A", "1")});
    std::vector<std::int64_t> written;
    for (bool tolerant : {false, true}) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run([&] {
            auto writer = std::make_unique<FlakyWriter>(tolerant, std::vector<std::int64_t>{}, written);
            writer->closeFails = true;
            return writer;
        }, path), ExportRun::Outcome::Failed);
        EXPECT_EQ(ui.events, (std::vector<std::string>{kBrowse, "range 0 1", "value 1",
                                                       "message The export stopped while completing its files."
                                                       "\r\n\r\nthe disk is full.\r\n\r\nNo file was written; "
                                                       "every file in \"" + ui.folder + "\" is kept as it was.",
                                                       "value 0"}));
    }
}

TEST_F(ExportRunTest, DataThatDoesNotReachTheDiskIsNeverSuccess) {
    const fs::path target = root / "out" / "a.csv";
    std::ofstream(target) << "earlier";
    // A file size limit stands in for a full disk: writes beyond it fail with EFBIG.
    struct sigaction ignore {}, saved {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &saved);
    rlimit limit{}, before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    limit = before;
    limit.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    OutputFile file;
    file.create(target.string());
    file.append(std::string(8192, 'x'));
    std::string failure;
    try {
        file.close();
    } catch (const ExportError& e) {
        failure = e.what();
    }
    bool wholeFileFailed = false;
    try {
        writeWholeFile(target.string(), std::string(8192, 'y'));
    } catch (const ExportError&) {
        wholeFileFailed = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::sigaction(SIGXFSZ, &saved, nullptr);
    EXPECT_NE(failure.find(target.string()), std::string::npos) << failure;
    EXPECT_NE(failure.find("File too large"), std::string::npos) << failure;
    EXPECT_TRUE(wholeFileFailed);
    EXPECT_EQ(read("a.csv"), "earlier");
    EXPECT_EQ(files(), std::vector<std::string>{"a.csv"});
}

TEST(OutputPathTest, JoinsWithOneSlash) {
    EXPECT_EQ(outputPath("/", "x"), "/x");
    EXPECT_EQ(outputPath("/home/u/out", "a.csv"), "/home/u/out/a.csv");
    EXPECT_EQ(outputPath("/home/u/out/", "a.csv"), "/home/u/out/a.csv");
    EXPECT_EQ(outputPath("C:\\\\\\x", "a"), "C:\\\\\\x/a");
}

} // namespace
} // namespace brenmoor::exporting
