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

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
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

// Every (section, key) that a file holds, names folded to lower case.
std::set<std::pair<std::string, std::string>> keysOf(const std::string& text) {
    std::set<std::pair<std::string, std::string>> keys;
    std::string section;
    std::istringstream lines(text);
    std::string line;
    auto lower = [](std::string s) {
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
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

TEST(LanguageFiles, ListNamesFourLanguagesWhoseFilesExist) {
    const auto names = shippedLanguages();
    std::set<std::string> distinct;
    for (const auto& [id, name] : names) {
        ASSERT_FALSE(name.empty()) << "LanguageID " << id;
        const std::string path = kLanguageDir + "/" + name + "/" + name + ".ini";
        EXPECT_FALSE(readAll(path).empty()) << path;
        distinct.insert(name);
    }
    EXPECT_EQ(distinct.size(), 4u);
    EXPECT_EQ(names.at(3), "English");
}

TEST(LanguageFiles, EveryLanguageFileHasEveryKeyThatAWindowReads) {
    const auto keys = windowKeys();
    for (const auto& [id, name] : shippedLanguages()) {
        const std::string path = kLanguageDir + "/" + name + "/" + name + ".ini";
        for (const Key& k : keys) {
            wIniFile file;
            file.SetFile(path, k.section);
            const auto value = file.ReadValue(k.key);
            ASSERT_TRUE(value.has_value())
                << name << ": [" << k.section << "] " << k.key << " (read by " << k.windows << ")";
            EXPECT_FALSE(value->empty()) << name << ": " << k.key;
            // Longer texts would be cut by the reader.
            EXPECT_LE(QString::fromStdString(*value).size(), int(wIniFile::kMaxValueChars))
                << name << ": " << k.key;
            if (k.section == "Tooltip") {
                EXPECT_TRUE(LanguageTexts::fitsTrayTip(QString::fromStdString(*value)))
                    << name << ": " << k.key;
            }
        }
    }
}

TEST(LanguageFiles, EveryFileHoldsExactlyTheKeysOfTheList) {
    std::set<std::pair<std::string, std::string>> listed;
    for (const Key& k : windowKeys()) {
        std::string section = k.section, key = k.key;
        for (char& c : section)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : key)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        listed.insert({section, key});
    }
    for (const auto& [id, name] : shippedLanguages()) {
        const auto held = keysOf(readAll(kLanguageDir + "/" + name + "/" + name + ".ini"));
        for (const auto& k : held)
            EXPECT_TRUE(listed.count(k))
                << name << " has a key no window reads: [" << k.first << "] " << k.second;
        EXPECT_EQ(held.size(), listed.size()) << name;
    }
}

TEST(LanguageFiles, FilesAreCleanUtf8) {
    for (const auto& [id, name] : shippedLanguages()) {
        const std::string bytes = readAll(kLanguageDir + "/" + name + "/" + name + ".ini");
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(QByteArray::fromStdString(bytes));
        EXPECT_FALSE(decoder.hasError()) << name;
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << name;
        EXPECT_FALSE(text.startsWith(QChar(0xFEFF))) << name << ": no byte-order mark";
    }
}
