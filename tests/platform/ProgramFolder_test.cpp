#include "TestProgramFolder.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vorlane;

TEST(ProgramFolder, FollowsVorlaneHomeWithoutTrailingSlash) {
    test::TestProgramFolder folder;
    test::ScopedEnv home("VORLANE_HOME", folder.path().string() + "//");
    EXPECT_EQ(ProgramFolder::path(), folder.path().string());
}

TEST(ProgramFolder, DefaultsToTheExecutablesFolder) {
    test::ScopedEnv home("VORLANE_HOME", std::nullopt);
    std::filesystem::path exe = ProgramFolder::executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(ProgramFolder::path(), exe.parent_path().string());
}

TEST(ProgramFolder, DocumentsFolderFromUserDirs) {
    test::TestProgramFolder folder;
    test::ScopedEnv docs("XDG_DOCUMENTS_DIR", std::nullopt), home("HOME", "/home/tester");
    folder.writeFile("xdg-config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(ProgramFolder::documentsFolder(), "/home/tester/Dokumente");
    std::filesystem::remove(folder.configHome() / "user-dirs.dirs");
    EXPECT_EQ(ProgramFolder::documentsFolder(), "/home/tester/Documents");
}
