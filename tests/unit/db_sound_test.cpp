// The sound download: layout, progress, logs, and the old sounds kept when a
// download brings nothing. The server is a folder reached with file:// URLs.
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "platform/platform.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::readFile;
using dbtest::writeFile;

class SoundTest : public dbtest::DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        // Each case has its own root and server folder: cases may run side by side.
        folder =
            std::string("sound-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::system(("rm -rf " + folder).c_str());
        dbtest::useRoot(folder);
        std::system(("mkdir -p " + platform::path("/home/pi")).c_str());
        sounds = platform::path("/home/pi/sounds");
        server = "file://" + platform::path("/srv");
        addSchedule(1, "A1", "ENG", {0, 0, 0});
        addSchedule(2, "B2", "ENG", {0, 0});
        addSchedule(3, "C3", "FRA", {1});
        serve("ENG", "A1", {"01", "02", "03", "01L", "02L", "03L", "P"});
        serve("FRA", "C3", {"01", "P"});
        keep("#ENG/PGM/A1/09.WAV");
        keep("#ENG/PGM/B2/01.WAV");
        keep("#ENG/PGM/GONE/01.WAV");
    }
    void TearDown() override {
        DbTest::TearDown();
        dbtest::useRoot("");
        std::system(("rm -rf " + folder).c_str());
    }

    void serve(const std::string& lang, const std::string& name,
               const std::vector<std::string>& files) {
        std::string at = platform::path("/srv/SD-Template/#" + lang + "/PGM/" + name);
        std::system(("mkdir -p '" + at + "'").c_str());
        for (const std::string& f : files) writeFile(at + "/" + f + ".WAV", "new " + f);
    }
    void keep(const std::string& path) {
        std::string full = sounds + "/" + path;
        std::system(("mkdir -p '" + full.substr(0, full.rfind('/')) + "'").c_str());
        writeFile(full, "old");
    }
    std::string sound(const std::string& path) { return readFile(sounds + "/" + path); }

    int download(const std::string& from) {
        shown.clear();
        printed.clear();
        return store->_download_sound(
            from, [this](int row, const std::string& text) { shown.emplace_back(row, text); },
            [this](const std::string& line) { printed.push_back(line); });
    }

    std::string folder;
    std::string sounds;
    std::string server;
    std::vector<std::pair<int, std::string>> shown;
    std::vector<std::string> printed;
};

TEST_F(SoundTest, NewSoundsReplaceTheOldOnesScheduleBySchedule) {
    watch();
    EXPECT_EQ(download(server), 1);
    std::string out = output();
    EXPECT_NE(out.find("/PGM/A1/[01-03].WAV"), std::string::npos) << out;
    EXPECT_NE(out.find("/PGM/A1/[01-03]L.WAV"), std::string::npos) << out;
    EXPECT_NE(out.find("SD-Template/%23ENG/PGM/A1/P.WAV"), std::string::npos) << out;
    EXPECT_EQ(sound("#ENG/PGM/A1/01.WAV"), "new 01");
    EXPECT_EQ(sound("#ENG/PGM/A1/03L.WAV"), "new 03L");
    EXPECT_EQ(sound("#ENG/PGM/A1/P.WAV"), "new P");
    EXPECT_EQ(sound("#ENG/PGM/A1/09.WAV"), "");     // the folder is the new download
    EXPECT_EQ(sound("#ENG/PGM/B2/01.WAV"), "old");  // nothing came: old sounds stay
    EXPECT_EQ(sound("#ENG/PGM/GONE/01.WAV"), "");   // no longer in the catalogue
    EXPECT_EQ(sound("#FRA/PGM/C3/01.WAV"), "new 01");
    EXPECT_EQ(readFile(platform::path("/home/pi/logSchedules.txt")),
              "Language : ENG\n"
              "              A1      Nb : 3\n"
              "              B2      Nb : 2\n"
              "Language : FRA\n"
              "              C3      Nb : 1\n");
}

TEST_F(SoundTest, ProgressOnDisplayAndPaper) {
    download(server);
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "ENG"}, {2, "A1"}, {2, "B2"}, {1, "FRA"}, {2, "C3"}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(printed, std::vector<std::string>({"ENG/A1", "ENG/B2", "FRA/C3"}));
}

TEST_F(SoundTest, UnreachableServerKeepsEveryOldSound) {
    EXPECT_EQ(download("file://" + platform::path("/no-server")), 1);
    EXPECT_EQ(sound("#ENG/PGM/A1/09.WAV"), "old");
    EXPECT_EQ(sound("#ENG/PGM/B2/01.WAV"), "old");
    EXPECT_EQ(readFile(platform::path("/home/pi/logCurl.txt")), "");
}

TEST_F(SoundTest, NamesThatLeaveTheirFolderAreNotDownloaded) {
    addSchedule(4, "../../../escape", "ENG", {0});
    addSchedule(5, "x'; touch hacked; '", "FRA", {0});
    watch();
    EXPECT_EQ(download(server), 1);
    EXPECT_NE(output().find("error: unsafe schedule name ENG/../../../escape"), std::string::npos);
    std::string hacked = platform::path("/home/pi/sounds/#FRA/PGM.new/hacked");
    EXPECT_EQ(std::system(("test -e '" + hacked + "' || test -e hacked").c_str()), 256);
    EXPECT_EQ(sound("#ENG/PGM/A1/01.WAV"), "new 01");
}

TEST_F(SoundTest, NineFiguresAskForTwoDigitNumbers) {
    addSchedule(6, "N9", "ENG", {0, 0, 0, 0, 0, 0, 0, 0, 0});
    serve("ENG", "N9", {"01", "09", "09L"});
    watch();
    download(server);
    EXPECT_NE(output().find("/PGM/N9/[01-09].WAV"), std::string::npos);
    EXPECT_EQ(sound("#ENG/PGM/N9/09.WAV"), "new 09");
    EXPECT_EQ(sound("#ENG/PGM/N9/09L.WAV"), "new 09L");
}

TEST_F(SoundTest, EmptyCatalogueRewritesBothLogsEmpty) {
    exec("DELETE FROM zeph_figure;");
    writeFile(platform::path("/home/pi/logSchedules.txt"), "stale");
    EXPECT_EQ(download(server), 1);
    EXPECT_EQ(readFile(platform::path("/home/pi/logSchedules.txt")), "");
    EXPECT_TRUE(shown.empty());
}

}  // namespace
