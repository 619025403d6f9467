#include "TestProgramFolder.h"
#include "ui/RecordFolderCheck.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vorlane;
using Problem = RecordFolderCheck::Problem;
namespace fs = std::filesystem;

TEST(RecordFolderCheck, RefusesWhatCannotHoldRecordings) {
    test::TestProgramFolder home(false);
    home.writeFile("taken", "x");
    const std::string root = home.path().string();
    const struct {
        std::string folder;
        Problem problem;
    } cases[] = {
        {"", Problem::Empty},
        {"Music/records", Problem::NotAbsolute},
        {"~/Music", Problem::NotAbsolute},
        {root + "/two\nlines", Problem::NotStorable},
        {root + "/tab\there", Problem::NotStorable},
        {root + "/taken", Problem::NotAFolder},
        {root + "/taken/records", Problem::CannotCreate},
        // Even root cannot add a file there.
        {"/proc", Problem::NotWritable},
        {"/proc/vorlane-records", Problem::CannotCreate},
    };
    for (const auto& c : cases) {
        const RecordFolderCheck::Result r = RecordFolderCheck::Check(c.folder);
        EXPECT_EQ(r.problem, c.problem) << c.folder;
        EXPECT_FALSE(RecordFolderCheck::Describe(r).empty()) << c.folder;
    }
    EXPECT_FALSE(fs::exists(home / "two\nlines"));
    EXPECT_NE(RecordFolderCheck::Describe(RecordFolderCheck::Check("/proc")).find("("),
              std::string::npos)
        << "the system's reason is given";
}

TEST(RecordFolderCheck, CreatesAMissingFolderAndAcceptsAnExistingOne) {
    test::TestProgramFolder home(false);
    const fs::path nested = home / "a b" / "VorlaneLP Record Files";
    EXPECT_TRUE(RecordFolderCheck::Check(nested.string()).ok());
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(fs::is_empty(nested));
    // Blanks at the ends are part of a Linux folder name.
    EXPECT_TRUE(RecordFolderCheck::Check(nested.string() + "/").ok());
    EXPECT_TRUE(RecordFolderCheck::Check((home / " spaced ").string()).ok());
    EXPECT_TRUE(fs::is_directory(home / " spaced "));
    EXPECT_EQ(RecordFolderCheck::Describe(RecordFolderCheck::Check(nested.string())), "");
}
