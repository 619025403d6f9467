#include "TestProgramFolder.h"
#include "config/IniText.h"
#include "config/wIniFile.h"
#include "ui/LanguageTexts.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringDecoder>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vorlane;

namespace {

const std::string kLanguageDir = VORLANE_SOURCE_DATA_DIR "/Language";

struct Key {
    std::string section, key, windows;
};

// tests/ui/language_keys.txt: "Section|Key|windows" for every text that a window reads.
std::vector<Key> windowKeys() {
    std::ifstream in(VORLANE_LANGUAGE_KEYS);
    std::vector<Key> keys;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Key k;
        std::getline(fields, k.section, '|');
        std::getline(fields, k.key, '|');
        std::getline(fields, k.windows);
        keys.push_back(k);
    }
    return keys;
}

// The language names of the shipped list, by LanguageID.
std::map<int, std::string> shippedLanguages() {
    wIniFile list;
    list.SetFile(kLanguageDir + "/LangType_LP.ini", "Files");
    std::map<int, std::string> names;
    for (int id = 0; id < 4; ++id)
        names[id] = list.ReadString(std::to_string(id), "");
    return names;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Every (section, key) that a file holds, names folded to lower case.
std::set<std::pair<std::string, std::string>> keysOf(const std::string& text) {
    std::set<std::pair<std::string, std::string>> keys;
    std::string section;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const ini::Line parsed = ini::parseLine(line);
        if (parsed.kind == ini::Line::Kind::Section)
            section = lower(parsed.name);
        else if (parsed.kind == ini::Line::Kind::Key)
            keys.insert({section, lower(parsed.name)});
    }
    return keys;
}

} // namespace

TEST(LanguageFiles, FourCleanUtf8LanguagesEachHoldingExactlyTheKeysThatTheWindowsRead) {
    const auto keys = windowKeys();
    std::set<std::pair<std::string, std::string>> listed;
    for (const Key& k : keys)
        listed.insert({lower(k.section), lower(k.key)});
    std::set<std::string> distinct;
    for (const auto& [id, name] : shippedLanguages()) {
        ASSERT_FALSE(name.empty()) << "LanguageID " << id;
        distinct.insert(name);
        const std::string path = kLanguageDir + "/" + name + "/" + name + ".ini";
        const std::string bytes = test::readBytes(path);
        // Nothing missing, nothing that no window reads.
        EXPECT_EQ(keysOf(bytes), listed) << path;
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(QByteArray::fromStdString(bytes));
        EXPECT_FALSE(decoder.hasError() || text.contains(QChar::ReplacementCharacter)) << name;
        EXPECT_FALSE(text.startsWith(QChar(0xFEFF))) << name << ": no byte-order mark";
        for (const Key& k : keys) {
            wIniFile file;
            file.SetFile(path, k.section);
            const QString value = QString::fromStdString(file.ReadValue(k.key).value_or(""));
            EXPECT_FALSE(value.isEmpty())
                << name << ": [" << k.section << "] " << k.key << " (read by " << k.windows << ")";
            // Longer texts would be cut by the reader.
            EXPECT_LE(value.size(), int(wIniFile::kMaxValueChars)) << name << ": " << k.key;
            if (k.section == "Tooltip") {
                EXPECT_TRUE(LanguageTexts::fitsTrayTip(value)) << name << ": " << k.key;
            }
        }
    }
    EXPECT_EQ(distinct.size(), 4u);
    EXPECT_EQ(shippedLanguages().at(3), "English");
}
