#include "TestProgramFolder.h"
#include "config/wAutoRun.h"
#include "config/wRegistryKey.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using vorlane::wAutoRun;
using vorlane::wRegistryKey;
using vorlane::test::TestProgramFolder;
using Root = wRegistryKey::Root;

namespace {
constexpr const char* kKey = "SOFTWARE\\Tarnholt\\RivorAzururu";
}

TEST(RegistryKey, SubkeysMapToFileAndSection) {
    TestProgramFolder folder(false);
    const std::string config = folder.configHome().string();
    struct Case {
        const char* subkey;
        const char* file; // below the config folder; null when the subkey names no key
        const char* section;
    } cases[] = {
        {"SOFTWARE\\Tarnholt\\RivorAzururu", "/Tarnholt/RivorAzururu.ini", "General"},
        {"software/Tarnholt/RivorAzururu/", "/Tarnholt/RivorAzururu.ini", "General"},
        {"Tarnholt\\RivorAzururu", "/Tarnholt/RivorAzururu.ini", "General"},
        {"SOFTWARE\\Tarnholt\\RivorAzururu\\Devices\\Usb", "/Tarnholt/RivorAzururu.ini",
         "Devices\\Usb"},
        {"SOFTWARE\\Tarnholt", nullptr, nullptr},
        {"", nullptr, nullptr},
        {"SOFTWARE\\..\\..\\etc", nullptr, nullptr},
        {"SOFTWARE\\Tarnholt\\RivorAzururu\\bad]name", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subkey);
        auto loc = wRegistryKey::locate(c.subkey);
        if (!c.file) {
            EXPECT_FALSE(loc.has_value());
            continue;
        }
        ASSERT_TRUE(loc.has_value());
        EXPECT_EQ(loc->file, config + c.file);
        EXPECT_EQ(loc->section, c.section);
    }
}

TEST(RegistryKey, OpenCreatesTheKeyAndValuesRoundTrip) {
    TestProgramFolder folder(false);
    const fs::path file = folder.configHome() / "Tarnholt" / "RivorAzururu.ini";
    wRegistryKey key;
    ASSERT_TRUE(key.open(Root::CurrentUser, kKey));
    EXPECT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(key.readDword("LanguageID", 3), 3u);
    EXPECT_EQ(key.readString("Name"), "");

    ASSERT_TRUE(key.writeDword("LanguageID", 10));
    ASSERT_TRUE(key.writeDword("Max", 4294967295u));
    ASSERT_TRUE(key.writeString("Name", " padded "));
    EXPECT_EQ(key.readDword("languageid", 3), 10u);
    EXPECT_EQ(key.readDword("Max", 0), 4294967295u);
    EXPECT_EQ(key.readString("Name"), " padded ");
    EXPECT_EQ(folder.readFile("xdg-config/Tarnholt/RivorAzururu.ini"),
              "[General]\nLanguageID=10\nMax=4294967295\nName=\" padded \"\n");

    ASSERT_TRUE(key.deleteValue("LanguageID"));
    EXPECT_EQ(key.readDword("LanguageID", 3), 3u);

    // A closed key forgets its file; opening the existing key again finds its values.
    key.close();
    EXPECT_EQ(key.readString("Name"), "");
    EXPECT_FALSE(key.writeDword("Max", 1));
    ASSERT_TRUE(key.open(Root::CurrentUser, kKey));
    EXPECT_EQ(key.readString("Name"), " padded ");
    EXPECT_EQ(key.readDword("Max", 0), 4294967295u);
}

TEST(RegistryKey, DamagedValuesGiveTheDefault) {
    TestProgramFolder folder(false);
    folder.writeFile("xdg-config/Tarnholt/RivorAzururu.ini",
                     "[General]\nneg=-1\nword=abc\nbig=4294967296\nempty=\nhex=0x10\n"
                     "tail=12abc\nspaced= 12 \n\x01\x02garbage\xff\n");
    wRegistryKey key;
    ASSERT_TRUE(key.open(Root::CurrentUser, kKey));
    for (const char* name : {"neg", "word", "big", "empty", "hex", "tail", "missing"})
        EXPECT_EQ(key.readDword(name, 80), 80u) << name;
    EXPECT_EQ(key.readDword("spaced", 80), 12u);
}

