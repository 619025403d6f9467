#include "TestProgramFolder.h"
#include "config/wAtomicFile.h"
#include "config/wIniFile.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using vorlane::wAtomicFile;
using vorlane::wIniFile;
using vorlane::test::readBytes;
using vorlane::test::TestProgramFolder;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TestProgramFolder folder{false};
    std::string path(const std::string& name = "test.ini") const {
        return (folder / name).string();
    }
    wIniFile open(const std::string& section, const std::string& name = "test.ini") const {
        wIniFile ini;
        ini.SetFile(path(name), section);
        return ini;
    }
    std::vector<std::string> tempLeftovers() const {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(folder.path()))
            if (e.path().filename().string().find(".tmp-") != std::string::npos)
                found.push_back(e.path().filename().string());
        return found;
    }
};

std::string utf16le(std::u16string_view text) {
    std::string bytes;
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

// Runs `body` in a child process and returns its wait status.
template <typename Body> int inChild(Body body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

} // namespace

// Reads and writes go through the text rules; what the file adds is tested here: the
// section of the object, defaults for a missing file, unsigned integers, and a write that
// keeps every other line.
TEST_F(IniFileTest, ReadsAndWritesOfTheObjectsSection) {
    wIniFile missing = open("Option", "absent.ini");
    EXPECT_EQ(missing.ReadString("k", "d"), "d");
    EXPECT_EQ(missing.ReadInt("k", 80), 80);

    const std::string before = "; Vorlane settings\n[Option]\nRecordNo = 12 \nRecordNo=99\n"
                               "MP3Year=\"1977\"\nK=1\n\n[ID3]\nx=1\n";
    folder.writeFile("test.ini", before);
    wIniFile ini = open("OPTION");
    EXPECT_EQ(ini.ReadInt("recordno", 1), 12);
    EXPECT_EQ(ini.ReadString("MP3Year ", ""), "1977");
    EXPECT_EQ(ini.ReadInt("Missing", 25), 25);
    ASSERT_TRUE(ini.WriteInt("RecordNo", 7));
    ASSERT_TRUE(ini.WriteInt("Offset", -1));
    ASSERT_TRUE(ini.DeleteKey("k"));
    EXPECT_TRUE(ini.DeleteKey("k")); // nothing left to delete
    EXPECT_EQ(ini.ReadInt("Offset", 0), -1);
    ini.SetFile(path(), "Extra");
    ASSERT_TRUE(ini.WriteString("k", "v"));
    EXPECT_EQ(folder.readFile("test.ini"),
              "; Vorlane settings\n[Option]\nRecordNo=7\nRecordNo=99\nMP3Year=\"1977\"\n"
              "Offset=4294967295\n\n[ID3]\nx=1\n\n[Extra]\nk=v\n");
}

TEST_F(IniFileTest, ReadStringStopsAt259Characters) {
    folder.writeFile("test.ini", "[A]\nlong=" + std::string(400, 'x') + "\n");
    wIniFile ini = open("A");
    EXPECT_EQ(ini.ReadString("long", "").size(), 259u);
    EXPECT_EQ(ini.ReadValue("long")->size(), 400u);
    EXPECT_EQ(ini.ReadString("missing", std::string(300, 'd')).size(), 259u);
}

TEST_F(IniFileTest, Utf16LeFileIsReadAndStaysUtf16WhenWritten) {
    const std::string before = utf16le(u"\uFEFF[Option]\r\nMP3Artist=Bj\u00F6rk\r\n");
    folder.writeFile("test.ini", before);
    wIniFile ini = open("Option");
    EXPECT_EQ(ini.ReadString("MP3Artist", ""), "Bj\xC3\xB6rk");

    ASSERT_TRUE(ini.WriteString("MP3Year", "1993"));
    EXPECT_EQ(folder.readFile("test.ini"), before + utf16le(u"MP3Year=1993\r\n"));
    EXPECT_EQ(ini.ReadString("MP3Year", ""), "1993");
}

TEST_F(IniFileTest, UnstorableKeysAndValuesAreRefusedAndChangeNothing) {
    folder.writeFile("test.ini", "[A]\nk=1\n");
    wIniFile ini = open("A");
    EXPECT_FALSE(ini.WriteString("k", "two\nlines"));
    EXPECT_FALSE(ini.WriteString("a=b", "x"));
    EXPECT_FALSE(ini.WriteString("", "x"));
    EXPECT_FALSE(open("bad]name").WriteString("k", "x"));
    EXPECT_EQ(folder.readFile("test.ini"), "[A]\nk=1\n");
}

TEST_F(IniFileTest, WriteCreatesAMissingFileButNotItsFolder) {
    EXPECT_TRUE(open("A", "new.ini").WriteString("k", "v"));
    EXPECT_EQ(folder.readFile("new.ini"), "[A]\nk=v\n");
    EXPECT_FALSE(open("A", "no/such/folder.ini").WriteString("k", "v"));
}

TEST_F(IniFileTest, ReadOnlyFileIsNeverWrittenEvenByRoot) {
    folder.writeFile("test.ini", "[A]\nk=1\n");
    fs::permissions(path(), fs::perms(0444));
    wIniFile ini = open("A");
    EXPECT_FALSE(ini.WriteInt("k", 2));
    EXPECT_FALSE(ini.DeleteKey("k"));
    EXPECT_EQ(folder.readFile("test.ini"), "[A]\nk=1\n");
    EXPECT_EQ(fs::status(path()).permissions(), fs::perms(0444));
    EXPECT_TRUE(tempLeftovers().empty());
}

TEST_F(IniFileTest, WriteKeepsPermissionBitsAndFollowsSymlinks) {
    folder.writeFile("real.ini", "[A]\nk=1\n");
    fs::permissions(path("real.ini"), fs::perms(0640));
    fs::create_symlink(path("real.ini"), path("link.ini"));
    ASSERT_TRUE(open("A", "link.ini").WriteInt("k", 2));
    EXPECT_TRUE(fs::is_symlink(path("link.ini")));
    EXPECT_EQ(folder.readFile("real.ini"), "[A]\nk=2\n");
    EXPECT_EQ(fs::status(path("real.ini")).permissions(), fs::perms(0640));
}

TEST_F(IniFileTest, WriteInterruptedBeforeRenameLeavesOldFileWhole) {
    const std::string before = "[Option]\nRecordFilePath=/old\n; keep me\n";
    folder.writeFile("test.ini", before);
    const std::string file = path();
    int status = inChild([&] {
        wAtomicFile::SetBeforeRenameHook([](const std::string&) { ::raise(SIGKILL); });
        wIniFile ini;
        ini.SetFile(file, "Option");
        ini.WriteString("RecordFilePath", std::string(100000, 'n'));
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(folder.readFile("test.ini"), before);
    // The new content was complete in the temporary file; only the rename was missing.
    std::vector<std::string> temps = tempLeftovers();
    ASSERT_EQ(temps.size(), 1u);
    EXPECT_NE(readBytes(folder / temps[0]).find(std::string(100000, 'n') + "\n; keep me"),
              std::string::npos);
}

TEST_F(IniFileTest, FullDiskLeavesOldFileWholeAndNoTemporaryFile) {
    const std::string before = "[Option]\nRecordNo=3\n";
    folder.writeFile("test.ini", before);
    const std::string file = path();
    int status = inChild([&] {
        // Writes past 64 bytes fail as on a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        wIniFile ini;
        ini.SetFile(file, "Option");
        ::_exit(ini.WriteString("MP3Comment", std::string(1000, 'c')) ? 1 : 0);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have failed";
    EXPECT_EQ(folder.readFile("test.ini"), before);
    EXPECT_TRUE(tempLeftovers().empty());
}

TEST_F(IniFileTest, ConcurrentWritersLoseNoChange) {
    folder.writeFile("test.ini", "[A]\n");
    auto writer = [&](const std::string& prefix) {
        wIniFile ini = open("A");
        for (int i = 0; i < 25; ++i)
            ini.WriteInt(prefix + std::to_string(i), i);
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    wIniFile ini = open("A");
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(ini.ReadInt("a" + std::to_string(i), -1), i);
        EXPECT_EQ(ini.ReadInt("b" + std::to_string(i), -1), i);
    }
}
