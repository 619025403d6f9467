#include "config/IniText.h"

#include <gtest/gtest.h>

using namespace vorlane::ini;
using Kind = Line::Kind;

TEST(IniText, ParseLineClassifiesAndTrims) {
    struct Case {
        const char* line;
        Kind kind;
        const char* name;
        const char* value;
        bool hasValue;
    } cases[] = {
        {"key=value", Kind::Key, "key", "value", true},
        {"  Close   =  Shut  ", Kind::Key, "Close", "Shut", true},
        {"\tRecord Volume=80\r", Kind::Key, "Record Volume", "80", true},
        {"k=a=b", Kind::Key, "k", "a=b", true},
        {"k=", Kind::Key, "k", "", true},
        {"k=\"  padded  \"", Kind::Key, "k", "  padded  ", true},
        {"k='x'", Kind::Key, "k", "x", true},
        {"k=\"x'", Kind::Key, "k", "\"x'", true},
        {"k=\"", Kind::Key, "k", "\"", true},
        {"bare", Kind::Key, "bare", "", false},
        {"[Option]", Kind::Section, "Option", "", false},
        {"  [ Option ]  ; note", Kind::Section, "Option", "", false},
        {"[a]b]", Kind::Section, "a]b", "", false},
        {"[broken", Kind::Other, "", "", false},
        {"=value", Kind::Other, "", "", false},
        {"; comment=1", Kind::Comment, "", "", false},
        {"  # comment", Kind::Comment, "", "", false},
        {"", Kind::Blank, "", "", false},
        {" \t\r", Kind::Blank, "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Line l = parseLine(c.line);
        EXPECT_EQ(l.kind, c.kind);
        EXPECT_EQ(l.name, c.name);
        EXPECT_EQ(l.value, c.value);
        EXPECT_EQ(l.hasValue, c.hasValue);
    }
}

TEST(IniText, FindValueFollowsProfileLookupRules) {
    const std::string text = "top=outside\n"
                             "[Option]\n"
                             "Close=first\n"
                             "CLOSE=second\n"
                             "bare\n"
                             "bare=late\n"
                             "[Other]\n"
                             "only=other\n"
                             "[option]\n"
                             "Late=from second Option section\n";
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {"Option", "Close ", "first"},  // blanks around the key do not count
        {"OPTION", "close", "first"},   // neither does case
        {" option ", "Close", "first"}, // nor blanks around the section
        {"Option", "late", "from second Option section"},
        {"Option", "bare", std::nullopt}, // first occurrence has no '='
        {"Option", "only", std::nullopt}, // keys of other sections stay there
        {"Option", "top", std::nullopt},  // keys before any section belong to none
        {"Missing", "Close", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(findValue(text, c.section, c.key), c.expected);
    }
}

TEST(IniText, SetValueChangesOnlyItsLine) {
    struct Case {
        const char* name;
        std::string before, section, key, value, after;
    } cases[] = {
        {"replace in place, comments and spacing kept",
         "; settings\n[Option]\n  RecordNo = 1\n\n; counters\nRecordTrack=4\n", "option",
         "recordno", "12", "; settings\n[Option]\n  RecordNo=12\n\n; counters\nRecordTrack=4\n"},
        {"new key after the last key of its section, before blank line and next comment",
         "[Option]\na=1\n; about b\nb=2\n\n; next\n[ID3]\nx=1\n", "Option", "c", "3",
         "[Option]\na=1\n; about b\nb=2\nc=3\n\n; next\n[ID3]\nx=1\n"},
        {"new key in an empty section", "[Option]\n[ID3]\n", "Option", "k", "v",
         "[Option]\nk=v\n[ID3]\n"},
        {"missing section appended after a blank line", "[A]\nx=1\n", "B", "k", "v",
         "[A]\nx=1\n\n[B]\nk=v\n"},
        {"empty file", "", "B", "k", "v", "[B]\nk=v\n"},
        {"CRLF file keeps CRLF", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
        {"unterminated last line", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2"},
        {"unterminated file, new section", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n\n[B]\ny=2\n"},
        {"only the first occurrence changes", "[A]\nk=1\nk=2\n", "A", "K", "3", "[A]\nk=3\nk=2\n"},
        {"a bare key gets its value", "[A]\nflag\n", "A", "flag", "1", "[A]\nflag=1\n"},
        {"blanks kept by quoting", "[A]\nk=1\n", "A", "k", " x ", "[A]\nk=\" x \"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(setValue(c.before, c.section, c.key, c.value), c.after);
    }
}

TEST(IniText, FormattedValuesReadBackUnchanged) {
    for (std::string v : {"", "plain", " lead", "trail ", "\"quoted\"", "'single'", "\"\"",
                          "a \"b\" c", "\"half", "tab\tinside", "ünïcødé 录音"}) {
        SCOPED_TRACE(v);
        std::string text = setValue("", "S", "k", v);
        EXPECT_EQ(findValue(text, "S", "k"), v);
    }
}

TEST(IniText, RemoveKeyDropsEveryOccurrenceOfItsSectionOnly) {
    EXPECT_EQ(removeKey("[A]\nk=1\n;c\nK=2\n[B]\nk=3\n", "a", "k"), "[A]\n;c\n[B]\nk=3\n");
    EXPECT_EQ(removeKey("[A]\nx=1\n", "A", "k"), "[A]\nx=1\n");
}

TEST(IniText, NameAndValueChecksRejectWhatWouldBreakTheFile) {
    EXPECT_TRUE(validKeyName("Record Volume"));
    EXPECT_TRUE(validKeyName("LanguageID "));
    for (const char* bad : {"", "  ", "a=b", "[x", ";x", "#x", "a\nb"})
        EXPECT_FALSE(validKeyName(bad)) << bad;
    EXPECT_TRUE(validSectionName("SOFTWARE\\Sub"));
    for (const char* bad : {"", "a]b", "a\rb"})
        EXPECT_FALSE(validSectionName(bad)) << bad;
    EXPECT_TRUE(validValue("C:\\x y"));
    EXPECT_FALSE(validValue("line\nbreak"));
    EXPECT_FALSE(validValue(std::string_view("nul\0x", 5)));
}

TEST(IniText, ParseIntTakesDecimalModulo32Bits) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"7", 7},      {" 42 ", 42},       {"+3", 3},         {"-5", -5},
        {"12abc", 12}, {"4294967295", -1}, {"4294967296", 0}, {"2147483648", INT32_MIN},
        {"0x10", 0},   {"abc", -99},       {"", -99},         {"-", -99},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseInt(c.text, -99), c.expected) << c.text;
}

TEST(IniText, TruncateCharsCountsCodePoints) {
    EXPECT_EQ(truncateChars(std::string(300, 'x'), 259), std::string(259, 'x'));
    EXPECT_EQ(truncateChars("abc", 259), "abc");
    // "é" is two bytes and "录" three: the cut falls between characters.
    EXPECT_EQ(truncateChars("aé录b", 3), "aé录");
    EXPECT_EQ(truncateChars("录录录", 2), "录录");
}

TEST(IniText, DecodeAndEncodeHandleByteOrderMarks) {
    DecodedText plain = decode("[A]\nk=v\n");
    EXPECT_EQ(plain.encoding, Encoding::Utf8);
    EXPECT_EQ(plain.text, "[A]\nk=v\n");

    DecodedText bom = decode("\xEF\xBB\xBF[A]\n");
    EXPECT_EQ(bom.encoding, Encoding::Utf8Bom);
    EXPECT_EQ(bom.text, "[A]\n");
    EXPECT_EQ(encode(bom.encoding, bom.text), "\xEF\xBB\xBF[A]\n");

    // "k=é𝄞" in UTF-16 LE: 𝄞 (U+1D11E) is a surrogate pair.
    const std::string utf16("\xFF\xFEk\0=\0\xE9\0\x34\xD8\x1E\xDD", 12);
    DecodedText wide = decode(utf16);
    EXPECT_EQ(wide.encoding, Encoding::Utf16LeBom);
    EXPECT_EQ(wide.text, "k=é\xF0\x9D\x84\x9E");
    EXPECT_EQ(encode(wide.encoding, wide.text), utf16);

    // A lone surrogate cannot be kept; it becomes U+FFFD rather than invalid UTF-8.
    EXPECT_EQ(decode(std::string("\xFF\xFE\x00\xD8", 4)).text, "\xEF\xBF\xBD");
}