TEST(RegistryKey, UnopenableKeyReadsDefaultsAndRefusesWrites) {
    TestProgramFolder folder(false);
    // A folder stands where the key's file should be.
    fs::create_directories(folder.configHome() / "Tarnholt" / "RivorAzururu.ini");
    wRegistryKey key;
    EXPECT_FALSE(key.open(Root::CurrentUser, kKey));
    EXPECT_FALSE(key.isOpen());
    EXPECT_EQ(key.readDword("PlayVolume", 80), 80u);
    EXPECT_EQ(key.readString("x"), "");
    EXPECT_FALSE(key.writeDword("PlayVolume", 5));
    EXPECT_FALSE(key.writeString("x", "y"));
    EXPECT_FALSE(key.deleteValue("x"));
    key.close();
    key.close();
}

TEST(AutoRun, ExecQuotingRoundTrips) {
    struct Case {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/usr/bin/Vorlane", "/usr/bin/Vorlane"},
        {"/opt/My Apps/Vorlane", "\"/opt/My Apps/Vorlane\""},
        {"/opt/a\"b/Vorlane", "\"/opt/a\\\\\"b/Vorlane\""},
        {"/opt/$HOME/Vorlane", "\"/opt/\\\\$HOME/Vorlane\""},
        {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
        {"/opt/100%/Vorlane", "/opt/100%%/Vorlane"},
        {"/opt/tab\there", "\"/opt/tab\\there\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(wAutoRun::execFromProgram(c.program), c.exec);
        EXPECT_EQ(wAutoRun::programFromExec(c.exec), c.program);
    }
}

TEST(AutoRun, ProgramIsTheFirstArgumentOfHandWrittenExecLines) {
    EXPECT_EQ(wAutoRun::programFromExec("/usr/bin/vorlane %U --tray"), "/usr/bin/vorlane");
    EXPECT_EQ(wAutoRun::programFromExec("  \"/opt/x y/vorlane\" -a"), "/opt/x y/vorlane");
    EXPECT_EQ(wAutoRun::programFromExec("\"/opt/a\\\"b\""), "/opt/a\"b");
    EXPECT_EQ(wAutoRun::programFromExec("\"/unterminated"), "");
    EXPECT_EQ(wAutoRun::programFromExec(""), "");
}

TEST(AutoRun, WriteReadRemove) {
    TestProgramFolder folder(false);
    const std::string program = (folder / "My Programs/Vorlane").string();
    ASSERT_TRUE(wAutoRun::write(program));
    EXPECT_EQ(wAutoRun::read(), program);
    const std::string entry = folder.readFile("xdg-config/autostart/Kestova.desktop");
    EXPECT_EQ(entry, "[Desktop Entry]\nType=Application\nName=Vorlane\nExec=\"" + program +
                         "\"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");

    ASSERT_TRUE(wAutoRun::write("/usr/bin/Vorlane")); // replaces
    EXPECT_EQ(wAutoRun::read(), "/usr/bin/Vorlane");
    EXPECT_FALSE(wAutoRun::write(""));
    EXPECT_EQ(wAutoRun::read(), "/usr/bin/Vorlane");

    ASSERT_TRUE(wAutoRun::remove());
    EXPECT_EQ(wAutoRun::read(), "");
    EXPECT_TRUE(wAutoRun::remove());
}

TEST(AutoRun, EntrySwitchedOffByTheDesktopCountsAsAbsent) {
    TestProgramFolder folder(false);
    const std::string rel = "xdg-config/autostart/Kestova.desktop";
    folder.writeFile(rel, "[Desktop Entry]\nType=Application\nExec=/usr/bin/Vorlane\n"
                          "X-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(wAutoRun::read(), "");
    folder.writeFile(rel, "[Desktop Entry]\nExec=/usr/bin/Vorlane\nHidden=true\n");
    EXPECT_EQ(wAutoRun::read(), "");
    folder.writeFile(rel, "[Desktop Action x]\nExec=/other\n[Desktop Entry]\n"
                          "Exec = /usr/bin/Vorlane\nExec=/second\n");
    EXPECT_EQ(wAutoRun::read(), "/usr/bin/Vorlane");
}
