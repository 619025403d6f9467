#pragma once

#include "config/wIniFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane {

// A key of the current user's registry, kept in a per-user INI file.
//
// Mapping: the subkey is split at '\' or '/'; a leading "SOFTWARE" is dropped; the next two
// parts name the vendor and the product, and the key lives in the file
// $XDG_CONFIG_HOME/<vendor>/<product>.ini. Its values are keys of the section "General";
// deeper subkeys are sections named by the rest of the path joined with '\'. So
// "SOFTWARE\Tarnholt\RivorAzururu" is section [General] of Tarnholt/RivorAzururu.ini, and
// "SOFTWARE\Tarnholt\RivorAzururu\Devices" its section [Devices]. A subkey with fewer than
// two parts, or with a part "." or "..", names no key and cannot be opened.
//
// Value names compare without case. A DWORD is stored as unsigned decimal text; a string
// as its text (quoted when it has blanks at either end).
class wRegistryKey {
public:
    enum class Root { CurrentUser };

    struct Location {
        std::string file;
        std::string section;
    };
    // Where a subkey of the current user is kept; nullopt when it names no key.
    static std::optional<Location> locate(std::string_view subkey);

    wRegistryKey() = default;
    ~wRegistryKey() = default;
    wRegistryKey(const wRegistryKey&) = delete;
    wRegistryKey& operator=(const wRegistryKey&) = delete;

    // Opens the key, creating its folder and file when missing. On failure the key stays
    // closed: reads give their defaults and writes fail. A read-only file opens for
    // reading; writes to it fail.
    bool open(Root root, std::string_view subkey);
    bool isOpen() const { return open_; }
    // Whether the last open() made the key's file, so the key did not exist before.
    bool created() const { return created_; }
    // Idempotent.
    void close();

    // The value as a DWORD; `def` when the key is closed, the value is missing, or it is
    // not a plain unsigned 32-bit decimal number.
    std::uint32_t readDword(std::string_view name, std::uint32_t def) const;
    // The value as text; empty when it cannot be read.
    std::string readString(std::string_view name) const;

    bool writeDword(std::string_view name, std::uint32_t value);
    bool writeString(std::string_view name, std::string_view value);
    // True also when the value did not exist.
    bool deleteValue(std::string_view name);

    const std::string& filePath() const { return ini_.FilePath(); }
    const std::string& section() const { return ini_.Section(); }

private:
    wIniFile ini_;
    bool open_ = false;
    bool created_ = false;
};

} // namespace vorlane
