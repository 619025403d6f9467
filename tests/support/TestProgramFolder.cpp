#include "TestProgramFolder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vorlane::test {

TestProgramFolder::TestProgramFolder(bool copyData) {
    std::string templ = (fs::temp_directory_path() / "vorlane-test-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = templ;
    if (copyData)
        fs::copy(VORLANE_SOURCE_DATA_DIR, root_, fs::copy_options::recursive);
    fs::create_directories(configHome());
    // A program folder always has Resource/ (git keeps no empty folder in data/).
    if (copyData)
        fs::create_directories(root_ / "Resource");
    home_.emplace("VORLANE_HOME", root_.string());
    config_.emplace("XDG_CONFIG_HOME", configHome().string());
    language_.emplace("LANGUAGE", std::nullopt);
    lcAll_.emplace("LC_ALL", std::nullopt);
    lcMessages_.emplace("LC_MESSAGES", std::nullopt);
    lang_.emplace("LANG", "C.UTF-8");
}

TestProgramFolder::~TestProgramFolder() {
    home_.reset();
    config_.reset();
    language_.reset();
    lcAll_.reset();
    lcMessages_.reset();
    lang_.reset();
    std::error_code ec;
    // Read-only files left by a test must not keep the folder alive.
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

std::string TestProgramFolder::readFile(const std::string& rel) const {
    return readBytes(root_ / rel);
}

void TestProgramFolder::writeFile(const std::string& rel, const std::string& text) const {
    writeBytes(root_ / rel, text);
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace vorlane::test
