// The export run as a user meets it: the messages, the folder prompt, the progress
// bar and the files in the folder, against small address books written as DXL.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/export_error.h"
#include "export/export_run.h"
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
    }
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

TEST_F(ExportRunTest, NoBookAsksNothingElse) {
    ExportRun run(ui);
    EXPECT_EQ(run.run(Format::Csv, ""), ExportRun::Outcome::NoBook);
    EXPECT_EQ(ui.events, std::vector<std::string>{"message File Not Selected!\r\n\r\nFirst Select "
                                                  "Names.nsf file using Browse button.."});
    EXPECT_TRUE(files().empty());
}

TEST_F(ExportRunTest, CancelledFolderChoiceDoesNothing) {
    ui.folder.clear();
    ExportRun run(ui);
    EXPECT_EQ(run.run(Format::Vcard, book({person("A", "B")})), ExportRun::Outcome::Cancelled);
    EXPECT_EQ(ui.events, std::vector<std::string>{kBrowse});
    EXPECT_TRUE(files().empty());
}

TEST_F(ExportRunTest, EmptyViewWritesOnlyTheSingleFiles) {
    const std::string path = book({}, "<document form='Group'><item name='FirstName'><text>x</text></item></document>");
    for (Format format : {Format::Csv, Format::Vcard, Format::Txt, Format::Html}) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run(format, path), ExportRun::Outcome::Completed);
        EXPECT_EQ(ui.events, (std::vector<std::string>{kBrowse, "range 0 0", kDone, "value 0"}));
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"Qalder_Notes_Contact.csv", "Qalder_Notes_Contact.vcf"}));
    EXPECT_EQ(read("Qalder_Notes_Contact.vcf"), "");
    const std::string csv = read("Qalder_Notes_Contact.csv");
    EXPECT_EQ(csv.substr(0, 11), "First Name,");
    EXPECT_EQ(csv.find("\r\n"), csv.size() - 2);
}

TEST_F(ExportRunTest, ProgressFollowsTheWalkAndFilesReplaceOldOnes) {
    const std::string path = book({person("Ann", "Lee"), person("Mary Ann", "van Dyke"), person("Ann", "Lee")});
    fs::create_directories(root / "out");
    std::ofstream(root / "out" / "AnnLee_1.txt") << "old content that is longer than the new one";
    EXPECT_EQ(ExportRun(ui).run(Format::Txt, path), ExportRun::Outcome::Completed);
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
    for (auto [format, before] : {std::pair{Format::Csv, std::vector<std::string>{kBrowse}},
                                  std::pair{Format::Html, std::vector<std::string>{kBrowse, "range 0 1", "value 1"}}}) {
        ui.events.clear();
        EXPECT_EQ(ExportRun(ui).run(format, path), ExportRun::Outcome::Failed);
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
    EXPECT_EQ(ExportRun(ui).run(Format::Vcard, path), ExportRun::Outcome::Failed);
    ASSERT_EQ(ui.events.size(), 3u);
    EXPECT_NE(ui.events[1].find("missing.dxl"), std::string::npos) << ui.events[1];
    EXPECT_EQ(ui.events[2], "value 0");
    EXPECT_TRUE(files().empty());
}

TEST_F(ExportRunTest, HundredThousandContactsAllExported) {
    std::vector<std::string> documents(100000, person("A", "B"));
    const std::string path = book(documents);
    EXPECT_EQ(ExportRun(ui).run(Format::Csv, path), ExportRun::Outcome::Completed);
    const std::string csv = read("Qalder_Notes_Contact.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 100001);
    ASSERT_GE(ui.events.size(), 3u);
    EXPECT_EQ(ui.events[ui.events.size() - 3], "value 100000");
}

// A writer that fails where told, for the tolerant and the strict paths of the run.
class FlakyWriter final : public FormatWriter {
public:
    FlakyWriter(bool tolerant, std::vector<std::int64_t> failing, std::vector<std::int64_t>& written)
        : tolerant_(tolerant), failing_(std::move(failing)), written_(written) {}
    void writeContact(const notes::ContactDocument&, std::int64_t n) override {
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

private:
    bool tolerant_;
    std::vector<std::int64_t> failing_;
    std::vector<std::int64_t>& written_;
};

TEST_F(ExportRunTest, TolerantWriterSkipsAndCountsFailures) {
    const std::string path = book({person("A", "1"), person("A", "2"), person("A", "3"), person("A", "4")});
    std::vector<std::int64_t> written;
    ExportRun run(ui);
    EXPECT_EQ(run.run([&] { return std::make_unique<FlakyWriter>(true, std::vector<std::int64_t>{2, 3}, written); }, path),
              ExportRun::Outcome::Completed);
    EXPECT_EQ(written, (std::vector<std::int64_t>{1, 4}));
    EXPECT_EQ(ui.events[ui.events.size() - 2],
              "message Conversion Process Completed\r\n\r\n2 of 4 contacts could not be written. "
              "The first failure: contact 2 has no room.");
    EXPECT_EQ(run.resultPath(), "/store.pst");

    // A book that cannot be read: nothing written, still completed, and said so.
    ui.events.clear();
    written.clear();
    EXPECT_EQ(run.run([&] { return std::make_unique<FlakyWriter>(true, std::vector<std::int64_t>{}, written); },
                      (root / "missing.dxl").string()),
              ExportRun::Outcome::Completed);
    EXPECT_TRUE(written.empty());
    const std::string& message = ui.events[ui.events.size() - 2];
    EXPECT_EQ(message.rfind("message Conversion Process Completed\r\n\r\nNo contact was written", 0), 0u) << message;
    EXPECT_NE(message.find("missing.dxl"), std::string::npos) << message;
}

TEST_F(ExportRunTest, StrictWriterStopsAtTheFirstFailure) {
    const std::string path = book({person("A", "1"), person("A", "2"), person("A", "3")});
    std::vector<std::int64_t> written;
    ExportRun run(ui);
    EXPECT_EQ(run.run([&] { return std::make_unique<FlakyWriter>(false, std::vector<std::int64_t>{2}, written); }, path),
              ExportRun::Outcome::Failed);
    EXPECT_EQ(written, std::vector<std::int64_t>{1});
    EXPECT_EQ(ui.events, (std::vector<std::string>{kBrowse, "range 0 3", "value 1", "value 2",
                                                   "message contact 2 has no room.", "value 0"}));
    EXPECT_EQ(run.resultPath(), "");
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
                                                       "message the disk is full.", "value 0"}));
    }
}

TEST(OutputFileTest, FullDiskIsNeverSuccess) {
    OutputFile file;
    file.create("/dev/full");
    file.append("a line\r\n");
    try {
        file.close();
        FAIL() << "closing a file on a full disk reported success";
    } catch (const ExportError& e) {
        EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos);
    }
    EXPECT_THROW(writeWholeFile("/dev/full", "page"), ExportError);
}

TEST(OutputPathTest, JoinsWithOneSlash) {
    EXPECT_EQ(outputPath("/", "x"), "/x");
    EXPECT_EQ(outputPath("/home/u/out", "a.csv"), "/home/u/out/a.csv");
    EXPECT_EQ(outputPath("/home/u/out/", "a.csv"), "/home/u/out/a.csv");
    EXPECT_EQ(outputPath("C:\\\\\\x", "a"), "C:\\\\\\x/a");
}

} // namespace
} // namespace brenmoor::exporting
