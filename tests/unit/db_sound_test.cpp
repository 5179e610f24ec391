// The sound download: layout, unsafe names, and the old sounds kept when a
// download brings nothing; its progress and log are a service flow.
// The server is a folder reached with file:// URLs.
#include <cstdlib>

#include "platform/platform.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::readFile;
using dbtest::writeFile;

void makeFiles(const std::string& folder, const std::vector<std::string>& names,
               const std::string& text) {
    std::system(("mkdir -p '" + folder + "'").c_str());
    for (const std::string& name : names) writeFile(folder + "/" + name, text + name);
}

class Sounds : public dbtest::DbTest {};

TEST_F(Sounds, DownloadReplacesEachSchedulesSoundsOnlyWithNewOnes) {
    std::system("rm -rf sound-root");
    dbtest::useRoot("sound-root");
    const std::string sounds = platform::path("/home/pi/sounds/"), server = platform::path("/srv");
    addSchedule(1, "A1", "ENG", {0, 0, 0});
    addSchedule(2, "B2", "ENG", {0, 0});
    addSchedule(3, "C3", "FRA", {1});
    addSchedule(5, "../../../escape", "ENG", {0});
    addSchedule(7, "A1/../../escape", "ENG", {0});
    addSchedule(6, "x'; touch hacked; '", "FRA", {0});
    makeFiles(server + "/SD-Template/#ENG/PGM/A1", {"01.WAV", "03.WAV", "03L.WAV", "P.WAV"},
              "new ");
    for (const char* old : {"#ENG/PGM/A1", "#ENG/PGM/B2", "#ENG/PGM/GONE"})
        makeFiles(sounds + old, {"09.WAV"}, "old ");
    const std::string out = dbtest::outputOf([&] {
        EXPECT_EQ(store->_download_sound(
                      "file://" + server, [](int, const std::string&) {},
                      [](const std::string&) {}),
                  1);
    });
    EXPECT_NE(out.find("SD-Template/%23ENG/PGM/A1/[01-03]L.WAV' 'file://"), std::string::npos)
        << out;
    for (const char* name : {"../../../escape", "A1/../../escape"})
        EXPECT_NE(out.find(std::string("unsafe schedule name ENG/") + name), std::string::npos);
    const std::pair<const char*, const char*> files[] = {
        {"#ENG/PGM/A1/01.WAV", "new 01.WAV"},
        {"#ENG/PGM/A1/03L.WAV", "new 03L.WAV"},
        {"#ENG/PGM/A1/P.WAV", "new P.WAV"},
        {"#ENG/PGM/A1/09.WAV", ""},            // the folder is the new one
        {"#ENG/PGM/B2/09.WAV", "old 09.WAV"},  // nothing came: the old sounds stay
        {"#ENG/PGM/GONE/09.WAV", ""}};         // no longer in the catalogue
    for (const auto& [file, text] : files) EXPECT_EQ(readFile(sounds + file), text) << file;
    EXPECT_NE(std::system("find . -name hacked | grep -q ."), 0) << "a name is no command";
    dbtest::useRoot("");
}

}  // namespace
