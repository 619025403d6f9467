#include "TestProgramFolder.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace vorlane;

TEST(ProgramFolder, FollowsVorlaneHomeWithoutTrailingSlash) {
    test::TestProgramFolder folder;
    ::setenv("VORLANE_HOME", (folder.path().string() + "//").c_str(), 1);
    EXPECT_EQ(ProgramFolder::path(), folder.path().string());
}

TEST(ProgramFolder, DefaultsToTheExecutablesFolder) {
    test::TestProgramFolder folder; // restores VORLANE_HOME afterwards
    ::unsetenv("VORLANE_HOME");
    std::filesystem::path exe = ProgramFolder::executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(ProgramFolder::path(), exe.parent_path().string());
}

TEST(ProgramFolder, DocumentsFolderFromUserDirs) {
    test::TestProgramFolder folder;
    ::unsetenv("XDG_DOCUMENTS_DIR");
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/tester", 1);
    folder.writeFile("xdg-config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(ProgramFolder::documentsFolder(), "/home/tester/Dokumente");
    std::filesystem::remove(folder.configHome() / "user-dirs.dirs");
    EXPECT_EQ(ProgramFolder::documentsFolder(), "/home/tester/Documents");
    ::setenv("HOME", oldHome.c_str(), 1);
}
