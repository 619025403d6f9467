#pragma once

#include "ScopedEnv.h"

#include <filesystem>
#include <string>

namespace vorlane::test {

// A private program folder for one test: a copy of data/ in a fresh temporary
// directory, with VORLANE_HOME and XDG_CONFIG_HOME pointing into it so that no
// test reads or writes the user's own files. Removed again on destruction.
// The locale is C.UTF-8 meanwhile, so that a first start chooses English whatever the
// locale of the machine that runs the tests.
class TestProgramFolder {
public:
    explicit TestProgramFolder(bool copyData = true);
    ~TestProgramFolder();
    TestProgramFolder(const TestProgramFolder&) = delete;
    TestProgramFolder& operator=(const TestProgramFolder&) = delete;

    const std::filesystem::path& path() const { return root_; }
    std::filesystem::path operator/(const std::string& rel) const { return root_ / rel; }
    // The per-user configuration folder used in place of ~/.config.
    std::filesystem::path configHome() const { return root_ / "xdg-config"; }

    std::string readFile(const std::string& rel) const;
    void writeFile(const std::string& rel, const std::string& text) const;

private:
    std::filesystem::path root_;
    std::optional<ScopedEnv> home_, config_;
    std::optional<ScopedEnv> language_, lcAll_, lcMessages_, lang_;
};

// Reads a whole file as bytes; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);
// Replaces a file by the bytes, making its folder first.
void writeBytes(const std::filesystem::path& file, const std::string& bytes);

} // namespace vorlane::test
