#include "wIniFile.h"

#include "config/wAtomicFile.h"

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/stat.h>

namespace vorlane {

namespace {
// Read-modify-write of a file must not interleave with another thread's, or one of the
// two changes would be lost.
std::mutex g_writeMutex;
} // namespace

wIniFile::~wIniFile() = default;

void wIniFile::SetFile(std::string filePath, std::string section) {
    filePath_ = std::move(filePath);
    section_ = std::move(section);
}

std::optional<ini::DecodedText> wIniFile::LoadText(const std::string& filePath) {
    std::ifstream in(filePath, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return ini::decode(bytes);
}

std::optional<std::string> wIniFile::ReadValue(std::string_view key) const {
    std::optional<ini::DecodedText> text = LoadText(filePath_);
    if (!text)
        return std::nullopt;
    return ini::findValue(text->text, section_, key);
}

std::string wIniFile::ReadString(std::string_view key, std::string_view def) const {
    std::optional<std::string> value = ReadValue(key);
    return ini::truncateChars(value ? std::string_view(*value) : def, kMaxValueChars);
}

int wIniFile::ReadInt(std::string_view key, int def) const {
    std::optional<std::string> value = ReadValue(key);
    return value ? ini::parseInt(*value, def) : def;
}

template <typename Edit> bool wIniFile::modify(Edit edit) {
    if (filePath_.empty() || !ini::validSectionName(section_))
        return false;
    std::lock_guard<std::mutex> lock(g_writeMutex);
    ini::DecodedText text;
    const std::optional<ini::DecodedText> loaded = LoadText(filePath_);
    if (loaded) {
        text = *loaded;
    } else {
        // Only a missing file may be started afresh; one that exists but cannot be read
        // would lose its other lines.
        struct stat st {};
        if (::stat(filePath_.c_str(), &st) == 0 || errno != ENOENT)
            return false;
    }
    std::string edited = edit(text.text);
    if (loaded && edited == text.text)
        return true; // the file already says so
    return wAtomicFile::Replace(filePath_, ini::encode(text.encoding, edited));
}

bool wIniFile::WriteString(std::string_view key, std::string_view value) {
    if (!ini::validKeyName(key) || !ini::validValue(value))
        return false;
    return modify(
        [&](const std::string& text) { return ini::setValue(text, section_, key, value); });
}

bool wIniFile::WriteInt(std::string_view key, int value) {
    return WriteString(key, std::to_string(static_cast<std::uint32_t>(value)));
}

bool wIniFile::DeleteKey(std::string_view key) {
    if (!ini::validKeyName(key))
        return false;
    return modify([&](const std::string& text) { return ini::removeKey(text, section_, key); });
}

} // namespace vorlane
