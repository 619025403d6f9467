#include "TestProgramFolder.h"
#include "platform/Clock.h"
#include "platform/UserProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace vorlane;
namespace fs = std::filesystem;

namespace {

// A shipped data folder as a package installs it, and the user's folder beside it.
class UserProgramFolderTest : public ::testing::Test {
protected:
    UserProgramFolderTest() {
        fs::create_directories(shipped);
        fs::copy(VORLANE_SOURCE_DATA_DIR, shipped, fs::copy_options::recursive);
        folder.writeFile("usr/share/vorlane/Resource/Skin/BK-LP.bmp", "skin 1");
        folder.writeFile("usr/share/vorlane/Resource/Vorlane.png", "icon 1");
    }

    std::string prepare() { return UserProgramFolder::Prepare(shipped, user); }

    test::TestProgramFolder folder{false};
    fs::path shipped = folder / "usr/share/vorlane";
    fs::path user = folder / "home/.local/share/vorlane";
};

TEST_F(UserProgramFolderTest, FirstStartCopiesWhatTheProgramWritesAndLinksTheRest) {
    fs::permissions(shipped / "Configure/Config_LP.ini", fs::perms::owner_read,
                    fs::perm_options::replace);
    ASSERT_EQ(prepare(), "");

    const fs::path settings = user / "Configure/Config_LP.ini";
    EXPECT_FALSE(fs::is_symlink(settings));
    EXPECT_EQ(test::readBytes(settings), test::readBytes(shipped / "Configure/Config_LP.ini"));
    EXPECT_NE(fs::status(settings).permissions() & fs::perms::owner_write, fs::perms::none);

    for (const char* linked :
         {"Configure/idtag3.ini", "Language", "Resource/Skin", "Resource/Vorlane.png"}) {
        SCOPED_TRACE(linked);
        EXPECT_TRUE(fs::is_symlink(user / linked));
        EXPECT_TRUE(fs::equivalent(user / linked, shipped / linked));
    }
    EXPECT_FALSE(fs::is_symlink(user / "Resource"));
    EXPECT_TRUE(fs::is_regular_file(user / "Language/English/English.ini"));
}

TEST_F(UserProgramFolderTest, LaterStartsKeepTheUsersFilesAndShowANewerPackage) {
    ASSERT_EQ(prepare(), "");
    folder.writeFile("home/.local/share/vorlane/Configure/Config_LP.ini", "[Option]\nRecordNo=7\n");
    folder.writeFile("home/.local/share/vorlane/Resource/NewData.mdb", "catalogue");

    // An upgrade replaces the skin, adds an icon and drops another.
    folder.writeFile("usr/share/vorlane/Resource/Skin/BK-LP.bmp", "skin 2");
    folder.writeFile("usr/share/vorlane/Resource/New.ico", "new");
    fs::remove(shipped / "Resource/Vorlane.png");
    ASSERT_EQ(prepare(), "");

    EXPECT_EQ(test::readBytes(user / "Configure/Config_LP.ini"), "[Option]\nRecordNo=7\n");
    EXPECT_EQ(test::readBytes(user / "Resource/NewData.mdb"), "catalogue");
    EXPECT_EQ(test::readBytes(user / "Resource/Skin/BK-LP.bmp"), "skin 2");
    EXPECT_EQ(test::readBytes(user / "Resource/New.ico"), "new");
    EXPECT_FALSE(fs::exists(fs::symlink_status(user / "Resource/Vorlane.png")));
}

TEST_F(UserProgramFolderTest, LinksOfAnInstallationElsewhereArePointedAtThisOne) {
    ASSERT_EQ(prepare(), "");
    const fs::path moved = folder / "opt/vorlane";
    fs::create_directories(moved.parent_path());
    fs::rename(shipped, moved);
    ASSERT_EQ(UserProgramFolder::Prepare(moved, user), "");
    EXPECT_EQ(fs::read_symlink(user / "Language"), moved / "Language");
    EXPECT_EQ(test::readBytes(user / "Resource/Skin/BK-LP.bmp"), "skin 1");
}

TEST_F(UserProgramFolderTest, FailuresAreReportedNotHidden) {
    EXPECT_NE(UserProgramFolder::Prepare(folder / "missing", user), "");
    folder.writeFile("home/.local/share/vorlane", "a file where the folder belongs");
    EXPECT_NE(prepare(), "");
}

} // namespace

// A damaged settings file set aside twice in the same second keeps both copies, and the
// next start copies the shipped file in its place.
TEST_F(UserProgramFolderTest, ADamagedFileSetAsideIsReplacedAtTheNextPrepareAndKept) {
    FakeClock clock;
    clock.setLocalTime({2026, 12, 5, 17, 9, 56});
    Clock::install(&clock);
    ASSERT_EQ(prepare(), "");
    const fs::path settings = user / "Configure/Config_LP.ini";
    std::vector<std::string> kept;
    for (const char* junk : {"junk 1", "junk 2"}) {
        folder.writeFile("home/.local/share/vorlane/Configure/Config_LP.ini", junk);
        std::string error;
        const fs::path aside = UserProgramFolder::SetAside(settings, error);
        ASSERT_FALSE(aside.empty()) << error;
        EXPECT_EQ(test::readBytes(aside), junk);
        EXPECT_FALSE(fs::exists(settings));
        kept.push_back(aside.filename().string());
        ASSERT_EQ(prepare(), "");
        EXPECT_EQ(test::readBytes(settings), test::readBytes(shipped / "Configure/Config_LP.ini"));
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"Config_LP.ini.damaged-20261205-170956",
                                              "Config_LP.ini.damaged-20261205-170956-2"}));
    std::string error;
    EXPECT_TRUE(UserProgramFolder::SetAside(user / "missing.ini", error).empty());
    EXPECT_NE(error.find("missing.ini"), std::string::npos);
    Clock::install(nullptr);
}
